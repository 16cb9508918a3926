// Copyright 2026 Velta Software. All rights reserved.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_path_override.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/steps/install_shortcuts_step.h"
#include "desktop/windows/installer/steps/remove_shortcuts_step.h"
#include "desktop/windows/installer/steps/shortcuts.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/steps/update_shortcuts_step.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/utils/taskband_utils.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::WriteText;

// Records the pins asked for (Wine implements neither the shell's verbs nor
// a taskbar); the helper road is tested with TaskbandUtilsImpl itself.
class RecordingTaskbandUtils : public TaskbandUtils {
 public:
  explicit RecordingTaskbandUtils(std::vector<std::string>* calls) : calls_(calls) {}

  void FindPinnedShortcuts(const base::FilePath&, const std::wstring&,
                           const BY_HANDLE_FILE_INFORMATION*,
                           std::vector<base::FilePath>*) const override {}
  bool CreateAndPinShortcut(const base::FilePath&, const base::FilePath&, const std::wstring&,
                            const std::wstring&, PinMode) override {
    return false;
  }
  bool Pin(const base::FilePath&, const base::FilePath& shortcut, PinMode) override {
    calls_->push_back("Pin " + shortcut.BaseName().AsUTF8Unsafe());
    return true;
  }
  bool PinToStart(const base::FilePath&, const base::FilePath& shortcut) override {
    calls_->push_back("PinToStart " + shortcut.BaseName().AsUTF8Unsafe());
    return true;
  }
  bool Unpin(const base::FilePath& shortcut) override {
    calls_->push_back("Unpin " + shortcut.BaseName().AsUTF8Unsafe());
    return true;
  }

 private:
  std::vector<std::string>* const calls_;
};

// Desktop, Start menu and quick launch point at folders of the test's own.
class ShortcutStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    for (const auto& [key, name] : std::vector<std::pair<int, const wchar_t*>>{
             {base::DIR_USER_DESKTOP, L"desktop"},
             {base::DIR_COMMON_DESKTOP, L"common_desktop"},
             {base::DIR_START_MENU, L"start"},
             {base::DIR_COMMON_START_MENU, L"common_start"},
             {base::DIR_USER_QUICK_LAUNCH, L"quick"}}) {
      const base::FilePath folder = context_.scratch().Append(name);
      ASSERT_TRUE(base::CreateDirectory(folder));
      overrides_.push_back(std::make_unique<base::ScopedPathOverride>(key, folder));
    }
    context_.new_status.app_id = L"APP";
    launcher_ = context_.install_folder().Append(L"launcher.exe");
    // Before Windows 10 nothing is pinned to Start; the cases that want
    // Windows 10 say so.
    win_api_.SetWindowsVersion(base::win::VERSION_WIN7);
  }

  std::unique_ptr<TaskbandUtils> Taskband() {
    return std::make_unique<RecordingTaskbandUtils>(&calls_);
  }

  base::FilePath In(const wchar_t* folder) const {
    return context_.scratch().Append(folder).Append(GetShortcutName());
  }

  // The target of the shortcut at `path`, or empty.
  static base::FilePath TargetOf(const base::FilePath& path) {
    base::FilePath target;
    base::win::ResolveShortcut(path, &target, nullptr);
    return target;
  }

  base::win::ScopedCOMInitializer com_;
  FakeWinApi win_api_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  ScopedInstallerProcess process_{{L"backend"}};
  test::TestInstallerContext context_;
  std::vector<std::unique_ptr<base::ScopedPathOverride>> overrides_;
  std::vector<std::string> calls_;
  base::FilePath launcher_;
};

struct InstallCase {
  const char* name;
  bool windows10;
  bool copy_only;
  bool all_users;
  bool desktop;
  bool start_menu;
  bool quick_launch;
  bool pin;
  // Where shortcuts are expected: the folders' names, desktop, Start menu,
  // quick launch ("" none).
  const wchar_t* expected[3];
  std::vector<std::string> calls;
};

class InstallShortcutsTest : public ShortcutStepsTest,
                             public ::testing::WithParamInterface<InstallCase> {};

TEST_P(InstallShortcutsTest, CreatesWhatTheOptionsAskFor) {
  const InstallCase& c = GetParam();
  if (c.windows10)
    win_api_.SetWindowsVersion(base::win::VERSION_WIN10);
  test::TestSettings& settings = context_.settings;
  settings.set_option(SettingsOption::COPY_ONLY, c.copy_only);
  settings.set_option(SettingsOption::ALL_USERS_FLAG, c.all_users);
  settings.set_option(SettingsOption::DESKTOP_SHORTCUT, c.desktop);
  settings.set_option(SettingsOption::START_MENU_SHORTCUT, c.start_menu);
  settings.set_option(SettingsOption::QUICK_LAUNCH_SHORTCUT, c.quick_launch);
  settings.set_option(SettingsOption::PINNED_SHORTCUT, c.pin);
  InstallShortcutsStep step(&context_, Taskband());
  EXPECT_EQ("install_shortcuts", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  const base::FilePath recorded[3] = {context_.new_status.desktop_shortcut,
                                      context_.new_status.menu_shortcut,
                                      context_.new_status.quick_launch_shortcut};
  for (int i = 0; i < 3; ++i) {
    if (*c.expected[i]) {
      EXPECT_EQ(In(c.expected[i]), recorded[i]);
      EXPECT_EQ(launcher_, TargetOf(recorded[i]));
    } else {
      EXPECT_TRUE(recorded[i].empty()) << recorded[i];
    }
  }
  std::vector<std::string> expected_calls;
  for (const std::string& call : c.calls)
    expected_calls.push_back(call + " " + base::WideToUTF8(GetShortcutName()));
  EXPECT_EQ(expected_calls, calls_);
  // The shortcuts go with the job's rollback.
  context_.transaction.Rollback();
  for (const base::FilePath& path : recorded)
    EXPECT_TRUE(path.empty() || !base::PathExists(path)) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    InstallShortcutsTest,
    ::testing::Values(
        InstallCase{"CopyOnlyMakesNone",
                    false,
                    true,
                    false,
                    true,
                    true,
                    true,
                    true,
                    {L"", L"", L""},
                    {}},
        InstallCase{"CurrentUserAll",
                    false,
                    false,
                    false,
                    true,
                    true,
                    true,
                    true,
                    {L"desktop", L"start", L"quick"},
                    {"Pin"}},
        InstallCase{"AllUsersDesktopOnly",
                    false,
                    false,
                    true,
                    true,
                    false,
                    false,
                    false,
                    {L"common_desktop", L"", L""},
                    {}},
        InstallCase{"AllUsersStartMenuAndQuickLaunch",
                    false,
                    false,
                    true,
                    false,
                    true,
                    true,
                    false,
                    {L"", L"common_start", L"quick"},
                    {}},
        // From Windows 10 on the master shortcut is pinned to Start too.
        InstallCase{"Windows10PinsToStart",
                    true,
                    false,
                    false,
                    false,
                    true,
                    false,
                    true,
                    {L"", L"start", L""},
                    {"Pin", "PinToStart"}}),
    [](const auto& info) { return info.param.name; });

class UpdateShortcutsTest : public ShortcutStepsTest {
 protected:
  // An earlier installation's shortcut `name` in `folder`, recorded in its
  // status, found by the folder details.
  base::FilePath Existing(const wchar_t* folder, const std::wstring& name) {
    const base::FilePath path = context_.scratch().Append(folder).Append(name);
    base::win::ShortcutProperties properties;
    properties.set_target(launcher_);
    EXPECT_TRUE(base::win::CreateOrUpdateShortcutLink(path, properties,
                                                      base::win::SHORTCUT_CREATE_ALWAYS));
    return path;
  }

  void SetUp() override {
    ShortcutStepsTest::SetUp();
    context_.settings.operation = InstallOperation::kOverExistingInstallation;
    context_.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  }

  InstallationStatus& old() { return *context_.folder_details.existing; }
  InstallationFolderStatus& found() { return context_.folder_details.status; }
};

// The shortcut name changed: every kept shortcut moves to the new name and
// the pin is made anew.
TEST_F(UpdateShortcutsTest, RenamedShortcutsMoveAndArePinnedAgain) {
  old().desktop_shortcut = Existing(L"desktop", L"Old Name.lnk");
  old().menu_shortcut = Existing(L"start", L"Old Name.lnk");
  found().desktop_shortcut_exists = true;
  found().start_menu_shortcut_exists = true;
  found().pinned_shortcut_paths = {context_.scratch().Append(L"pins\\Old Name.lnk")};
  context_.settings.set_option(SettingsOption::DESKTOP_SHORTCUT, true);
  context_.settings.set_option(SettingsOption::START_MENU_SHORTCUT, true);
  context_.settings.set_option(SettingsOption::PINNED_SHORTCUT, true);
  UpdateShortcutsStep step(&context_, Taskband());
  EXPECT_EQ("update_shortcuts", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_EQ(In(L"desktop"), context_.new_status.desktop_shortcut);
  EXPECT_EQ(In(L"start"), context_.new_status.menu_shortcut);
  EXPECT_TRUE(base::PathExists(In(L"desktop")));
  EXPECT_FALSE(base::PathExists(old().desktop_shortcut));
  const std::string name = base::WideToUTF8(GetShortcutName());
  EXPECT_THAT(calls_, ElementsAre("Unpin Old Name.lnk", "Pin " + name));
}

// A dropped option deletes its shortcut; a stale one is made anew; a kept
// one stays where it is; a pin the user no longer wants is taken away.
TEST_F(UpdateShortcutsTest, DropsRecreatesKeepsAndUnpins) {
  const std::wstring name = GetShortcutName();
  old().desktop_shortcut = Existing(L"desktop", name);
  old().menu_shortcut = Existing(L"start", name);
  old().quick_launch_shortcut = Existing(L"quick", name);
  WriteText(old().menu_shortcut, "stale");
  found().desktop_shortcut_exists = true;
  found().start_menu_shortcut_exists = true;
  found().quick_launch_shortcut_exists = true;
  found().recreate_start_menu_shortcut = true;
  found().pinned_shortcut_paths = {context_.scratch().Append(L"pinned.lnk")};
  context_.settings.set_option(SettingsOption::START_MENU_SHORTCUT, true);
  context_.settings.set_option(SettingsOption::QUICK_LAUNCH_SHORTCUT, true);
  UpdateShortcutsStep step(&context_, Taskband());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_TRUE(context_.new_status.desktop_shortcut.empty());
  EXPECT_FALSE(base::PathExists(old().desktop_shortcut));
  EXPECT_EQ(old().menu_shortcut, context_.new_status.menu_shortcut);
  EXPECT_EQ(launcher_, TargetOf(old().menu_shortcut));
  EXPECT_EQ(old().quick_launch_shortcut, context_.new_status.quick_launch_shortcut);
  EXPECT_THAT(calls_, ElementsAre("Unpin pinned.lnk"));
}

TEST_F(UpdateShortcutsTest, AllUsersAutoupdateLeavesThePins) {
  ScopedInstallerProcess autoupdate({L"backend", L"autoupdate"});
  context_.settings.set_option(SettingsOption::ALL_USERS_FLAG, true);
  found().pinned_shortcut_paths = {context_.scratch().Append(L"pinned.lnk")};
  UpdateShortcutsStep step(&context_, Taskband());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_THAT(calls_, IsEmpty());
}

TEST_F(ShortcutStepsTest, RemoveShortcutsUnpinsAndDeletes) {
  context_.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  InstallationStatus& old = *context_.folder_details.existing;
  InstallationFolderStatus& found = context_.folder_details.status;
  old.desktop_shortcut = context_.scratch().Append(L"desktop\\Velta.lnk");
  old.quick_launch_shortcut = context_.scratch().Append(L"quick\\Velta.lnk");
  WriteText(old.desktop_shortcut, "lnk");
  WriteText(old.quick_launch_shortcut, "lnk");
  found.desktop_shortcut_exists = true;
  found.quick_launch_shortcut_exists = false;
  const base::FilePath pin = context_.scratch().Append(L"pin.lnk");
  const base::FilePath extra = context_.scratch().Append(L"site.lnk");
  WriteText(pin, "lnk");
  WriteText(extra, "lnk");
  found.pinned_shortcut_paths = {pin};
  found.pinned_app_id_paths = {extra};
  found.temporary_shortcut_folder = context_.scratch().Append(L"temporary");
  found.temporary_shortcut_folder_exists = true;
  ASSERT_TRUE(test::WriteFileWithFolders(found.temporary_shortcut_folder.Append(L"x.lnk"), "lnk"));
  RemoveShortcutsStep step(&context_, Taskband());
  EXPECT_EQ("remove_shortcuts", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_THAT(calls_, ElementsAre("Unpin pin.lnk", "Unpin site.lnk"));
  for (const base::FilePath& gone :
       {pin, extra, old.desktop_shortcut, found.temporary_shortcut_folder}) {
    EXPECT_FALSE(base::PathExists(gone)) << gone;
  }
  // Not found by the details: left alone.
  EXPECT_TRUE(base::PathExists(old.quick_launch_shortcut));
}

}  // namespace
}  // namespace velta
