// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_DEFAULT_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_DEFAULT_H_

#include "base/message_loop/message_pump_win.h"
#include "base/synchronization/waitable_event.h"

namespace base {

// The pump of a TYPE_DEFAULT loop: tasks only, waiting on an event. Windows
// messages are not pumped; use the UI pump on a thread with windows.
class MessagePumpDefault : public MessagePumpWin {
 public:
  MessagePumpDefault();
  ~MessagePumpDefault() override;

  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

 private:
  bool PostWakeUp() override;
  // No native work: tasks only.
  bool ProcessNativeWork() override;
  void WaitForWork() override;

  WaitableEvent event_{WaitableEvent::ResetPolicy::AUTOMATIC};
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_DEFAULT_H_
