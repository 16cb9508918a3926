// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_PACKAGE_FETCH_PROGRESS_DELEGATE_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_PACKAGE_FETCH_PROGRESS_DELEGATE_H_

#include <stdint.h>

namespace velta {

// Where the downloader reports the progress of a transfer, on its own
// thread; the delegate proxy forwards it to the controller.
class PackageFetchProgressDelegate {
 public:
  virtual ~PackageFetchProgressDelegate() = default;

  virtual void SetTotalProgress(uint32_t total) = 0;
  virtual void SetCurrentProgress(uint32_t current) = 0;
  // The third and every later retry in a row: the transfer is stalled.
  // `code` is the WinINet error or HTTP status of the failure.
  virtual void NotifyStalled(uint32_t code) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_PACKAGE_FETCH_PROGRESS_DELEGATE_H_
