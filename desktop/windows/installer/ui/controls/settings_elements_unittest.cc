// Copyright 2026 Velta Software. All rights reserved.

// The elements whose visibility follows the settings.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/scoped_temp_dir.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/test/scoped_host_strings.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_sandbox.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "desktop/windows/installer/ui/controls/folder_validation_element.h"
#include "desktop/windows/installer/ui/controls/interactive_install_element.h"
#include "desktop/windows/installer/ui/controls/settings_flag_element.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct SettingsCase {
  const char* name;
  // With "installfolder=" the folder is "<test folder>\<value>" unless the
  // value is relative on purpose ("relative").
  std::vector<std::wstring> switches;
  bool uninstall_mode;
  // Visible afterwards: Back (both kinds) on the options page, the folder
  // problem text there, the delete-data box on the uninstall page.
  bool back;
  bool folder_problem;
};

// Real controls of a real window, over the real settings of a sandboxed
// installer process once its folder check has ended.
class SettingsElementsTest : public testing::TestWithParam<SettingsCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    ASSERT_TRUE(strings_.is_loaded());
    ASSERT_TRUE(sandbox_.is_valid());
    sandbox_.OverrideKnownFolders(dir_.GetPath());
    parent_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"page", WS_POPUP | WS_VISIBLE, 0, 0,
                                200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
  }
  void TearDown() override {
    settings_.reset();
    ::DestroyWindow(parent_);
  }

  HWND MakeControl() {
    return ::CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD, 0, 0, 20, 20, parent_, nullptr,
                             nullptr, nullptr);
  }

  // The settings of a process started with `switches`, once no folder check
  // runs any more.
  void MakeSettings(const std::vector<std::wstring>& switches) {
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath("installfolder"),
        PackageArchitecture::kX64, false, InstallationFolderDetailsFetcherImpl::GetFactory());
    for (int i = 0; i < 3000 && settings_->IsFetchingFolderDetails(); ++i) {
      base::RunLoop run_loop;
      base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
          FROM_HERE, run_loop.QuitClosure(), base::TimeDelta::FromMilliseconds(10));
      run_loop.Run();
    }
  }

  base::ScopedTempDir dir_;
  ScopedInstallerSandbox sandbox_;
  ScopedInstallerThreads threads_;
  ScopedHostStrings strings_;
  std::optional<ScopedInstallerProcess> process_;
  std::unique_ptr<SettingsImpl> settings_;
  HWND parent_ = nullptr;
};

TEST_P(SettingsElementsTest, ShowTheirControlsWhereTheSettingsAllow) {
  std::vector<std::wstring> switches = GetParam().switches;
  for (std::wstring& text : switches) {
    if (text == L"installfolder=Target")
      text = L"installfolder=" + dir_.GetPath().Append(L"Target").value();
  }
  MakeSettings(switches);
  ASSERT_FALSE(settings_->IsFetchingFolderDetails());

  InteractiveInstallElement back(MakeControl(), settings_.get(), GetParam().uninstall_mode);
  InteractiveInstallButton back_button(MakeControl(), settings_.get(), GetParam().uninstall_mode);
  FolderValidationElement problem(MakeControl(), settings_.get(), {LAYOUT_OPTIONS});
  SettingsFlagElement delete_data(MakeControl(), settings_.get());

  for (uint32_t layout : {LAYOUT_WELCOME, LAYOUT_UNINSTALL, LAYOUT_OPTIONS, LAYOUT_PROGRESS}) {
    SCOPED_TRACE(layout);
    back.Update(layout);
    back_button.Update(layout);
    problem.Update(layout);
    delete_data.Update(layout);
    const bool options = layout == LAYOUT_OPTIONS;
    EXPECT_EQ(options && GetParam().back, !!::IsWindowVisible(back.hwnd()));
    EXPECT_EQ(options && GetParam().back, !!::IsWindowVisible(back_button.hwnd()));
    EXPECT_EQ(options && GetParam().folder_problem, !!::IsWindowVisible(problem.hwnd()));
    EXPECT_EQ(layout == LAYOUT_UNINSTALL, !!::IsWindowVisible(delete_data.hwnd()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    SettingsElementsTest,
    testing::Values(
        SettingsCase{"interactive_install", {L"installfolder=Target"}, false, true, false},
        SettingsCase{"run_immediately",
                     {L"installfolder=Target", L"runimmediately"},
                     false,
                     false,
                     false},
        SettingsCase{"uninstalling", {L"installfolder=Target"}, true, false, false},
        SettingsCase{"relative_folder", {L"installfolder=relative"}, false, true, true}),
    [](const testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
