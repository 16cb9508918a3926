// Copyright 2026 Velta Software. All rights reserved.

#include "base/lazy_instance.h"

#include "base/threading/platform_thread.h"

namespace base::internal {

uintptr_t WaitForLazyInstance(const std::atomic<uintptr_t>* state) {
  // Construction is short and rare; yielding beats a kernel object here.
  for (;;) {
    const uintptr_t value = state->load(std::memory_order_acquire);
    if (value > kLazyInstanceStateCreating)
      return value;
    PlatformThread::YieldCurrentThread();
  }
}

}  // namespace base::internal
