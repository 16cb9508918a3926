// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_APP_OUTPUT_LOCK_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_APP_OUTPUT_LOCK_H_

namespace base {
class Lock;
}

namespace velta {

// The process-wide lock held while a child's output is captured through an
// inheritable pipe, and while the main-process runner holds an inheritable
// duplicate of its own process handle: no other child may be started (and so
// inherit those handles) meanwhile. Made on first use.
base::Lock& GetAppOutputLock();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_APP_OUTPUT_LOCK_H_
