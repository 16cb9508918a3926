// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"

#include <windows.h>

#include <vector>

#include "base/message_loop/message_loop_for_ui.h"
#include "base/run_loop.h"
#include "desktop/windows/installer/ui/window_dragger.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr WORD kFirstButton = 101;
constexpr WORD kSecondButton = 102;

void AppendWord(std::vector<WORD>* t, WORD w) {
  t->push_back(w);
}

void AppendDword(std::vector<WORD>* t, DWORD d) {
  t->push_back(LOWORD(d));
  t->push_back(HIWORD(d));
}

void AlignToDword(std::vector<WORD>* t) {
  if (t->size() % 2)
    t->push_back(0);
}

// An in-memory dialog template with two tab-stop push buttons.
std::vector<WORD> MakeTemplate() {
  std::vector<WORD> t;
  AppendDword(&t, WS_POPUP | WS_VISIBLE | DS_SETFONT);
  AppendDword(&t, 0);
  AppendWord(&t, 2);  // controls
  for (WORD v : {WORD{0}, WORD{0}, WORD{200}, WORD{100}})
    AppendWord(&t, v);
  AppendWord(&t, 0);  // no menu
  AppendWord(&t, 0);  // default class
  AppendWord(&t, 0);  // no title
  AppendWord(&t, 8);  // font size
  for (wchar_t c : std::wstring(L"MS Shell Dlg"))
    AppendWord(&t, c);
  AppendWord(&t, 0);
  for (WORD id : {kFirstButton, kSecondButton}) {
    AlignToDword(&t);
    AppendDword(&t, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON);
    AppendDword(&t, 0);
    const WORD top = id == kFirstButton ? 10 : 40;
    for (WORD v : {WORD{10}, top, WORD{80}, WORD{20}})
      AppendWord(&t, v);
    AppendWord(&t, id);
    AppendWord(&t, 0xFFFF);
    AppendWord(&t, 0x0080);  // button class
    AppendWord(&t, 0);       // no text
    AppendWord(&t, 0);       // no creation data
  }
  return t;
}

INT_PTR CALLBACK DialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class DialogDispatcherTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::vector<WORD> bytes = MakeTemplate();
    dialog_ = ::CreateDialogIndirectParamW(
        nullptr, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), nullptr, &DialogProc, 0);
    ASSERT_TRUE(dialog_) << ::GetLastError();
    ::SetForegroundWindow(dialog_);
    ::SetFocus(::GetDlgItem(dialog_, kFirstButton));
    ASSERT_EQ(kFirstButton, ::GetDlgCtrlID(::GetFocus()));
  }
  void TearDown() override {
    if (dialog_)
      ::DestroyWindow(dialog_);
  }

  MSG TabKeyDown() const {
    MSG message = {};
    message.hwnd = ::GetFocus();
    message.message = WM_KEYDOWN;
    message.wParam = VK_TAB;
    message.lParam = 0x000F0001;
    return message;
  }

  Win32DialogDispatcher dispatcher_;
  HWND dialog_ = nullptr;
};

TEST_F(DialogDispatcherTest, ActiveDialogTakesTabAndMovesTheFocus) {
  dispatcher_.SetActiveDialog(dialog_);
  EXPECT_EQ(base::MessagePumpDispatcher::POST_DISPATCH_NONE, dispatcher_.Dispatch(TabKeyDown()));
  EXPECT_EQ(kSecondButton, ::GetDlgCtrlID(::GetFocus()));
}

TEST_F(DialogDispatcherTest, WithoutActiveDialogEveryMessageIsLeftToTheLoop) {
  EXPECT_EQ(base::MessagePumpDispatcher::POST_DISPATCH_PERFORM_DEFAULT,
            dispatcher_.Dispatch(TabKeyDown()));
  EXPECT_EQ(kFirstButton, ::GetDlgCtrlID(::GetFocus()));
  // A message that is not the dialog's is not taken either.
  dispatcher_.SetActiveDialog(dialog_);
  MSG timer = {};
  timer.message = WM_NULL;
  EXPECT_EQ(base::MessagePumpDispatcher::POST_DISPATCH_PERFORM_DEFAULT, dispatcher_.Dispatch(timer));
}

TEST_F(DialogDispatcherTest, ClearingAnotherDialogKeepsTheActiveOne) {
  HWND other = reinterpret_cast<HWND>(0x1234);
  dispatcher_.SetActiveDialog(dialog_);
  dispatcher_.ClearActiveDialog(other);
  EXPECT_EQ(dialog_, dispatcher_.active_dialog());
  dispatcher_.ClearActiveDialog(dialog_);
  EXPECT_EQ(nullptr, dispatcher_.active_dialog());
}

// The run loop hands its messages to the dispatcher: a posted Tab walks the
// dialog's controls, forwards and back again.
TEST_F(DialogDispatcherTest, RunLoopOffersPostedKeysToTheActiveDialog) {
  base::MessageLoopForUI loop;
  Win32DialogDispatcher* dispatcher = Win32DialogDispatcher::GetInstance();
  ASSERT_EQ(dispatcher, Win32DialogDispatcher::GetInstance());
  dispatcher->SetActiveDialog(dialog_);
  const MSG tab = TabKeyDown();
  ::PostMessageW(tab.hwnd, tab.message, tab.wParam, tab.lParam);
  base::RunLoop(base::RunLoop::Type::kDefault, dispatcher).RunUntilIdle();
  EXPECT_EQ(kSecondButton, ::GetDlgCtrlID(::GetFocus()));
  const MSG next = TabKeyDown();
  ::PostMessageW(next.hwnd, next.message, next.wParam, next.lParam);
  base::RunLoop(base::RunLoop::Type::kDefault, dispatcher).RunUntilIdle();
  EXPECT_EQ(kFirstButton, ::GetDlgCtrlID(::GetFocus()));
  dispatcher->ClearActiveDialog(dialog_);
}

class WindowDraggerTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window_);
  }
  void TearDown() override { ::DestroyWindow(window_); }

  POINT Origin() const {
    RECT bounds = {};
    ::GetWindowRect(window_, &bounds);
    return {bounds.left, bounds.top};
  }

  HWND window_ = nullptr;
};

TEST_F(WindowDraggerTest, WindowFollowsTheCursorWhileCaptured) {
  {
    WindowDragger dragger(window_, 10, 10);
    EXPECT_EQ(window_, ::GetCapture());
    dragger.MoveTo(30, 15);
    EXPECT_EQ(120, Origin().x);
    EXPECT_EQ(105, Origin().y);
    // The cursor has not moved on screen: (10, 10) of the moved window is
    // where (30, 15) was before.
    dragger.MoveTo(10, 10);
    EXPECT_EQ(120, Origin().x);
    EXPECT_EQ(105, Origin().y);
    dragger.MoveTo(0, 0);
    EXPECT_EQ(110, Origin().x);
    EXPECT_EQ(95, Origin().y);
  }
  EXPECT_EQ(nullptr, ::GetCapture());
}

}  // namespace
}  // namespace velta
