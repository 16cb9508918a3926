// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/app_output_lock.h"

#include "base/synchronization/lock.h"

namespace velta {

base::Lock& GetAppOutputLock() {
  // Thread-safe static initialisation; destroyed at exit.
  static base::Lock lock;
  return lock;
}

}  // namespace velta
