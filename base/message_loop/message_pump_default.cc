// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_default.h"

#include <windows.h>

namespace base {

MessagePumpDefault::MessagePumpDefault() = default;
MessagePumpDefault::~MessagePumpDefault() = default;

bool MessagePumpDefault::PostWakeUp() {
  event_.Signal();
  return true;
}

void MessagePumpDefault::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  // Called on the pump's thread between work items; the next wait uses it.
  delayed_work_time_ = delayed_work_time;
}

bool MessagePumpDefault::ProcessNativeWork() {
  return false;
}

void MessagePumpDefault::WaitForWork() {
  if (::WaitForSingleObject(event_.handle(), GetCurrentDelay()) == WAIT_OBJECT_0) {
    // The wake-up is taken; posts from now on signal again. A post in
    // between finds its task run by the DoWork that follows.
    have_work_ = false;
  }
}

}  // namespace base
