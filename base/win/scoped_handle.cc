// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_handle.h"

#include <windows.h>

namespace base::win {

namespace internal {

uint32_t GetThreadLastError() {
  return ::GetLastError();
}

void SetThreadLastError(uint32_t error) {
  ::SetLastError(error);
}

}  // namespace internal

bool HandleTraits::CloseHandle(Handle handle) {
  return ::CloseHandle(handle) != FALSE;
}

}  // namespace base::win
