// Copyright 2026 Velta Software. All rights reserved.

#include "base/synchronization/condition_variable.h"

#include <windows.h>

#include <stdint.h>

#include <algorithm>

#include "base/logging.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"

namespace base {
namespace {

static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*) &&
                  alignof(CONDITION_VARIABLE) <= alignof(void*),
              "ConditionVariable keeps the CONDITION_VARIABLE in a pointer-sized field");

CONDITION_VARIABLE* NativeCondition(void** field) {
  return reinterpret_cast<CONDITION_VARIABLE*>(field);
}

SRWLOCK* NativeLock(void** field) {
  return reinterpret_cast<SRWLOCK*>(field);
}

// The longest wait that is not INFINITE.
constexpr DWORD kMaxFiniteWaitMs = INFINITE - 1;

}  // namespace

ConditionVariable::ConditionVariable(Lock* user_lock) : user_lock_(user_lock) {
  DCHECK(user_lock_);
  ::InitializeConditionVariable(NativeCondition(&native_condition_));
}

// A CONDITION_VARIABLE holds no resources.
ConditionVariable::~ConditionVariable() = default;

void ConditionVariable::Wait() {
  TimedWait(TimeDelta::Max());
}

void ConditionVariable::TimedWait(const TimeDelta& max_time) {
  DWORD timeout_ms = INFINITE;
  if (!max_time.is_max()) {
    timeout_ms = max_time >= TimeDelta::FromMilliseconds(kMaxFiniteWaitMs)
                     ? kMaxFiniteWaitMs
                     : static_cast<DWORD>(std::max<int64_t>(0, max_time.InMillisecondsRoundedUp()));
  }
  user_lock_->CheckHeldAndUnmark();
  const BOOL woken = ::SleepConditionVariableSRW(NativeCondition(&native_condition_),
                                                 NativeLock(&user_lock_->native_lock_),
                                                 timeout_ms, 0);
  const DWORD error = woken ? ERROR_SUCCESS : ::GetLastError();
  // The lock is held again on every return, a time-out included.
  user_lock_->CheckUnheldAndMark();
  DCHECK(woken || error == ERROR_TIMEOUT) << "SleepConditionVariableSRW failed: "
                                          << logging::SystemErrorCodeToString(error);
}

void ConditionVariable::Broadcast() {
  ::WakeAllConditionVariable(NativeCondition(&native_condition_));
}

void ConditionVariable::Signal() {
  ::WakeConditionVariable(NativeCondition(&native_condition_));
}

}  // namespace base
