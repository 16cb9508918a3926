// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installer.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/fake_security_utils.h"
#include "desktop/windows/installer/common/fake_win_api.h"
#include "desktop/windows/installer/common/installer_constants.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/process_wide.h"
#include "desktop/windows/installer/common/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/installer_observer.h"
#include "desktop/windows/installer/scoped_installer_process.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/child_process.h"
#include "testing/registry_sandbox.h"

namespace velta {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

// A step that copies `source` into the version folder as "<name>.txt"
// through the job's transaction, or fails with installer error `fail_code`.
class CopyingStep : public InstallerStep {
 public:
  CopyingStep(InstallerContext* context, std::string name, const base::FilePath& source,
              uint32_t fail_code)
      : InstallerStep(context, std::move(name)), source_(source), fail_code_(fail_code) {}

  StepResult& Execute(StepResult& result, int32_t /*attempt*/) override {
    if (fail_code_ != 0) {
      result = StepResult(StepResult::kFailure, fail_code_, L"", "the step failed");
      return result;
    }
    base::FilePath target;
    GetInstallTargetFolder(&target);
    std::unique_ptr<Operation> copy = GetContext()->GetOperationFactory()->CreateCopyFile(
        source_, target.Append(base::UTF8ToWide(name()) + L".txt"));
    std::string error;
    result = StepResult(GetContext()->GetTransaction()->Execute(copy, &error)
                            ? StepResult::kSuccess
                            : StepResult::kFailure);
    return result;
  }

 private:
  const base::FilePath source_;
  const uint32_t fail_code_;
};

// The real scheduler over the test's own steps in place of the job list.
class TestScheduler : public InstallerStepSchedulerImpl {
 public:
  TestScheduler(const base::FilePath& source, uint32_t failing_step_code)
      : InstallerStepSchedulerImpl(base::ThreadTaskRunnerHandle::Get()),
        source_(source),
        failing_step_code_(failing_step_code) {}

  bool Schedule(InstallerContext* context,
                std::wstring* /*scheduler_text*/,
                uint32_t* total_steps) override {
    std::vector<std::unique_ptr<InstallerStep>> steps;
    steps.push_back(std::make_unique<CopyingStep>(context, "first", source_, 0));
    steps.push_back(
        std::make_unique<CopyingStep>(context, "second", source_, failing_step_code_));
    ScheduleSteps(std::move(steps), total_steps);
    return true;
  }

 private:
  const base::FilePath source_;
  const uint32_t failing_step_code_;
};

// What the observers heard, one line per call.
class RecordingObserver : public InstallerObserver {
 public:
  explicit RecordingObserver(base::RunLoop* run_loop) : run_loop_(run_loop) {}

  void OnInstallFolderCreated() override { Add("folder_created"); }
  void OnStartingNewMainProcess(bool flag) override {
    Add(std::string("new_main_process ") + (flag ? "1" : "0"));
  }
  void OnEnteringPhase(int phase) override { Add("phase " + base::NumberToString(phase)); }
  void OnReturnedToPreviousMainProcess() override { Add("returned"); }
  void OnTotalSteps(int count) override { Add("total " + base::NumberToString(count)); }
  void OnStepStarting(const std::string& name) override { Add("starting " + name); }
  void OnStepFinished(const std::string& name, int, int finished) override {
    Add("finished " + name + " " + base::NumberToString(finished));
  }
  void OnError(int code, const std::wstring&, const std::string& detail) override {
    Add("error " + base::NumberToString(code) + " " + detail);
    run_loop_->Quit();
  }
  void OnSuccess() override {
    Add("success");
    run_loop_->Quit();
  }
  void OnInstallationCancelled() override {
    Add("cancelled");
    run_loop_->Quit();
  }

  const std::vector<std::string>& calls() const { return calls_; }
  bool Heard(const std::string& call) const {
    return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
  }
  // The call that ended the job: success, or the error's line.
  std::string Outcome() const {
    for (const std::string& call : calls_) {
      if (call == "success" || base::StartsWith(call, "error ", base::CompareCase::SENSITIVE))
        return call;
    }
    return calls_.empty() ? std::string() : calls_.back();
  }

 private:
  void Add(const std::string& call) { calls_.push_back(call); }

  base::RunLoop* const run_loop_;
  std::vector<std::string> calls_;
};

// A backend process of the test's own: its command line, an own HKCU and
// HKLM key, fakes at the Windows and security seams, and settings whose
// folder is "Velta" in the test's own folder.
class InstallerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    ASSERT_TRUE(hkcu_.is_valid() && hklm_.is_valid() && hkcu_override_.is_valid());
    win_api_.RedirectRegistryRoot(HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, hklm_.path());
    win_api_.SetDriveMask(0);
    folder_ = dir_.GetPath().Append(L"Velta");
  }

  void TearDown() override { installer_.reset(); }

  // Settings and an installer of a backend started with `switches` (plus
  // `backend` and the install folder); false when the settings are not
  // ready.
  void MakeInstaller(std::vector<std::wstring> switches, uint32_t failing_step_code = 0) {
    // The main process makes it before it starts the backend.
    interrupted_ = CreateInstallationEvent(kInstallationInterruptedEventBaseName);
    ASSERT_TRUE(interrupted_.IsValid());
    switches.push_back(L"backend");
    switches.push_back(L"installfolder=" + folder_.value());
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(folder_, 0, true,
                                               InstallationFolderDetailsFetcherImpl::GetFactory());
    ASSERT_TRUE(WaitForFolderDetails(*settings_));
    const base::FilePath source = dir_.GetPath().Append(L"source.txt");
    ASSERT_EQ(1, base::WriteFile(source, "x", 1));
    installer_ = std::make_unique<Installer>(
        std::make_unique<TestScheduler>(source, failing_step_code),
                                             std::make_unique<Transaction>(),
                                             std::make_unique<OperationFactory>(&security_),
                                             base::ThreadTaskRunnerHandle::Get());
    installer_->AddObserver(&observer_);
  }

  // Runs the job until it ends.
  void RunJob() {
    ASSERT_TRUE(installer_->Run(settings_.get()));
    run_loop_.Run();
  }

  std::wstring ReadLastInstallPath() {
    base::win::RegKey key(HKEY_CURRENT_USER, L"Software\\Velta Software", KEY_QUERY_VALUE);
    std::wstring value;
    key.ReadValue((L"Last " + base::UTF8ToWide(GetChannelName()) + L" Install Path").c_str(),
                  &value);
    return value;
  }

  // An event of the installation, as the main process makes it.
  base::win::ScopedHandle CreateInstallationEvent(const wchar_t* base_name) {
    return base::win::ScopedHandle(::CreateEventW(
        nullptr, TRUE, FALSE, MakeNamedObjectName(folder_.value(), base_name, true).c_str()));
  }

  base::ScopedTempDir dir_;
  base::FilePath folder_;
  base::win::ScopedHandle interrupted_;
  test::RegistrySandbox hkcu_{HKEY_CURRENT_USER};
  test::RegistrySandbox hklm_{HKEY_LOCAL_MACHINE};
  test::ScopedRegistryRootOverride hkcu_override_{HKEY_CURRENT_USER, hkcu_};
  FakeWinApi win_api_;
  ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  FakeSecurityUtils security_;
  ProcessWide<SecurityUtils>::ScopedOverride security_override_{&security_};
  ScopedInstallerThreads threads_;
  ScopedInstallerErrorRecord error_record_;
  std::optional<ScopedInstallerProcess> process_;
  std::unique_ptr<SettingsImpl> settings_;
  base::RunLoop run_loop_;
  RecordingObserver observer_{&run_loop_};
  std::unique_ptr<Installer> installer_;
};

TEST_F(InstallerTest, PackageInstallerRunsTheStepsInTheVersionFolderAndStartsTheBrowser) {
  // An existing folder with the browser's launcher (the stand-in).
  ASSERT_TRUE(base::CreateDirectory(folder_));
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                             folder_.Append(L"launcher.exe")));
  MakeInstaller({L"launchvelta=1"});
  RunJob();

  EXPECT_EQ("success", observer_.Outcome());
  EXPECT_EQ(0u, installer_->GetResult());
  const base::FilePath version_folder = folder_.Append(base::UTF8ToWide(GetProductVersion()));
  EXPECT_TRUE(base::PathExists(version_folder.Append(L"first.txt")));
  EXPECT_TRUE(base::PathExists(version_folder.Append(L"second.txt")));
  EXPECT_THAT(observer_.calls(),
              testing::IsSupersetOf({std::string("folder_created"), std::string("phase 7"),
                                     std::string("total 3"), std::string("finished second 2")}));
  const InstallationStatus* status = installer_->GetNewInstallationStatus();
  EXPECT_EQ(folder_, status->path);
  EXPECT_EQ(GetProductVersion(), status->version);
  EXPECT_EQ(base::FilePath(base::UTF8ToWide(GetProductVersion())), status->subfolder);
  uint64_t app_id = 0;
  EXPECT_TRUE(base::StringToUint64(base::WideToUTF8(status->app_id), &app_id)) << status->app_id;
  EXPECT_EQ(folder_.value() + L"\\", ReadLastInstallPath());
  // A new installation starts the browser maximized, and waits for it.
  std::string launches;
  ASSERT_TRUE(base::ReadFileToString(folder_.Append(L"launcher.exe.calls"), &launches));
  EXPECT_THAT(launches, HasSubstr("--start-maximized"));
  EXPECT_THAT(launches, Not(HasSubstr("--new-tab")));
}

TEST_F(InstallerTest, FailingStepRollsTheFolderAndTheRegistryBack) {
  MakeInstaller({}, /*failing_step_code=*/10);
  RunJob();

  EXPECT_EQ("error 10 the step failed", observer_.Outcome());
  EXPECT_TRUE(observer_.Heard("cancelled"));
  EXPECT_EQ(10u, installer_->GetResult());
  EXPECT_FALSE(base::PathExists(folder_));
  EXPECT_EQ(L"", ReadLastInstallPath());
}

TEST_F(InstallerTest, InterruptedWhileWaitingForThePackageCancelsWithoutError) {
  base::win::ScopedHandle ready = CreateInstallationEvent(kPackageReadyEventBaseName);
  ASSERT_TRUE(ready.IsValid());
  MakeInstaller({L"wait-for-package"});
  ASSERT_TRUE(installer_->Run(settings_.get()));
  base::RunLoop().RunUntilIdle();
  ASSERT_TRUE(observer_.Heard("folder_created"));
  ASSERT_TRUE(base::PathExists(folder_));

  ::SetEvent(interrupted_.Get());
  run_loop_.Run();

  EXPECT_EQ("cancelled", observer_.calls().back());
  EXPECT_THAT(observer_.Outcome(), Not(HasSubstr("error")));
  EXPECT_EQ(20u, installer_->GetResult());
  EXPECT_FALSE(base::PathExists(folder_));
}

// How an early refusal ends the job: the switches, the seams' answers and
// the expected error line.
struct RefusalCase {
  const char* name;
  std::vector<std::wstring> switches;
  bool admin;
  bool can_elevate;
  bool uac_off;
  bool deny_folder;
  const char* outcome;
};

class InstallerRefusalTest : public InstallerTest,
                             public testing::WithParamInterface<RefusalCase> {};

TEST_P(InstallerRefusalTest, EndsWithTheCodeAndNoFolder) {
  const RefusalCase& c = GetParam();
  security_.set_is_elevated(c.admin);
  security_.set_is_user_in_admin_group(c.can_elevate);
  if (c.uac_off) {
    base::win::RegKey policy;
    ASSERT_EQ(ERROR_SUCCESS,
              policy.Create(HKEY_LOCAL_MACHINE,
                            (hklm_.path() +
                             L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System")
                                .c_str(),
                            // The system's own view, where the policy is read.
                            KEY_SET_VALUE | KEY_WOW64_64KEY));
    ASSERT_EQ(ERROR_SUCCESS, policy.WriteValue(L"EnableLUA", static_cast<DWORD>(0)));
  }
  if (c.deny_folder) {
    security_.DenyAccess(folder_.value());
    security_.FailGrant(folder_.value());
  }
  MakeInstaller(c.switches);
  RunJob();

  EXPECT_EQ(c.outcome, observer_.Outcome());
  EXPECT_FALSE(base::PathExists(folder_));
  EXPECT_THAT(win_api_.CallsTo("RunElevated"), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals,
    InstallerRefusalTest,
    testing::Values(
        RefusalCase{"AutoupdateOfANewInstallation", {L"autoupdate"}, true, true, false, false,
                    "error 5 Settings operation invalid for autoupdate: 1\n"},
        RefusalCase{"SilentAllUsersWithoutAdministrator", {L"allusers=1", L"silent"}, false,
                    false, false, false,
                    "error 1 Installation requires elevation, but cannot elevate when silent"},
        RefusalCase{"AllUsersWithUacOff", {L"allusers=1"}, false, false, true, false,
                    "error 8 Cannot elevate with UAC disabled"},
        RefusalCase{"AlreadyTheElevatedCopy", {L"allusers=1", L"run-elevated"}, false, true,
                    false, false,
                    "error 8 This process should already be elevated, but isn't."},
        RefusalCase{"AdministratorWithoutWriteAccess", {}, true, true, false, true,
                    "error 7 Could not obtain write permissions to installation folder"},
        RefusalCase{"FolderPermissionWithUacOff", {}, false, false, true, true,
                    "error 8 Cannot elevate with UAC disabled"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// The package's installer as a recording stand-in: its exit code and
// whether it leaves the "done" marker decide the outcome.
struct PackageInstallerCase {
  const char* name;
  int exit_code;
  bool writes_done;
  const char* outcome;
};

class PackageInstallerTest : public InstallerTest,
                             public testing::WithParamInterface<PackageInstallerCase> {
 protected:
  // An unpacked package: installer.exe (the stand-in) with its side files,
  // and the lists that name them.
  void MakePackage(const PackageInstallerCase& c) {
    package_ = dir_.GetPath().Append(L"package");
    ASSERT_TRUE(base::CreateDirectory(package_));
    ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                               package_.Append(L"installer.exe")));
    const std::string exit_code = base::NumberToString(c.exit_code);
    base::WriteFile(package_.Append(L"installer.exe.exit"), exit_code.data(),
                    static_cast<int>(exit_code.size()));
    const std::string touch = c.writes_done ? "done\n" : "";
    base::WriteFile(package_.Append(L"installer.exe.touch"), touch.data(),
                    static_cast<int>(touch.size()));
    const std::string files = "installer.exe\ninstaller.exe.exit\ninstaller.exe.touch\n";
    base::WriteFile(package_.Append(L"files_list"), files.data(), static_cast<int>(files.size()));
    base::WriteFile(package_.Append(L"root_files_list"), "", 0);
    for (const wchar_t* name : {L"launcher.exe", L"installer_helper.exe",
                                L"installer_helper_64.exe"}) {
      ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                                 package_.Append(name)));
    }
  }

  base::FilePath package_;
};

TEST_P(PackageInstallerTest, DoneMarkerAndExitCodeDecide) {
  const PackageInstallerCase& c = GetParam();
  MakePackage(c);
  MakeInstaller({L"package-dir=" + package_.value(), L"inside-package",
                 L"session-guid={8E5E4D3C-1A2B-4C5D-8E9F-0123456789AB}"});
  RunJob();

  EXPECT_EQ(c.outcome, observer_.Outcome());
  const base::FilePath version_folder = folder_.Append(base::UTF8ToWide(GetProductVersion()));
  // The marker is taken away whatever the outcome.
  EXPECT_FALSE(base::PathExists(version_folder.Append(L"done")));
  if (std::string(c.outcome) != "success")
    return;
  std::string calls;
  ASSERT_TRUE(base::ReadFileToString(version_folder.Append(L"installer.exe.calls"), &calls));
  EXPECT_THAT(calls, HasSubstr("--backend"));
  EXPECT_THAT(calls, HasSubstr("--session-guid={8E5E4D3C-1A2B-4C5D-8E9F-0123456789AB}"));
  EXPECT_THAT(calls, HasSubstr("--install-subfolder=" + GetProductVersion()));
  EXPECT_THAT(observer_.calls(), testing::IsSupersetOf({std::string("phase 6"),
                                                        std::string("new_main_process 0"),
                                                        std::string("returned")}));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes,
    PackageInstallerTest,
    testing::Values(
        PackageInstallerCase{"CleanExit", 0, false, "success"},
        PackageInstallerCase{"PlainFailureAfterTheMarker", 1, true, "success"},
        PackageInstallerCase{"PlainFailureWithoutTheMarker", 1, false,
                             "error 13 Installer process did not complete successfully."},
        PackageInstallerCase{"InstallerErrorDespiteTheMarker", 107, true,
                             "error 7 Installer process did not complete successfully."}),
    [](const testing::TestParamInfo<PackageInstallerCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
