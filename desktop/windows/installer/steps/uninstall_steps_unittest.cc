// Copyright 2026 Velta Software. All rights reserved.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/steps/uninstall_cleanup_step.h"
#include "desktop/windows/installer/steps/uninstall_finalize_step.h"
#include "desktop/windows/installer/steps/wmi_process_launcher.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/utils/fake_shell_default_apps.h"
#include "desktop/windows/installer/utils/shell_default_apps.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using test::ReadText;
using test::WriteText;

class UninstallStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    context_.settings.operation = InstallOperation::kUninstall;
    context_.folder_details.existing =
        std::make_unique<InstallationStatus>(StatusSource::kPrimary);
    status_file_ = context_.install_folder().Append(L"installation_status.json");
    WriteText(status_file_, "{}");
    win_api_.SetWindowsVersion(base::win::VERSION_WIN7);
  }

  InstallationStatus& old() { return *context_.folder_details.existing; }

  base::win::ScopedCOMInitializer com_;
  FakeWinApi win_api_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  FakeShellDefaultApps shell_;
  base::ProcessWide<ShellDefaultApps>::ScopedOverride shell_override_{&shell_};
  ScopedInstallerProcess process_{{L"backend"}};
  test::TestInstallerContext context_;
  base::FilePath status_file_;
};

struct UninstallFinalizeCase {
  const char* name;
  bool copy_only;
  bool http_handler;
  std::vector<std::wstring> shell_calls;
};

class UninstallFinalizeTest : public UninstallStepsTest,
                              public ::testing::WithParamInterface<UninstallFinalizeCase> {};

TEST_P(UninstallFinalizeTest, RemovesTheStatusAndHandsTheDefaultsBack) {
  const UninstallFinalizeCase& c = GetParam();
  context_.settings.set_option(SettingsOption::COPY_ONLY, c.copy_only);
  context_.folder_details.status.is_http_handler = c.http_handler;
  UninstallFinalizeStep step(&context_);
  EXPECT_EQ("uninstall_finalize", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(status_file_));
  EXPECT_EQ(c.shell_calls, shell_.calls());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    UninstallFinalizeTest,
    ::testing::Values(
        UninstallFinalizeCase{"CopyOnlyOnlyRemovesTheStatus", true, true, {}},
        UninstallFinalizeCase{"NotTheDefaultBrowser", false, false, {}},
        // A per-user uninstall needs no reinstall command first.
        UninstallFinalizeCase{"DefaultBrowserOfTheUser",
                     false,
                     true,
                     {L"SetAppAsDefault Internet Explorer .htm 0",
                      L"SetAppAsDefault Internet Explorer .html 0",
                      L"SetAppAsDefault Internet Explorer http 1",
                      L"SetAppAsDefault Internet Explorer https 1"}}),
    [](const auto& info) { return info.param.name; });

// Without the system browser's reinstall command an all-users uninstall
// changes no default.
TEST_F(UninstallStepsTest, AllUsersWithoutReinstallCommandSetsNoDefault) {
  context_.settings.set_option(SettingsOption::ALL_USERS_FLAG, true);
  context_.folder_details.status.is_http_handler = true;
  UninstallFinalizeStep step(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_THAT(shell_.calls(), IsEmpty());
}

TEST_F(UninstallStepsTest, StatusThatCannotGoEndsTheUninstall) {
  base::win::ScopedHandle held = test::HoldWithoutSharing(status_file_);
  ASSERT_TRUE(held.IsValid());
  UninstallFinalizeStep step(&context_);
  StepResult result = test::RunStep(step);
  EXPECT_EQ(StepResult::kFailure, result.code);
  EXPECT_EQ(2u, result.subcode);
  EXPECT_EQ("Failed to remove installation status file", result.text);
}

class LentAccessContext : public test::TestInstallerContext {
 public:
  bool HasPendingPermissionUndo() const override { return true; }
};

// Files in use are left to k.bat, with their folders up to the install
// folder (deepest first) and never above it; with the folder access only
// lent the script is written but not started.
TEST(UninstallCleanupTest, FilesInUseGoToTheScript) {
  base::win::ScopedCOMInitializer com;
  ScopedInstallerProcess process({L"backend", L"initial-pid=42"});
  LentAccessContext context;
  ASSERT_TRUE(context.is_valid());
  context.settings.operation = InstallOperation::kUninstall;
  context.settings.set_option(SettingsOption::COPY_ONLY, true);
  context.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  InstallationStatus& old = *context.folder_details.existing;
  old.subfolder = base::FilePath(L"1.0");
  old.files = {base::FilePath(L"a.dll"), base::FilePath(L"x\\y\\held.dll"),
               base::FilePath(L"..\\..\\outside.txt")};
  old.root_files = {base::FilePath(L"root.txt")};
  const base::FilePath folder = context.install_folder();
  for (const wchar_t* name : {L"1.0\\a.dll", L"1.0\\x\\y\\held.dll", L"root.txt",
                              L"launcher.exe", L"pref_default_overrides"}) {
    ASSERT_TRUE(test::WriteFileWithFolders(folder.Append(name), "x"));
  }
  const base::FilePath outside = context.scratch().Append(L"outside.txt");
  WriteText(outside, "keep");
  base::win::ScopedHandle held = test::HoldWithoutSharing(folder.Append(L"1.0\\x\\y\\held.dll"));
  ASSERT_TRUE(held.IsValid());
  UninstallCleanupStep step(&context);
  EXPECT_EQ("uninstall_cleanup", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  for (const wchar_t* gone : {L"1.0\\a.dll", L"root.txt", L"launcher.exe",
                              L"pref_default_overrides"}) {
    EXPECT_FALSE(base::PathExists(folder.Append(gone))) << gone;
  }
  EXPECT_EQ("keep", ReadText(outside));
  const std::string script = ReadText(folder.Append(L"k.bat"));
  const std::string held_path = folder.Append(L"1.0\\x\\y\\held.dll").AsUTF8Unsafe();
  EXPECT_THAT(script, HasSubstr("del \"" + held_path + "\""));
  const std::string y = folder.Append(L"1.0\\x\\y").AsUTF8Unsafe();
  const std::string x = folder.Append(L"1.0\\x").AsUTF8Unsafe();
  const std::string version = folder.Append(L"1.0").AsUTF8Unsafe();
  const size_t y_at = script.find("rmdir \"" + y + "\"");
  const size_t x_at = script.find("rmdir \"" + x + "\"");
  const size_t version_at = script.find("rmdir \"" + version + "\"");
  ASSERT_NE(std::string::npos, y_at) << script;
  ASSERT_NE(std::string::npos, x_at) << script;
  ASSERT_NE(std::string::npos, version_at) << script;
  EXPECT_LT(y_at, x_at);
  EXPECT_LT(x_at, version_at);
  EXPECT_EQ(std::string::npos, script.find("rmdir \"" + folder.AsUTF8Unsafe() + "\""));
  EXPECT_THAT(script, HasSubstr("42"));
}

// The script's third process is the run's other installer process as the
// installer knows it (the folder-permission helper's), not whatever a
// `parent-pid` switch claims.
TEST(UninstallCleanupTest, ScriptWaitsForTheOtherInstallerProcess) {
  base::win::ScopedCOMInitializer com;
  ScopedInstallerProcess process({L"backend", L"initial-pid=42", L"parent-pid=77"});
  LentAccessContext context;
  ASSERT_TRUE(context.is_valid());
  context.settings.operation = InstallOperation::kUninstall;
  context.settings.set_option(SettingsOption::COPY_ONLY, true);
  context.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  context.second_installer_pid = 4321;
  UninstallCleanupStep step(&context);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  const std::string script = ReadText(context.install_folder().Append(L"k.bat"));
  EXPECT_THAT(script, HasSubstr("PID eq 42\""));
  EXPECT_THAT(script, HasSubstr("PID eq 4321\""));
  EXPECT_THAT(script, Not(HasSubstr("PID eq 77\"")));
}

TEST(UninstallSurveyTest, AddressCarriesVersionIdAndQuery) {
  const std::string base = "https://survey.test/uninstall/";
  EXPECT_EQ(base + "?version=1.2&uuid=U", MakeUninstallSurveyUrl(base, "1.2", "U", ""));
  EXPECT_EQ(base + "?version=1.2&uuid=U&utm=a&b=c",
            MakeUninstallSurveyUrl(base, "1.2", "U", "https://w.test/?utm=a&b=c"));
  // Not exactly one "?": no query is taken.
  EXPECT_EQ(base + "?version=1.2&uuid=U",
            MakeUninstallSurveyUrl(base, "1.2", "U", "https://w.test/?a?b"));
}

struct SurveyCase {
  const char* name = "";
  const char* url = "";
  bool is_silent = false;
  bool is_survey_country = false;
  bool shown_in_browser = false;
};

class UninstallSurveyChoiceTest : public ::testing::TestWithParam<SurveyCase> {};

// The window offers the survey to the users of the survey countries; the
// browser takes it only for the others, never in a silent run or without
// an address.
TEST_P(UninstallSurveyChoiceTest, BrowserSurveyOnlyOutsideTheWindowsCountries) {
  const SurveyCase& c = GetParam();
  EXPECT_EQ(c.shown_in_browser,
            ShouldShowUninstallSurveyInBrowser(c.url, c.is_silent, c.is_survey_country));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    UninstallSurveyChoiceTest,
    ::testing::Values(
        SurveyCase{.name = "OtherCountry", .url = "https://s.test/", .shown_in_browser = true},
        SurveyCase{.name = "SurveyCountry",
                   .url = "https://s.test/",
                   .is_survey_country = true,
                   .shown_in_browser = false},
        SurveyCase{.name = "SilentRun",
                   .url = "https://s.test/",
                   .is_silent = true,
                   .shown_in_browser = false},
        SurveyCase{.name = "SilentRunInSurveyCountry",
                   .url = "https://s.test/",
                   .is_silent = true,
                   .is_survey_country = true,
                   .shown_in_browser = false},
        SurveyCase{.name = "NoAddress", .url = "", .shown_in_browser = false},
        SurveyCase{.name = "NoAddressInSurveyCountry",
                   .url = "",
                   .is_survey_country = true,
                   .shown_in_browser = false}),
    [](const auto& info) { return info.param.name; });

// WMI starts a real process that outlives nothing of ours: it leaves a
// file behind.
TEST(WmiProcessLauncherTest, StartsARealProcess) {
  base::win::ScopedCOMInitializer com;
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath marker = dir.GetPath().Append(L"started.txt");
  uint32_t pid = 0;
  ASSERT_TRUE(WmiLaunchProcess(L"cmd.exe /c echo started> \"" + marker.value() + L"\"", &pid));
  EXPECT_NE(0u, pid);
  for (int i = 0; i < 600 && !base::PathExists(marker); ++i)
    ::Sleep(50);
  EXPECT_TRUE(base::PathExists(marker));
  EXPECT_FALSE(WmiLaunchProcess(L"Z:\\no\\such\\program.exe", nullptr));
}

}  // namespace
}  // namespace velta
