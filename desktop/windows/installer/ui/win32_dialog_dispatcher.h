// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WIN32_DIALOG_DISPATCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WIN32_DIALOG_DISPATCHER_H_

#include <windows.h>

#include <stdint.h>

#include "base/message_loop/message_pump_dispatcher.h"

namespace velta {

// Lets the active modeless dialog see each message of the UI run loop first,
// so Tab, Enter, Escape and mnemonics work in dialogs that run inside the
// ordinary message loop. Dialogs register when they are activated and
// unregister when they are deactivated (WM_ACTIVATE). One per process, made
// on first use and destroyed at exit; main thread only.
class Win32DialogDispatcher : public base::MessagePumpDispatcher {
 public:
  static Win32DialogDispatcher* GetInstance();

  // Use GetInstance(); public only for the process-wide holder and tests.
  Win32DialogDispatcher();
  Win32DialogDispatcher(const Win32DialogDispatcher&) = delete;
  Win32DialogDispatcher& operator=(const Win32DialogDispatcher&) = delete;
  ~Win32DialogDispatcher() override;

  // `dialog` becomes the dialog that sees keyboard messages first.
  void SetActiveDialog(HWND dialog);
  // No dialog is active afterwards when `dialog` was the active one; another
  // dialog that took over in the meantime stays active.
  void ClearActiveDialog(HWND dialog);
  HWND active_dialog() const { return active_dialog_; }

  // base::MessagePumpDispatcher: POST_DISPATCH_NONE when the active dialog
  // handled `message`, POST_DISPATCH_PERFORM_DEFAULT otherwise.
  uint32_t Dispatch(const MSG& message) override;

 private:
  HWND active_dialog_ = nullptr;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WIN32_DIALOG_DISPATCHER_H_
