// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/corrupted_payload_box.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop_for_ui.h"
#include "base/process_wide.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/custom_message_box.h"
#include "desktop/windows/installer/ui/fake_web_page_opener.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"
#include "testing/host_resources.h"

namespace velta {
namespace {

// What the user does to the box, from another thread, as window messages.
enum class Action { kGo, kCancel, kClose, kEnter };

struct BoxCase {
  const char* name;
  const wchar_t* language;
  Action action;
  uint32_t outcome;
  std::vector<std::wstring> opened;
  const wchar_t* title;
  const wchar_t* first_button;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window))
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

class CorruptedPayloadBoxTest : public testing::TestWithParam<BoxCase> {
 protected:
  void SetUp() override {
    RichStatic::InitializeLibraries();
    ASSERT_TRUE(host_.module());
    handler_ = std::make_unique<ResourceL10nHandler>(host_.module());
    override_ = std::make_unique<base::ProcessWide<L10nHandler>::ScopedOverride>(handler_.get());
  }

  // Waits on another thread for the box of `thread`, notes its texts and acts.
  void ActOnBoxOf(DWORD thread, Action action) {
    HWND box = nullptr;
    for (int i = 0; i < 1500 && !box; ++i) {
      ::EnumThreadWindows(thread, &FindVisibleDialog, reinterpret_cast<LPARAM>(&box));
      if (!box)
        ::Sleep(20);
    }
    if (!box)
      return;
    wchar_t text[128] = {};
    ::GetWindowTextW(box, text, 128);
    title_ = text;
    ::GetWindowTextW(::GetDlgItem(box, IDC_MESSAGE_BOX_FIRST), text, 128);
    first_button_ = text;
    switch (action) {
      case Action::kGo:
        ::PostMessageW(::GetDlgItem(box, IDC_MESSAGE_BOX_FIRST), BM_CLICK, 0, 0);
        break;
      case Action::kCancel:
        ::PostMessageW(::GetDlgItem(box, IDC_MESSAGE_BOX_SECOND), BM_CLICK, 0, 0);
        break;
      case Action::kClose:
        ::PostMessageW(box, WM_CLOSE, 0, 0);
        break;
      case Action::kEnter: {
        // To the focused control: the dispatcher turns it into the default
        // button's command.
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(thread, &info);
        ::PostMessageW(info.hwndFocus ? info.hwndFocus : box, WM_KEYDOWN, VK_RETURN, 1);
        break;
      }
    }
  }

  base::MessageLoopForUI loop_;
  test::ScopedHostResources host_;
  std::unique_ptr<ResourceL10nHandler> handler_;
  std::unique_ptr<base::ProcessWide<L10nHandler>::ScopedOverride> override_;
  std::wstring title_;
  std::wstring first_button_;
};

TEST_P(CorruptedPayloadBoxTest, OpensTheHomePageOnlyForGo) {
  std::vector<std::wstring> opened;
  FakeWebPageOpener opener(&opened);
  const DWORD thread = ::GetCurrentThreadId();
  std::thread user([this, thread] { ActOnBoxOf(thread, GetParam().action); });
  bool shown = false;
  const uint32_t outcome = RunCorruptedPayloadBox(GetParam().language, &shown);
  user.join();

  EXPECT_TRUE(shown);
  EXPECT_EQ(GetParam().outcome, outcome);
  EXPECT_EQ(GetParam().opened, opened);
  EXPECT_EQ(GetParam().title, title_);
  EXPECT_EQ(GetParam().first_button, first_button_);
  // The box is gone with the run.
  HWND left = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&left));
  EXPECT_EQ(nullptr, left);
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    CorruptedPayloadBoxTest,
    testing::Values(
        BoxCase{"go", L"en-US", Action::kGo, CustomMessageBox::kFirstButton,
                {L"https://www.velta.example/"}, L"Velta installer", L"Go!"},
        BoxCase{"enter_presses_go", L"en-US", Action::kEnter, CustomMessageBox::kFirstButton,
                {L"https://www.velta.example/"}, L"Velta installer", L"Go!"},
        BoxCase{"cancel", L"en-US", Action::kCancel, CustomMessageBox::kSecondButton, {},
                L"Velta installer", L"Go!"},
        BoxCase{"closed", L"en-US", Action::kClose, CustomMessageBox::kClosed, {},
                L"Velta installer", L"Go!"},
        // The `language` switch's language, not the system's.
        BoxCase{"german_cancel", L"de", Action::kCancel, CustomMessageBox::kSecondButton, {},
                L"Velta-Installationsprogramm", L"Los!"}),
    [](const testing::TestParamInfo<BoxCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
