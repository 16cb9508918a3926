// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_default.h"

#include <windows.h>

namespace base {

MessagePumpDefault::MessagePumpDefault() = default;
MessagePumpDefault::~MessagePumpDefault() = default;

void MessagePumpDefault::ScheduleWork() {
  // An automatic-reset event remembers one signal: nothing is lost when the
  // pump is busy, and a burst of posts costs one wake-up.
  event_.Signal();
}

void MessagePumpDefault::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  // Called on the pump's thread between work items; the next wait uses it.
  delayed_work_time_ = delayed_work_time;
}

void MessagePumpDefault::DoRunLoop() {
  for (;;) {
    bool did_work = state_->delegate->DoWork();
    if (state_->should_quit)
      break;
    did_work |= state_->delegate->DoDelayedWork(&delayed_work_time_);
    if (state_->should_quit)
      break;
    if (did_work)
      continue;
    did_work = state_->delegate->DoIdleWork();
    if (state_->should_quit)
      break;
    if (did_work)
      continue;
    ::WaitForSingleObject(event_.handle(), GetCurrentDelay());
  }
}

}  // namespace base
