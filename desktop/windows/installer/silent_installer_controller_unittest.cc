// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/silent_installer_controller.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"
#include "desktop/windows/installer/avro_stats/stats_value_writers.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/runner/test/fake_backend.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/test/installer_process_test.h"
#include "desktop/windows/installer/test/scoped_host_strings.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_sandbox.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;


// A silent main process in a test: its own registry keys and known
// folders, the real settings with folder details gathered on the task
// scheduler, the real runner starting the stand-in backend of
// runner/test/fake_backend, and a statistics sender that records.
class SilentInstallerControllerTest : public InstallerProcessTest {
 protected:
  void TearDown() override {
    controller_.reset();
    settings_.reset();
    // The recording sender builds every event into a message.
    EXPECT_EQ(schema_mismatches_, GetStatsSchemaMismatchCount())
        << "An event named a field or symbol the statistics schema lacks";
  }

  base::FilePath Target() const { return Folder(L"Target"); }

  // Runs a silent controller for a process started with `switches`, whose
  // backend is the stand-in started with `backend_switches`, until the run
  // loop is quit. False when it was not quit in time.
  bool RunController(const std::vector<std::wstring>& switches,
                     const std::vector<std::string>& backend_switches,
                     PayloadManager* payload = nullptr) {
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath("installfolder"),
        PackageArchitecture::kX64, payload != nullptr,
        InstallationFolderDetailsFetcherImpl::GetFactory());
    auto runner = std::make_unique<MainProcessInstallerRunnerImpl>(
        &progress_, InterprocessState::GetInstance(),
        BackendRunnerOptions{
            .extra_backend_switches = test::MakeFakeBackendSwitches(backend_switches)});
    controller_ = std::make_unique<SilentInstallerController>(std::move(runner), settings_.get(),
                                                              kShortFetchDelays);
    base::RunLoop run_loop;
    if (controller_->Start(payload, dir_.GetPath(), run_loop.QuitClosure()) != 0)
      return false;
    return base::test::RunWithTimeout(&run_loop);
  }

  // The run's downloads (the preference default overrides, which no test
  // server answers here, and the package) retry after 10 ms instead of the
  // real 6 s: the same attempts, without the wait.
  static constexpr FetchDelays kShortFetchDelays = {
      .retry_delay = base::TimeDelta::FromMilliseconds(10),
      .countdown_step = base::TimeDelta::FromMilliseconds(10)};

  const int schema_mismatches_ = GetStatsSchemaMismatchCount();
  ScopedInstallerErrorRecord error_record_;
  std::vector<std::string> events_;
  bool traffic_allowed_ = true;
  RecordingStatsSender sender_{&events_, &traffic_allowed_};
  base::ProcessWide<AvroStatsSender>::ScopedOverride sender_override_{&sender_};
  InstallerProgress progress_;
  std::unique_ptr<SettingsImpl> settings_;
  std::unique_ptr<SilentInstallerController> controller_;
};

struct BackendCase {
  const char* name;
  std::vector<std::string> backend_switches;
  uint32_t result;
  std::vector<std::string> events;
};

class SilentControllerResultTest : public SilentInstallerControllerTest,
                                   public ::testing::WithParamInterface<BackendCase> {};

// The first final report ends the run; the backend's exit code counts only
// when it says more than "failed".
TEST_P(SilentControllerResultTest, FirstFinalReportSetsTheResult) {
  ASSERT_TRUE(RunController(
      {L"silent", L"enable-installer-stats=0", L"installfolder=" + Target().value()},
      GetParam().backend_switches));
  EXPECT_EQ(GetParam().result, controller_->result());
  EXPECT_THAT(events_, ElementsAreArray(GetParam().events));
  // The user's choice of statistics reached the sender.
  EXPECT_FALSE(traffic_allowed_);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, SilentControllerResultTest,
    ::testing::Values(
        BackendCase{"success",
                    {},
                    0,
                    {"controller_launched", "settings_accepted", "installer_step_starting",
                     "installer_step_finished", "controller_quitting"}},
        // An error over the mailslot, then exit code 1 (result 13): the
        // error's code stays.
        BackendCase{"reported_error_then_exit_1",
                    {"fake-backend-error=7", "fake-backend-exit-code=1"},
                    7,
                    {"controller_launched", "settings_accepted", "installer_step_starting",
                     "installer_step_finished", "error", "controller_quitting"}},
        // An access violation (0xC0000005, as the stand-in reads it).
        BackendCase{"crash_without_a_report",
                    {"fake-backend-silent", "fake-backend-exit-code=-1073741819"},
                    26,
                    {"controller_launched", "settings_accepted", "controller_quitting"}},
        BackendCase{"exit_code_105_without_a_report",
                    {"fake-backend-silent", "fake-backend-exit-code=105"},
                    5,
                    {"controller_launched", "settings_accepted", "controller_quitting"}},
        // Exit code 3 maps to 15, which says nothing: no result was ever set.
        BackendCase{"unknown_exit_code_without_a_report",
                    {"fake-backend-silent", "fake-backend-exit-code=3"},
                    20,
                    {"controller_launched", "settings_accepted", "controller_quitting"}}),
    [](const ::testing::TestParamInfo<BackendCase>& info) { return info.param.name; });

TEST_F(SilentInstallerControllerTest, RefusedSettingsEndTheRunWithTheirCodeAndLaunchNothing) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  ASSERT_TRUE(RunController({L"silent", L"installfolder=relative"}, {}));
  EXPECT_EQ(3u, controller_->result());
  EXPECT_THAT(events_, ElementsAreArray({"controller_launched", "settings_accepted", "error",
                                         "controller_quitting"}));
  std::string detail;
  GetInstallerError(nullptr, &detail, nullptr);
  EXPECT_THAT(detail, HasSubstr("The settings are not valid"));
  EXPECT_THAT(log.lines, Not(Contains(HasSubstr("launching installer backend"))));
}

// A package fetched from the loopback server: the metadata (a POST of the
// tracking data) names the package and its SHA-256. The package is the
// built installer.exe, whose version resource carries this build's version
// and stream, so a ready package passes every check.
class SilentControllerFetchTest : public SilentInstallerControllerTest {
 protected:
  void SetUp() override {
    SilentInstallerControllerTest::SetUp();
    ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
    server_ = std::make_unique<test::LocalHttpServer>(dir_.GetPath().Append(L"server"));
    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(base::CreateDirectory(Downloads()));
  }

  base::FilePath Downloads() const { return dir_.GetPath().Append(L"downloads"); }

  // A silent run outside a package (the running test has no payload, so
  // the package is fetched) that asks the loopback server for everything.
  bool RunFetchingController() {
    PayloadManagerImpl payload(test::GetTestExecutablePath());
    const std::vector<std::wstring> switches = {
        L"silent",
        L"enable-installer-stats=0",
        L"installfolder=" + Target().value(),
        L"internal-package-server=" + server_->Url("/meta"),
        L"local-pref-default-overrides-server=" + server_->Url("/prefs")};
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(
        Target(), PackageArchitecture::kX64, true,
        InstallationFolderDetailsFetcherImpl::GetFactory());
    base::CommandLine stand_in(base::CommandLine::NO_PROGRAM);
    stand_in.AppendSwitchASCII(test::kTestChildSwitch, test::kFakeBackendRole);
    auto runner = std::make_unique<MainProcessInstallerRunnerImpl>(
        &progress_, InterprocessState::GetInstance(),
        BackendRunnerOptions{.extra_backend_switches = stand_in});
    runner_ = runner.get();
    controller_ = std::make_unique<SilentInstallerController>(std::move(runner), settings_.get(),
                                                              kShortFetchDelays);
    base::RunLoop run_loop;
    if (controller_->Start(&payload, Downloads(), run_loop.QuitClosure()) != 0)
      return false;
    return base::test::RunWithTimeout(&run_loop);
  }

  std::unique_ptr<test::LocalHttpServer> server_;
  MainProcessInstallerRunnerImpl* runner_ = nullptr;
};

// Metadata the server does not have: each attempt fails, the controller
// lets the fetcher retry until it has no retry left, and only then ends the
// run with the fetch's result. The backend, started while the package is
// still on its way, waits for it and is stopped.
TEST_F(SilentControllerFetchTest, FetchThatKeepsFailingEndsWithResult19AndInstallsNothing) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  ASSERT_TRUE(RunFetchingController());
  EXPECT_EQ(19u, controller_->result());
  // Six attempts, each one request for the metadata (a GET: the run has
  // no tracking data).
  EXPECT_EQ(std::vector<std::string>(6, "GET /meta"), test::RequestedPaths(*server_));
  EXPECT_EQ(6, std::count(events_.begin(), events_.end(), "package_fetcher_network_error"));
  // The controller's own error once, for the attempt that was not retried.
  EXPECT_EQ(1, std::count(events_.begin(), events_.end(), "error"));
  EXPECT_EQ("controller_quitting", events_.back());
  EXPECT_THAT(log.lines, Contains(HasSubstr("--wait-for-package")));
  EXPECT_FALSE(base::PathExists(Target()));
  // The fetch's folders went with the fetcher.
  EXPECT_TRUE(test::SubfoldersOf(Downloads()).empty());
}

// A package that arrives whole and passes its checks is handed over: the
// preference default overrides are fetched into its folder, and the
// backend, which waits for the package, goes on and reports success.
TEST_F(SilentControllerFetchTest, ReadyPackageIsHandedToTheBackend) {
  ASSERT_NO_FATAL_FAILURE(test::ServeBuiltInstallerPackage(server_.get()));
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/prefs", "reply": {"body": "{\"a\": 1}"}}])"));
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  ASSERT_TRUE(RunFetchingController());
  EXPECT_EQ(0u, controller_->result());
  EXPECT_THAT(test::RequestedPaths(*server_),
              ElementsAreArray({"GET /meta", "GET /package.exe", "GET /prefs"}));
  EXPECT_THAT(log.lines, Contains(HasSubstr("Package ready.")));
  EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("Fetching default prefs overrides to " +
                                                  Downloads().AsUTF8Unsafe() + "\\velta_package_"),
                                        HasSubstr("pref_default_overrides"))));
  EXPECT_THAT(events_, Contains("package_ready"));
  EXPECT_EQ("controller_quitting", events_.back());
  // The fetched package lives as long as the run: nothing is left of it.
  EXPECT_TRUE(test::SubfoldersOf(Downloads()).empty());
}

// A user who is not an administrator cannot install for all users, and a
// silent run asks no one: it goes on as a current-user installation.
TEST_F(SilentInstallerControllerTest, AllUsersWithoutElevationBecomesCurrentUser) {
  sandbox_.security().set_needs_elevation(true);
  ASSERT_TRUE(RunController({L"silent", L"enable-installer-stats=0", L"allusers=1",
                             L"installfolder=" + Target().value()},
                            {}));
  EXPECT_EQ(0u, controller_->result());
  EXPECT_FALSE(settings_->IsAllUsers());
  EXPECT_EQ(InstallMode::kCurrentUser, settings_->GetInstallMode());
  EXPECT_EQ(Target(), settings_->GetInstallFolder());
}

// File copies, the direct unpacking and the exact step "move_file" are too
// many to report; every other step is reported.
TEST_F(SilentInstallerControllerTest, StepsAreReportedUnlessCopiesOrMoves) {
  ASSERT_TRUE(RunController({L"silent", L"installfolder=" + Target().value()}, {}));
  events_.clear();
  for (const char* name : {"copy_file", "root_copy_file_3", "direct_unpacking", "move_file",
                           "move_file_root", "direct_unpacking_2", "finalize"}) {
    controller_->OnStepStarting(name);
    controller_->OnStepFinished(name, 0, 1);
  }
  EXPECT_THAT(events_, ElementsAreArray({"installer_step_starting", "installer_step_finished",
                                         "installer_step_starting", "installer_step_finished",
                                         "installer_step_starting", "installer_step_finished"}));
}

// What arrives after the run ended (while its last statistics are sent)
// changes nothing: the result was already reported as final.
TEST_F(SilentInstallerControllerTest, TerminateIsFinal) {
  ASSERT_TRUE(RunController({L"silent", L"installfolder=" + Target().value()}, {}));
  ASSERT_EQ(0u, controller_->result());
  controller_->Terminate();
  controller_->OnBackendProcessTerminated(26);
  controller_->OnError(7, L"late", "late error");
  EXPECT_EQ(0u, controller_->result());
  EXPECT_EQ(1, std::count(events_.begin(), events_.end(), "controller_quitting"));
}

}  // namespace
}  // namespace velta
