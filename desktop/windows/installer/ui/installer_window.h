// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_H_

#include <windows.h>

#include <stdint.h>

#include <string>

namespace velta {

// What the installer window reports: the user's decisions. Called on the
// main thread, in observer order.
class InstallerWindowDelegate {
 public:
  virtual ~InstallerWindowDelegate() = default;

  // Accept or Install, or the uninstallation confirmed.
  virtual void OnAcceptClicked() = 0;
  // Cancel, Close or Re-install confirmed, and after every error box.
  virtual void OnCancelClicked() = 0;
  // Try again.
  virtual void OnRetryClicked() = 0;
  // Get full installer.
  virtual void ObtainFullPackage() = 0;
};

// The installer's main window, as its controller sees it. Main thread only.
class InstallerWindow {
 public:
  virtual ~InstallerWindow() = default;

  virtual HWND GetHwnd() = 0;
  // Turns to the progress page.
  virtual void ShowInstallationProgress() = 0;
  // Shows `message` on the error page; `fetcher_error` is 1 when the package
  // fetcher reported it; `offer_full_package` shows Get full installer;
  // `failure_reason` goes to the page's statistics.
  virtual void DisplayError(const std::wstring& message,
                            uint32_t fetcher_error,
                            bool offer_full_package,
                            const std::string& failure_reason) = 0;
  // Shows `message` in a message box; closing it reports a cancel.
  virtual void ShowErrorMessageBox(const std::wstring& message) = 0;
  virtual void AddObserver(InstallerWindowDelegate* delegate) = 0;
  virtual void RemoveObserver(InstallerWindowDelegate* delegate) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_H_
