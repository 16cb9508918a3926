// Copyright 2026 Velta Software. All rights reserved.

#include "base/synchronization/waitable_event.h"

#include <windows.h>

#include <algorithm>

#include "base/logging.h"

namespace base {
namespace {

// Waits of this length or longer are split, as INFINITE is 0xFFFFFFFF ms.
constexpr int64_t kMaxWaitChunkMs = INFINITE - 1;

}  // namespace

WaitableEvent::WaitableEvent(ResetPolicy reset_policy, InitialState initial_state)
    : handle_(::CreateEventW(nullptr,
                             reset_policy == ResetPolicy::MANUAL,
                             initial_state == InitialState::SIGNALED,
                             nullptr)) {
  // Without the event nothing can wait or be woken: not worth running on.
  PCHECK(handle_) << "Cannot create event";
}

WaitableEvent::~WaitableEvent() {
  ::CloseHandle(handle_);
}

void WaitableEvent::Reset() {
  ::ResetEvent(handle_);
}

void WaitableEvent::Signal() {
  ::SetEvent(handle_);
}

bool WaitableEvent::IsSignaled() {
  return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0;
}

void WaitableEvent::Wait() {
  const DWORD result = ::WaitForSingleObject(handle_, INFINITE);
  DPCHECK(result == WAIT_OBJECT_0) << "WaitForSingleObject failed";
}

bool WaitableEvent::TimedWait(TimeDelta wait_delta) {
  if (wait_delta.is_max()) {
    Wait();
    return true;
  }
  const TimeTicks end = TimeTicks::Now() + std::max(wait_delta, TimeDelta());
  for (;;) {
    const int64_t remaining_ms =
        std::max<int64_t>(0, (end - TimeTicks::Now()).InMillisecondsRoundedUp());
    const DWORD result =
        ::WaitForSingleObject(handle_, static_cast<DWORD>(std::min(remaining_ms, kMaxWaitChunkMs)));
    if (result == WAIT_OBJECT_0)
      return true;
    DPCHECK(result == WAIT_TIMEOUT) << "WaitForSingleObject failed";
    // Windows may wake a little before the due time: never report early.
    if (TimeTicks::Now() >= end)
      return false;
  }
}

size_t WaitableEvent::WaitMany(WaitableEvent** events, size_t count) {
  CHECK(count > 0 && count <= MAXIMUM_WAIT_OBJECTS) << "WaitMany takes 1 to 64 events";
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  for (size_t i = 0; i < count; ++i)
    handles[i] = events[i]->handle();
  const DWORD result =
      ::WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, INFINITE);
  PCHECK(result < WAIT_OBJECT_0 + count) << "WaitForMultipleObjects failed";
  return result - WAIT_OBJECT_0;
}

}  // namespace base
