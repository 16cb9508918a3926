// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_FOR_UI_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_FOR_UI_H_

#include "base/message_loop/message_pump_win.h"

struct HWND__;

namespace base {

// The pump of a TYPE_UI loop: a Win32 message loop that also runs tasks.
//
// It waits in MsgWaitForMultipleObjectsEx, so windows stay responsive while
// no task runs. A task posted from another thread wakes it by a message
// posted to the pump's message-only window; a delayed task by the wait's
// time-out, and by a timer on that window so that delayed tasks also come
// due inside a modal loop the system runs (a message box, a menu).
//
// Every other message is first offered to the dispatcher of the innermost
// run loop (see MessagePumpDispatcher), then translated and dispatched as
// its answer says; without a dispatcher it is translated and dispatched.
// WM_QUIT ends the innermost Run() and is posted again, so each enclosing
// Run() ends too.
//
// Made and used on one thread, whose message queue it owns.
class MessagePumpForUI : public MessagePumpWin {
 public:
  MessagePumpForUI();
  ~MessagePumpForUI() override;

  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

 private:
  // The message window's procedure, defined with the Win32 types in the .cc.
  struct WindowProcedure;
  friend struct WindowProcedure;

  bool PostWakeUp() override;
  // Takes and handles one message; false when the queue was empty or the
  // message was WM_QUIT.
  bool ProcessNativeWork() override;
  void WaitForWork() override;
  // Work messages dispatched to the window by a loop not ours (a modal one).
  void HandleWorkMessage();
  void HandleTimerMessage();

  HWND__* message_window_ = nullptr;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_FOR_UI_H_
