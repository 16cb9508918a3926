// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_UI_LOCK_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_UI_LOCK_H_

#include <stdint.h>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

namespace velta {

// One installer window per logon session: the window's owner keeps the file
// "velta_installer_ui.lck" of the temporary folder open with delete-on-close,
// holding the id of its window thread (4 bytes), so the file lives exactly
// as long as the owner's handle. A session-local named mutex guards the
// create-or-read step between installer processes. Main thread only.

// The lock file's path; false when the temporary folder is unknown.
bool GetUiLockFilePath(base::FilePath* path);

// Tries to become the owner. Returns the calling thread's id when it became
// the owner (then `lock_file` holds the open file; closing it gives the lock
// up), the owner's thread id when another process owns the lock, and 0 when
// the lock's state cannot be read (no temporary folder, a lock file that
// cannot be opened or holds fewer than 4 bytes): the caller then goes on as
// the only window.
uint32_t GetUiLock(base::win::ScopedHandle* lock_file);

// Logs that another installer window runs and brings the first enabled and
// visible top-level window of its thread `thread_id` to the front. False
// when that thread has no such window.
bool SwitchToUiThreadWindow(uint32_t thread_id);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_UI_LOCK_H_
