// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_MUTEX_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_MUTEX_H_

#include "base/win/scoped_handle.h"

namespace velta {

// A named mutex opened through WinApi::CreateMutex, acquired or not. A mutex
// belongs to the thread that acquired it: destroy this object on that thread,
// which releases the mutex and closes the handle. Owned by the caller.
class WinApiMutex {
 public:
  // Takes `handle` (may be invalid) and whether the calling thread acquired
  // the mutex.
  WinApiMutex(base::win::ScopedHandle handle, bool acquired);
  WinApiMutex(const WinApiMutex&) = delete;
  WinApiMutex& operator=(const WinApiMutex&) = delete;
  virtual ~WinApiMutex();

  virtual bool IsAcquired() const;
  // Closes the handle without releasing the mutex: the owning thread keeps
  // it until it ends, and the next waiter then sees it abandoned. Afterwards
  // the object holds nothing and is not acquired.
  virtual void Close();

 private:
  base::win::ScopedHandle handle_;
  bool acquired_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_MUTEX_H_
