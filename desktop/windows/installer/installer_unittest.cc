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
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/child_process.h"
#include "base/test/registry_sandbox.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_reporting.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/installation_folder_details_impl.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/taskband_utils_impl.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

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

// A step that puts the package files of the test (relative path and
// contents) into the version folder, as the file steps would.
class PlaceFilesStep : public InstallerStep {
 public:
  PlaceFilesStep(InstallerContext* context,
                 std::vector<std::pair<std::wstring, std::string>> files)
      : InstallerStep(context, "place_files"), files_(std::move(files)) {}

  StepResult& Execute(StepResult& result, int32_t /*attempt*/) override {
    base::FilePath target;
    GetInstallTargetFolder(&target);
    bool written = true;
    for (const auto& [path, contents] : files_) {
      const base::FilePath file = target.Append(path);
      written = written && base::CreateDirectory(file.DirName()) &&
                base::WriteFile(file, contents.data(), static_cast<int>(contents.size())) ==
                    static_cast<int>(contents.size());
    }
    result = StepResult(written ? StepResult::kSuccess : StepResult::kFailure);
    return result;
  }

 private:
  const std::vector<std::pair<std::wstring, std::string>> files_;
};

// A step that notes whether the job's context says the folder access is a
// temporary grant, as the finalize and uninstall clean-up steps ask it.
class GrantQueryStep : public InstallerStep {
 public:
  GrantQueryStep(InstallerContext* context, std::optional<bool>* answer)
      : InstallerStep(context, "grant_query"), answer_(answer) {}

  StepResult& Execute(StepResult& result, int32_t /*attempt*/) override {
    *answer_ = GetContext()->HasPendingPermissionUndo();
    result = StepResult(StepResult::kSuccess);
    return result;
  }

 private:
  std::optional<bool>* const answer_;
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
    if (grant_answer)
      steps.push_back(std::make_unique<GrantQueryStep>(context, grant_answer));
    if (!package_files.empty())
      steps.push_back(std::make_unique<PlaceFilesStep>(context, package_files));
    steps.push_back(std::make_unique<CopyingStep>(context, "first", source_, 0));
    steps.push_back(
        std::make_unique<CopyingStep>(context, "second", source_, failing_step_code_));
    ScheduleSteps(std::move(steps), total_steps);
    return true;
  }

  // Files the job puts into the version folder before its other steps.
  std::vector<std::pair<std::wstring, std::string>> package_files;
  // When set, a first step asks the context about the folder grant.
  std::optional<bool>* grant_answer = nullptr;

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
  void MakeInstaller(std::vector<std::wstring> switches,
                     uint32_t failing_step_code = 0,
                     const base::FilePath& executable = base::FilePath()) {
    // The main process makes it before it starts the backend.
    interrupted_ = CreateInstallationEvent(kInstallationInterruptedEventBaseName);
    ASSERT_TRUE(interrupted_.IsValid());
    switches.push_back(L"backend");
    switches.push_back(L"installfolder=" + folder_.value());
    process_.emplace(switches, executable);
    settings_ = std::make_unique<SettingsImpl>(folder_, PackageArchitecture::kX86, true,
                                               InstallationFolderDetailsFetcherImpl::GetFactory());
    ASSERT_TRUE(WaitForFolderDetails(*settings_));
    const base::FilePath source = dir_.GetPath().Append(L"source.txt");
    ASSERT_EQ(1, base::WriteFile(source, "x", 1));
    auto scheduler = std::make_unique<TestScheduler>(source, failing_step_code);
    scheduler->package_files = package_files_;
    if (ask_about_grant_)
      scheduler->grant_answer = &grant_answer_;
    installer_ = std::make_unique<Installer>(
        std::move(scheduler),
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

  // An installation in the folder as its status file describes it.
  void MakeExistingInstallation(const std::vector<InstallationComponent>& components,
                                bool all_users = false) {
    InstallationStatus status(StatusSource::kGenerated);
    status.path = folder_;
    status.all_users = all_users;
    status.app_id = L"1234";
    status.subfolder = base::FilePath(L"1.0.0.1");
    status.version = "1.0.0.1";
    status.components = components;
    ASSERT_TRUE(base::CreateDirectory(folder_.Append(status.subfolder)));
    ASSERT_TRUE(WriteInstallationStatusJson(status, folder_.Append(kInstallationStatusJsonFileName)));
  }

  // The browser's launcher in the folder, as the recording stand-in.
  void AddLauncher() {
    ASSERT_TRUE(base::CreateDirectory(folder_));
    ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                               folder_.Append(L"launcher.exe")));
  }

  // A user who can neither become an administrator nor grant themselves
  // access to the folder, and the folder-permission helper of the test as
  // the backend's program (this test's WinApi starts it as a plain child).
  // The helper records its end in "installer.exe.record" beside itself.
  // Returns the helper's path.
  base::FilePath PrepareFolderPermissionHelper() {
    security_.set_is_elevated(false);
    security_.set_is_user_in_admin_group(false);
    security_.FailGrant(folder_.value());
    const base::FilePath helper = dir_.GetPath().Append(L"installer.exe");
    EXPECT_TRUE(base::CopyFile(
        test::GetPathBesideTestExecutable(L"folder_permission_helper_test_program.exe"), helper));
    helper_change_ = ::FindFirstChangeNotificationW(dir_.GetPath().value().c_str(), FALSE,
                                                    FILE_NOTIFY_CHANGE_FILE_NAME);
    EXPECT_NE(INVALID_HANDLE_VALUE, helper_change_);
    return helper;
  }

  // What the helper recorded once it ended, waiting for it as long as a
  // minute.
  std::string WaitForHelperRecord() {
    const base::FilePath record = dir_.GetPath().Append(L"installer.exe.record");
    while (!base::PathExists(record) &&
           ::WaitForSingleObject(helper_change_, 60000) == WAIT_OBJECT_0) {
      ::FindNextChangeNotification(helper_change_);
    }
    ::FindCloseChangeNotification(helper_change_);
    // The name appears when the helper creates the file, before it has
    // written and closed it: read until the whole line is there.
    std::string ended;
    for (int i = 0; i < 600; ++i) {
      if (base::ReadFileToString(record, &ended) && ended == "ended\n")
        break;
      ::Sleep(100);
    }
    return ended;
  }

  std::string ReadLaunches() {
    std::string launches;
    base::ReadFileToString(folder_.Append(L"launcher.exe.calls"), &launches);
    return launches;
  }

  base::ScopedTempDir dir_;
  base::FilePath folder_;
  base::win::ScopedHandle interrupted_;
  std::vector<std::pair<std::wstring, std::string>> package_files_;
  // Watches the test's folder for the helper's record.
  HANDLE helper_change_ = INVALID_HANDLE_VALUE;
  bool ask_about_grant_ = false;
  std::optional<bool> grant_answer_;
  test::RegistrySandbox hkcu_{HKEY_CURRENT_USER};
  test::RegistrySandbox hklm_{HKEY_LOCAL_MACHINE};
  test::ScopedRegistryRootOverride hkcu_override_{HKEY_CURRENT_USER, hkcu_};
  FakeWinApi win_api_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  FakeSecurityUtils security_;
  base::ProcessWide<SecurityUtils>::ScopedOverride security_override_{&security_};
  ScopedInstallerThreads threads_;
  ScopedInstallerErrorRecord error_record_;
  std::optional<ScopedInstallerProcess> process_;
  std::unique_ptr<SettingsImpl> settings_;
  base::RunLoop run_loop_;
  RecordingObserver observer_{&run_loop_};
  std::unique_ptr<Installer> installer_;
};

TEST_F(InstallerTest, PackageInstallerRunsTheStepsInTheVersionFolderAndStartsTheBrowser) {
  AddLauncher();
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
  EXPECT_THAT(ReadLaunches(), HasSubstr("--start-maximized"));
  EXPECT_THAT(ReadLaunches(), Not(HasSubstr("--new-tab")));
}

TEST_F(InstallerTest, UpgradeKeepsTheAppIdAndOpensANewTab) {
  MakeExistingInstallation({});
  AddLauncher();
  MakeInstaller({L"launchvelta=1"});
  ASSERT_EQ(InstallOperation::kOverExistingInstallation, settings_->GetOperation());
  RunJob();

  EXPECT_EQ("success", observer_.Outcome());
  EXPECT_EQ(L"1234", installer_->GetNewInstallationStatus()->app_id);
  EXPECT_THAT(ReadLaunches(), HasSubstr("--new-tab"));
  EXPECT_THAT(ReadLaunches(), Not(HasSubstr("--start-maximized")));
}

TEST_F(InstallerTest, PostElevationTasksStartTheComponentInstallersAndTheBrowser) {
  // The suite's installer is shipped under the assistant's name.
  const base::FilePath component = folder_.Append(L"Suite");
  ASSERT_TRUE(base::CreateDirectory(component));
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                             component.Append(L"assistant_installer.exe")));
  // A name from a damaged status that would lead out of the folder.
  MakeExistingInstallation({InstallationComponent("suite", component),
                            InstallationComponent("..\\evil", component)});
  AddLauncher();
  MakeInstaller({L"launchvelta=1", L"post-elevated-install-tasks"});
  HANDLE change = ::FindFirstChangeNotificationW(component.value().c_str(), FALSE,
                                                 FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(INVALID_HANDLE_VALUE, change);
  RunJob();

  EXPECT_EQ("success", observer_.Outcome());
  // No step runs: the elevated copy did the installation.
  EXPECT_FALSE(observer_.Heard("starting first"));
  EXPECT_THAT(ReadLaunches(), HasSubstr("--new-tab"));
  // The component's installer is not waited for.
  const base::FilePath calls_file = component.Append(L"assistant_installer.exe.calls");
  while (!base::PathExists(calls_file) && ::WaitForSingleObject(change, 60000) == WAIT_OBJECT_0)
    ::FindNextChangeNotification(change);
  ::FindCloseChangeNotification(change);
  std::string calls;
  ASSERT_TRUE(base::ReadFileToString(calls_file, &calls));
  EXPECT_THAT(calls, HasSubstr("--post-elevated-install-tasks"));
  EXPECT_THAT(calls, HasSubstr("--installfolder=\"" + base::WideToUTF8(component.value())));
  for (const std::string& launch : win_api_.CallsTo("LaunchProcess"))
    EXPECT_THAT(launch, Not(HasSubstr("evil")));
}

// The browser profile the folder details name, for the profile edits.
base::FilePath* g_profile_folder = nullptr;

class ProfileFolderDetails : public InstallationFolderDetailsImpl {
 public:
  ProfileFolderDetails() : InstallationFolderDetailsImpl(std::make_unique<TaskbandUtilsImpl>()) {}
  const base::FilePath& GetProfilePath() const override { return *g_profile_folder; }
};

class ProfileFolderDetailsFactory : public InstallationFolderDetails::Factory {
 public:
  std::unique_ptr<InstallationFolderDetails> Create() override {
    return std::make_unique<ProfileFolderDetails>();
  }
};

// The profile before and after the edits of a finished installation: which
// partner files the package and the profile have.
struct ProfileCase {
  const char* name;
  bool package_partner;
  bool profile_partner;
  bool profile_tracking;
  // Afterwards.
  bool partner_after;
  bool tracking_after;
  bool flagged;
};

// An installer whose folder details name a profile folder of the test's.
class InstallerWithProfileTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    profile_ = dir_.GetPath().Append(L"Profile");
    ASSERT_TRUE(base::CreateDirectory(profile_));
    g_profile_folder = &profile_;
  }
  void TearDown() override {
    InstallerTest::TearDown();
    g_profile_folder = nullptr;
  }

  void Write(const std::wstring& name, const std::string& text) {
    ASSERT_EQ(static_cast<int>(text.size()),
              base::WriteFile(profile_.Append(name), text.data(), static_cast<int>(text.size())));
  }
  std::string Read(const std::wstring& name) {
    std::string text;
    base::ReadFileToString(profile_.Append(name), &text);
    return text;
  }

  base::FilePath profile_;
  ProfileFolderDetailsFactory details_factory_;
  base::ProcessWide<InstallationFolderDetails::Factory>::ScopedOverride details_override_{
      &details_factory_};
};

class InstallerProfileTest : public InstallerWithProfileTest,
                             public testing::WithParamInterface<ProfileCase> {};

TEST_P(InstallerProfileTest, EditsTheProfileOfTheUser) {
  const ProfileCase& c = GetParam();
  Write(L"Local State", R"({"intl":{"app_locale":"xx"},"other":1})");
  Write(L"Preferences", R"({"statistics":{"collection_enabled":true},"kept":2})");
  if (c.profile_partner)
    Write(L"custom_partner_content.json", "old partner");
  if (c.profile_tracking)
    Write(L"tracking_user_agent.json", "old agent");
  if (c.package_partner)
    package_files_.push_back({L"resources\\custom_partner_content.json", "new partner"});
  MakeInstaller({L"launchvelta=0"});
  RunJob();
  ASSERT_EQ("success", observer_.Outcome());
  // The stores write on the task scheduler.
  base::TaskScheduler::GetInstance()->FlushForTesting();

  const std::string local_state = Read(L"Local State");
  EXPECT_THAT(local_state,
              HasSubstr("\"app_locale\":\"" + base::WideToUTF8(settings_->GetLanguage())));
  EXPECT_THAT(local_state, HasSubstr("\"other\":1"));
  EXPECT_EQ(c.flagged, local_state.find("\"updated\":true") != std::string::npos) << local_state;
  const std::string preferences = Read(L"Preferences");
  EXPECT_THAT(preferences, Not(HasSubstr("collection_enabled")));
  EXPECT_THAT(preferences, HasSubstr("\"kept\":2"));
  EXPECT_EQ(c.partner_after, base::PathExists(profile_.Append(L"custom_partner_content.json")));
  EXPECT_EQ(c.tracking_after, base::PathExists(profile_.Append(L"tracking_user_agent.json")));
  if (c.package_partner && c.flagged) {
    EXPECT_EQ("new partner", Read(L"custom_partner_content.json"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    PartnerFiles,
    InstallerProfileTest,
    testing::Values(
        ProfileCase{"OldEditionRemoved", false, true, true, false, false, true},
        ProfileCase{"OnlyTheAgentFileRemovedUnflagged", false, false, true, false, false, false},
        ProfileCase{"NewEditionCopied", true, false, false, true, false, true},
        ProfileCase{"ProfileWithAPartnerFileKept", true, false, true, false, true, false}),
    [](const testing::TestParamInfo<ProfileCase>& info) { return info.param.name; });

// The process that runs only the tasks after an elevated installation
// edits the profile with the partner files of the version folder the
// elevated copy installed: named by the switch, else by the status it wrote.
struct PostElevationProfileCase {
  const char* name;
  bool subfolder_switch;
  bool profile_has_files;
  // Afterwards: the profile's partner file holds this text, and the agent
  // file is still there when the profile had one.
  const char* partner_after;
  bool flagged;
};

class InstallerPostElevationProfileTest
    : public InstallerWithProfileTest,
      public testing::WithParamInterface<PostElevationProfileCase> {};

TEST_P(InstallerPostElevationProfileTest, KeepsOrBringsThePartnerFilesOfTheInstalledVersion) {
  const PostElevationProfileCase& c = GetParam();
  MakeExistingInstallation({});
  const base::FilePath resources = folder_.Append(L"1.0.0.1").Append(L"resources");
  ASSERT_TRUE(base::CreateDirectory(resources));
  ASSERT_EQ(11, base::WriteFile(resources.Append(L"custom_partner_content.json"),
                                "new partner", 11));
  Write(L"Local State", R"({"intl":{"app_locale":"xx"}})");
  if (c.profile_has_files) {
    Write(L"custom_partner_content.json", "old partner");
    Write(L"tracking_user_agent.json", "old agent");
  }
  std::vector<std::wstring> switches = {L"launchvelta=0", L"post-elevated-install-tasks"};
  if (c.subfolder_switch)
    switches.push_back(L"install-subfolder=1.0.0.1");
  MakeInstaller(switches);
  RunJob();
  ASSERT_EQ("success", observer_.Outcome());
  base::TaskScheduler::GetInstance()->FlushForTesting();

  EXPECT_EQ(c.partner_after, Read(L"custom_partner_content.json"));
  EXPECT_EQ(c.profile_has_files, base::PathExists(profile_.Append(L"tracking_user_agent.json")));
  EXPECT_EQ(c.flagged, Read(L"Local State").find("\"updated\":true") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    PartnerFiles,
    InstallerPostElevationProfileTest,
    testing::Values(
        PostElevationProfileCase{"ProfileFilesKeptBySwitch", true, true, "old partner", false},
        PostElevationProfileCase{"ProfileFilesKeptByStatus", false, true, "old partner", false},
        PostElevationProfileCase{"NewEditionCopiedBySwitch", true, false, "new partner", true},
        PostElevationProfileCase{"NewEditionCopiedByStatus", false, false, "new partner", true}),
    [](const testing::TestParamInfo<PostElevationProfileCase>& info) { return info.param.name; });

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

// This process's crash reporter, as crash reporting's start-up records it;
// none again afterwards.
class ScopedCrashReporterPid {
 public:
  explicit ScopedCrashReporterPid(uint32_t pid) {
    InstallerCrashReporterClient::GetInstance()->set_reporter_process_id(pid);
  }
  ~ScopedCrashReporterPid() {
    InstallerCrashReporterClient::GetInstance()->set_reporter_process_id(0);
  }
};

TEST_F(InstallerTest, ElevatedFolderPermissionHelperMeetsTheBackendAndTakesTheGrantBack) {
  // A user who cannot become an administrator, and a folder they cannot
  // write: the backend asks the helper (this test's WinApi starts it as a
  // plain child). The test's SecurityUtils keeps the folder unwritable, so
  // the backend fails after the grant, and its end tells the helper to take
  // the grant back.
  const base::FilePath helper = PrepareFolderPermissionHelper();
  ASSERT_FALSE(HasFailure());
  security_.DenyAccess(folder_.value());
  MakeInstaller({}, 0, helper);
  {
    ScopedCrashReporterPid reporter(4321);
    RunJob();
  }

  // The grant event reached the backend: it got as far as testing the
  // access it was given.
  EXPECT_EQ(
      "error 7 No write access to installation folder after attempting to get it via elevated "
      "process",
      observer_.Outcome());
  const std::vector<std::string> launches = win_api_.CallsTo("RunElevated");
  ASSERT_EQ(1u, launches.size());
  EXPECT_THAT(launches[0], HasSubstr("--set-folder-permission=\"" +
                                     base::WideToUTF8(folder_.value())));
  EXPECT_THAT(launches[0],
              HasSubstr("--parent-pid=" + base::NumberToString(::GetCurrentProcessId())));
  EXPECT_THAT(launches[0], Not(HasSubstr("--permanent-permissions")));
  EXPECT_THAT(launches[0], HasSubstr("--crash-reporter-pid=4321"));
  // The helper ends once the backend's end set the undo event.
  EXPECT_EQ("ended\n", WaitForHelperRecord());
}

TEST_F(InstallerTest, StepsLearnThroughTheContextThatTheFolderAccessIsATemporaryGrant) {
  // The folder is writable once the helper has granted the access.
  const base::FilePath helper = PrepareFolderPermissionHelper();
  ASSERT_FALSE(HasFailure());
  security_.DenyAccessOnce(folder_.value());
  ask_about_grant_ = true;
  MakeInstaller({L"launchvelta=0"}, 0, helper);
  RunJob();

  EXPECT_EQ("success", observer_.Outcome());
  EXPECT_EQ(std::optional<bool>(true), grant_answer_);
  EXPECT_EQ("ended\n", WaitForHelperRecord());
}

TEST_F(InstallerTest, StepsLearnThroughTheContextThatTheFolderAccessIsTheUsersOwn) {
  ask_about_grant_ = true;
  MakeInstaller({L"launchvelta=0"});
  RunJob();

  EXPECT_EQ("success", observer_.Outcome());
  EXPECT_EQ(std::optional<bool>(false), grant_answer_);
}

// The elevated copy of the backend, as the recording stand-in (the test's
// WinApi starts it as a plain child): its exit code and whether the
// installation's status is there afterwards decide the outcome.
struct ElevatedCopyCase {
  const char* name;
  int exit_code;
  bool status_written;
  const char* outcome;
};

class InstallerElevatedCopyTest : public InstallerTest,
                                  public testing::WithParamInterface<ElevatedCopyCase> {};

TEST_P(InstallerElevatedCopyTest, AllUsersInstallationRunsAnElevatedCopy) {
  const ElevatedCopyCase& c = GetParam();
  // A user who can become an administrator, installing for all users.
  security_.set_is_elevated(false);
  security_.set_is_user_in_admin_group(true);
  const base::FilePath copy = dir_.GetPath().Append(L"installer.exe");
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"), copy));
  const std::string exit_code = base::NumberToString(c.exit_code);
  base::WriteFile(dir_.GetPath().Append(L"installer.exe.exit"), exit_code.data(),
                  static_cast<int>(exit_code.size()));
  if (c.status_written)
    MakeExistingInstallation({}, /*all_users=*/true);
  AddLauncher();
  MakeInstaller({L"allusers=1", L"launchvelta=1"}, 0, copy);
  RunJob();

  EXPECT_EQ(c.outcome, observer_.Outcome());
  std::string calls;
  ASSERT_TRUE(base::ReadFileToString(dir_.GetPath().Append(L"installer.exe.calls"), &calls));
  EXPECT_THAT(calls, HasSubstr("--run-elevated"));
  EXPECT_THAT(calls, HasSubstr("--parent-pid=" + base::NumberToString(::GetCurrentProcessId())));
  // Only this process, the user's, starts the browser.
  EXPECT_THAT(calls, HasSubstr("--launchvelta=0"));
  EXPECT_THAT(observer_.calls(), testing::IsSupersetOf({std::string("new_main_process 1"),
                                                        std::string("returned")}));
  EXPECT_EQ(c.status_written && c.exit_code == 0, !ReadLaunches().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes,
    InstallerElevatedCopyTest,
    testing::Values(
        ElevatedCopyCase{"StatusWritten", 0, true, "success"},
        ElevatedCopyCase{"NoStatus", 0, false,
                         "error 1 Elevated process did not write new installation status"},
        ElevatedCopyCase{"CopyFailed", 107, true, "error 7 Elevated process returned an error."}),
    [](const testing::TestParamInfo<ElevatedCopyCase>& info) { return info.param.name; });

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
  ScopedCrashReporterPid reporter(4321);
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
  EXPECT_THAT(calls, HasSubstr("--crash-reporter-pid=4321"));
  EXPECT_THAT(observer_.calls(), testing::IsSupersetOf({std::string("phase 6"),
                                                        std::string("new_main_process 0"),
                                                        std::string("returned")}));
  // The package's files reach the observers as steps: the three listed
  // files, the two lists, the launcher and one helper.
  EXPECT_THAT(observer_.calls(),
              testing::IsSupersetOf({std::string("total 7"),
                                     std::string("finished direct_unpacking 0"),
                                     std::string("finished direct_unpacking 6")}));
}

// A package's installer whose folder test took its own folder for another
// (a spelling the test could not match) would start the package's
// installer, itself, again and again: started as the package's installer,
// it never starts one. Nothing it starts inherits the mark.
TEST_F(PackageInstallerTest, PackagesInstallerNeverStartsThePackagesInstaller) {
  MakePackage({"CleanExit", 0, false, "success"});
  ASSERT_TRUE(::SetEnvironmentVariableW(kStartedAsPackageInstallerVariable, L"1"));
  MakeInstaller({L"package-dir=" + package_.value(), L"inside-package",
                 L"session-guid={8E5E4D3C-1A2B-4C5D-8E9F-0123456789AB}"});
  EXPECT_EQ(0u, ::GetEnvironmentVariableW(kStartedAsPackageInstallerVariable, nullptr, 0));
  RunJob();

  EXPECT_THAT(observer_.Outcome(),
              testing::StartsWith("error 1 The installer from the package would start the "
                                  "package's installer again: "));
  const base::FilePath version_folder = folder_.Append(base::UTF8ToWide(GetProductVersion()));
  EXPECT_FALSE(base::PathExists(version_folder.Append(L"installer.exe.calls")));
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
