// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/custom_message_box.h"

#include <windows.h>

#include <richedit.h>

#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop_for_ui.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"
#include "testing/host_resources.h"

namespace velta {
namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

// The text of a rich-edit control, read without touching its formatting.
std::wstring RichTextOf(HWND edit) {
  wchar_t text[512] = {};
  GETTEXTEX query = {sizeof(text), GT_DEFAULT, 1200, nullptr, nullptr};
  ::SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                 reinterpret_cast<LPARAM>(text));
  return text;
}

// The box over the real host's English strings, owned by a test window.
class CustomMessageBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    RichStatic::InitializeLibraries();
    ASSERT_TRUE(host_.module());
    handler_ = std::make_unique<ResourceL10nHandler>(host_.module());
    std::wstring language = L"en-US";
    handler_->SelectLanguage(&language);
    override_ = std::make_unique<base::ProcessWide<L10nHandler>::ScopedOverride>(handler_.get());
    owner_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0,
                               100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner_);
  }
  void TearDown() override {
    box_.reset();
    if (owner_)
      ::DestroyWindow(owner_);
    override_.reset();
  }

  bool ShowCorruptedPayloadBox(uint32_t first_button) {
    box_ = std::make_unique<CustomMessageBox>();
    return box_->Show(owner_, IDS_CORRUPTED_TITLE, GetL10nString(IDS_CORRUPTED_TEXT), first_button,
                      IDS_CORRUPTED_CANCEL,
                      base::BindRepeating([](std::vector<uint32_t>* seen,
                                             uint32_t outcome) { seen->push_back(outcome); },
                                          &outcomes_));
  }

  // Posts a key to the focused control and lets the loop (with the
  // dispatcher) handle it, as the installer's UI loop does.
  void PressKey(UINT message, WPARAM key, LPARAM flags) {
    ::SetForegroundWindow(box_->hwnd());
    ASSERT_EQ(box_->hwnd(), Win32DialogDispatcher::GetInstance()->active_dialog());
    HWND target = ::GetFocus() ? ::GetFocus() : box_->hwnd();
    ::PostMessageW(target, message, key, flags);
    base::RunLoop(base::RunLoop::Type::kDefault, Win32DialogDispatcher::GetInstance())
        .RunUntilIdle();
  }

  base::MessageLoopForUI loop_;
  test::ScopedHostResources host_;
  std::unique_ptr<ResourceL10nHandler> handler_;
  std::unique_ptr<base::ProcessWide<L10nHandler>::ScopedOverride> override_;
  HWND owner_ = nullptr;
  std::unique_ptr<CustomMessageBox> box_;
  std::vector<uint32_t> outcomes_;
};

TEST_F(CustomMessageBoxTest, ShowsLocalisedTextsAndDisablesTheOwner) {
  ASSERT_TRUE(ShowCorruptedPayloadBox(IDS_CORRUPTED_GO));
  EXPECT_EQ(L"Velta installer", TextOf(box_->hwnd()));
  EXPECT_EQ(L"Go!", TextOf(::GetDlgItem(box_->hwnd(), IDC_MESSAGE_BOX_FIRST)));
  EXPECT_EQ(L"Cancel", TextOf(::GetDlgItem(box_->hwnd(), IDC_MESSAGE_BOX_SECOND)));
  EXPECT_EQ(L"This installer file is damaged and cannot be used. Please download Velta again "
            L"from www.velta.example.",
            RichTextOf(::GetDlgItem(box_->hwnd(), IDC_MESSAGE_BOX_TEXT)));
  EXPECT_FALSE(::IsWindowEnabled(owner_));
  box_->Destroy();
  EXPECT_TRUE(::IsWindowEnabled(owner_));
  EXPECT_TRUE(outcomes_.empty());
  box_->Destroy();  // twice is harmless
}

struct ClickCase {
  const char* name;
  int control;
  uint32_t outcome;
};

class CustomMessageBoxClickTest : public CustomMessageBoxTest,
                                  public testing::WithParamInterface<ClickCase> {};

TEST_P(CustomMessageBoxClickTest, ReportsTheButton) {
  ASSERT_TRUE(ShowCorruptedPayloadBox(IDS_CORRUPTED_GO));
  ::SendMessageW(::GetDlgItem(box_->hwnd(), GetParam().control), BM_CLICK, 0, 0);
  EXPECT_EQ(std::vector<uint32_t>{GetParam().outcome}, outcomes_);
}

INSTANTIATE_TEST_SUITE_P(Cases,
                         CustomMessageBoxClickTest,
                         testing::Values(ClickCase{"First", IDC_MESSAGE_BOX_FIRST, 1},
                                         ClickCase{"Second", IDC_MESSAGE_BOX_SECOND, 2}),
                         [](const testing::TestParamInfo<ClickCase>& info) {
                           return info.param.name;
                         });

TEST_F(CustomMessageBoxTest, EnterPressesTheSecondButtonWhenThereIsNoFirst) {
  ASSERT_TRUE(ShowCorruptedPayloadBox(0));
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(box_->hwnd(), IDC_MESSAGE_BOX_FIRST)));
  PressKey(WM_KEYDOWN, VK_RETURN, 0x001C0001);
  EXPECT_EQ(std::vector<uint32_t>{2}, outcomes_);
}

TEST_F(CustomMessageBoxTest, AltF4ReportsClosed) {
  ASSERT_TRUE(ShowCorruptedPayloadBox(IDS_CORRUPTED_GO));
  PressKey(WM_SYSKEYDOWN, VK_F4, 0x203E0001);  // bit 29: Alt is down
  EXPECT_EQ(std::vector<uint32_t>{0}, outcomes_);
}

TEST_F(CustomMessageBoxTest, LinkClickReportsThree) {
  ASSERT_TRUE(ShowCorruptedPayloadBox(IDS_CORRUPTED_GO));
  HWND edit = ::GetDlgItem(box_->hwnd(), IDC_MESSAGE_BOX_TEXT);
  const std::wstring plain = RichTextOf(edit);
  const LONG at = static_cast<LONG>(plain.find(L"www.velta.example")) + 3;
  POINTL point = {};
  ::SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), at);
  const LPARAM where = MAKELPARAM(point.x + 2, point.y + 4);
  ::SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, where);
  ::SendMessageW(edit, WM_LBUTTONUP, 0, where);
  EXPECT_EQ(std::vector<uint32_t>{3}, outcomes_);
}

TEST_F(CustomMessageBoxTest, CallbackMayDestroyTheBox) {
  box_ = std::make_unique<CustomMessageBox>();
  ASSERT_TRUE(box_->Show(owner_, IDS_CORRUPTED_TITLE, L"Text", IDS_CORRUPTED_GO,
                         IDS_CORRUPTED_CANCEL,
                         base::BindRepeating(
                             [](std::unique_ptr<CustomMessageBox>* box, uint32_t) { box->reset(); },
                             &box_)));
  ::SendMessageW(::GetDlgItem(box_->hwnd(), IDC_MESSAGE_BOX_SECOND), BM_CLICK, 0, 0);
  EXPECT_EQ(nullptr, box_);
  EXPECT_TRUE(::IsWindowEnabled(owner_));
}

// Mended: the owner going first takes the box with it; the box survives it.
TEST_F(CustomMessageBoxTest, SurvivesItsOwnerGoingFirst) {
  ASSERT_TRUE(ShowCorruptedPayloadBox(IDS_CORRUPTED_GO));
  HWND dialog = box_->hwnd();
  ::DestroyWindow(owner_);
  owner_ = nullptr;
  EXPECT_FALSE(::IsWindow(dialog));
  EXPECT_EQ(nullptr, box_->hwnd());
  box_->Destroy();
  EXPECT_EQ(nullptr, Win32DialogDispatcher::GetInstance()->active_dialog());
}

}  // namespace
}  // namespace velta
