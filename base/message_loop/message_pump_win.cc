// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_win.h"

#include <windows.h>

#include <algorithm>

#include "base/logging.h"

namespace base {

MessagePumpWin::MessagePumpWin() = default;
MessagePumpWin::~MessagePumpWin() = default;

void MessagePumpWin::Run(Delegate* delegate) {
  RunState state;
  state.delegate = delegate;
  RunState* const previous_state = state_;
  state_ = &state;
  DoRunLoop();
  state_ = previous_state;
}

void MessagePumpWin::DoRunLoop() {
  for (;;) {
    bool more_work_is_plausible = ProcessNativeWork();
    if (state_->should_quit)
      break;
    more_work_is_plausible |= state_->delegate->DoWork();
    if (state_->should_quit)
      break;
    more_work_is_plausible |= state_->delegate->DoDelayedWork(&delayed_work_time_);
    if (state_->should_quit)
      break;
    if (more_work_is_plausible)
      continue;
    more_work_is_plausible = state_->delegate->DoIdleWork();
    if (state_->should_quit)
      break;
    if (more_work_is_plausible)
      continue;
    WaitForWork();
  }
}

void MessagePumpWin::Quit() {
  DCHECK(state_) << "Quit outside Run";
  if (state_)
    state_->should_quit = true;
}

void MessagePumpWin::ScheduleWork() {
  if (have_work_.exchange(true))
    return;  // a wake-up is already on its way
  if (PostWakeUp())
    return;
  // The queue is full or gone: clear the flag so a later post tries again.
  // The loop runs tasks on every turn, so only the wake-up is late.
  const DWORD error = ::GetLastError();
  have_work_ = false;
  LOG(ERROR) << "Cannot wake the message loop: " << logging::SystemErrorCodeToString(error);
}

unsigned long MessagePumpWin::GetCurrentDelay() const {
  if (delayed_work_time_.is_null())
    return INFINITE;
  const int64_t delay_ms = (delayed_work_time_ - TimeTicks::Now()).InMillisecondsRoundedUp();
  return static_cast<DWORD>(std::clamp<int64_t>(delay_ms, 0, INFINITE - 1));
}

}  // namespace base
