// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_mutex.h"

#include <windows.h>

#include <utility>

#include "base/logging.h"

namespace velta {

WinApiMutex::WinApiMutex(base::win::ScopedHandle handle, bool acquired)
    : handle_(std::move(handle)), acquired_(acquired && handle_.IsValid()) {}

WinApiMutex::~WinApiMutex() {
  if (acquired_ && !::ReleaseMutex(handle_.Get()))
    PLOG(ERROR) << "Cannot release the mutex";
}

bool WinApiMutex::IsAcquired() const {
  return acquired_;
}

void WinApiMutex::Close() {
  handle_.Close();
  acquired_ = false;
}

}  // namespace velta
