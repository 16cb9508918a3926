// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/pending_work_counter.h"

#include <windows.h>

#include "base/no_destructor.h"

namespace velta {

PendingWorkCounter::PendingWorkCounter() = default;

PendingWorkCounter::~PendingWorkCounter() = default;

bool PendingWorkCounter::Init() {
  idle_event_.Set(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return idle_event_.IsValid();
}

void PendingWorkCounter::Increment() {
  count_.fetch_add(1);
}

void PendingWorkCounter::Decrement() {
  if (count_.fetch_sub(1) == 1 && idle_event_.IsValid())
    ::SetEvent(idle_event_.Get());
}

bool PendingWorkCounter::WaitUntilIdle() {
  if (!idle_event_.IsValid())
    return false;
  return ::WaitForSingleObject(idle_event_.Get(), INFINITE) == WAIT_OBJECT_0;
}

PendingWorkCounter& GetPendingWorkCounter() {
  static base::NoDestructor<PendingWorkCounter> counter;
  return *counter;
}

}  // namespace velta
