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

void MessagePumpWin::Quit() {
  DCHECK(state_) << "Quit outside Run";
  if (state_)
    state_->should_quit = true;
}

unsigned long MessagePumpWin::GetCurrentDelay() const {
  if (delayed_work_time_.is_null())
    return INFINITE;
  const int64_t delay_ms = (delayed_work_time_ - TimeTicks::Now()).InMillisecondsRoundedUp();
  return static_cast<DWORD>(std::clamp<int64_t>(delay_ms, 0, INFINITE - 1));
}

}  // namespace base
