// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_for_ui.h"

#include <windows.h>

#include "base/logging.h"
#include "base/message_loop/message_pump_dispatcher.h"

namespace base {
namespace {

// Posted to the message window to wake the pump.
constexpr UINT kMsgHaveWork = WM_USER + 1;
constexpr wchar_t kWindowClassName[] = L"VeltaMessagePumpWindow";

}  // namespace

struct MessagePumpForUI::WindowProcedure {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* pump = reinterpret_cast<MessagePumpForUI*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (pump) {
      switch (message) {
        case kMsgHaveWork:
          pump->HandleWorkMessage();
          return 0;
        case WM_TIMER:
          pump->HandleTimerMessage();
          return 0;
        default:
          break;
      }
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  static ATOM RegisterClassOnce() {
    static const ATOM atom = [] {
      WNDCLASSEXW window_class = {};
      window_class.cbSize = sizeof(window_class);
      window_class.lpfnWndProc = &Proc;
      window_class.hInstance = ::GetModuleHandleW(nullptr);
      window_class.lpszClassName = kWindowClassName;
      const ATOM registered = ::RegisterClassExW(&window_class);
      PCHECK(registered) << "Cannot register the message pump's window class";
      return registered;
    }();
    return atom;
  }
};

MessagePumpForUI::MessagePumpForUI() {
  const ATOM atom = WindowProcedure::RegisterClassOnce();
  message_window_ = ::CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, ::GetModuleHandleW(nullptr), nullptr);
  // Without its window the pump cannot be woken by other threads.
  PCHECK(message_window_) << "Cannot create the message pump's window";
  ::SetWindowLongPtrW(message_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessagePumpForUI::~MessagePumpForUI() {
  ::SetWindowLongPtrW(message_window_, GWLP_USERDATA, 0);
  ::DestroyWindow(message_window_);
}

bool MessagePumpForUI::PostWakeUp() {
  return ::PostMessageW(message_window_, kMsgHaveWork, 0, 0);
}

void MessagePumpForUI::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  delayed_work_time_ = delayed_work_time;
  // The timer makes the task come due even inside a modal loop that is not
  // ours; our own loop waits with a time-out instead.
  const DWORD delay_ms = GetCurrentDelay();
  ::SetTimer(message_window_, reinterpret_cast<UINT_PTR>(this),
             delay_ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : delay_ms, nullptr);
}

void MessagePumpForUI::WaitForWork() {
  // MWMO_INPUTAVAILABLE: also wake for messages already in the queue that an
  // earlier PeekMessage saw but left there.
  const DWORD result = ::MsgWaitForMultipleObjectsEx(0, nullptr, GetCurrentDelay(), QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
  if (result == WAIT_FAILED) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "MsgWaitForMultipleObjectsEx failed: " << logging::SystemErrorCodeToString(error);
  }
}

bool MessagePumpForUI::ProcessNativeWork() {
  MSG message;
  if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    return false;

  if (message.message == WM_QUIT) {
    // Ends this Run(); posted again so that enclosing loops end as well.
    state_->should_quit = true;
    ::PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }

  if (message.hwnd == message_window_) {
    // Our own wake-up and timer messages: the loop does the work next.
    if (message.message == kMsgHaveWork) {
      have_work_ = false;
      return true;
    }
    if (message.message == WM_TIMER) {
      ::KillTimer(message_window_, reinterpret_cast<UINT_PTR>(this));
      return true;
    }
  }

  uint32_t action = MessagePumpDispatcher::POST_DISPATCH_PERFORM_DEFAULT;
  if (MessagePumpDispatcher* dispatcher = state_->delegate->GetDispatcher())
    action = dispatcher->Dispatch(message);
  if (action & MessagePumpDispatcher::POST_DISPATCH_PERFORM_DEFAULT) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // state_ is read again: the dispatch may have run (and left) a nested loop.
  if (action & MessagePumpDispatcher::POST_DISPATCH_QUIT_LOOP)
    state_->should_quit = true;
  return true;
}

void MessagePumpForUI::HandleWorkMessage() {
  have_work_ = false;
  // Dispatched by a loop not ours outside any Run(): nothing to run on.
  if (!state_)
    return;
  // A modal loop inside a task: the delegate refuses to nest unless allowed,
  // and our loop picks the work up once the modal loop ends.
  if (state_->delegate->DoWork())
    ScheduleWork();
}

void MessagePumpForUI::HandleTimerMessage() {
  ::KillTimer(message_window_, reinterpret_cast<UINT_PTR>(this));
  if (!state_)
    return;
  state_->delegate->DoDelayedWork(&delayed_work_time_);
  if (!delayed_work_time_.is_null())
    ScheduleDelayedWork(delayed_work_time_);
}

}  // namespace base
