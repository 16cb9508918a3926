// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CUSTOM_MESSAGE_BOX_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CUSTOM_MESSAGE_BOX_H_

#include <windows.h>

#include <stdint.h>

#include <memory>
#include <string>

#include "base/callback.h"

namespace velta {

class RichStatic;

// A modeless message box from the host's dialog template 102: a text that
// may hold links, and one or two buttons with localised texts. Instead of
// returning a button it reports the user's choice to a callback:
// 0 closed (system menu, Alt+F4), 1 first button, 2 second button, 3 a link
// in the text. It disables its owner while it is shown. Main thread only;
// its keyboard messages reach it through Win32DialogDispatcher.
class CustomMessageBox {
 public:
  enum Outcome : uint32_t { kClosed = 0, kFirstButton = 1, kSecondButton = 2, kLinkClicked = 3 };
  using Callback = base::RepeatingCallback<void(uint32_t outcome)>;

  CustomMessageBox();
  CustomMessageBox(const CustomMessageBox&) = delete;
  CustomMessageBox& operator=(const CustomMessageBox&) = delete;
  ~CustomMessageBox();

  // Shows the box once: title string `title_id`, `text` in the link markup,
  // buttons `first_button_id` (0: none, the second is then the default) and
  // `second_button_id`. `owner` may be null. False when the box cannot be
  // made. The callback may destroy the box.
  bool Show(HWND owner, uint32_t title_id, const std::wstring& text, uint32_t first_button_id,
            uint32_t second_button_id, Callback callback);
  // Closes the box and enables the owner again; safe to call twice and
  // after the owner (and with it the box) is gone.
  void Destroy();

  HWND hwnd() const { return dialog_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  // Runs the callback; the box may be gone when it returns.
  void Report(uint32_t outcome);

  HWND dialog_ = nullptr;
  HWND owner_ = nullptr;
  std::unique_ptr<RichStatic> text_;
  Callback callback_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CUSTOM_MESSAGE_BOX_H_
