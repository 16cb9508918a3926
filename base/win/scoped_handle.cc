// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_handle.h"

#include <windows.h>

namespace base::win {

bool HandleTraits::CloseHandle(Handle handle) {
  // The caller may be about to read the error of the call that failed after
  // this handle was replaced: keep it.
  const DWORD last_error = ::GetLastError();
  const bool closed = ::CloseHandle(handle) != FALSE;
  ::SetLastError(last_error);
  return closed;
}

}  // namespace base::win
