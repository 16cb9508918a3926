// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CORRUPTED_PAYLOAD_BOX_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CORRUPTED_PAYLOAD_BOX_H_

#include <stdint.h>

#include <string>

namespace velta {

// Tells the user that the installer file is damaged: selects `language` (a
// code of the language list, empty for the system's choice), shows the
// message box of strings 37071 to 37074 ("Go!" and "Cancel") and pumps the
// thread's messages through the dialog dispatcher until the box is gone.
// "Go!" and the link in the text open the company's home page; "Cancel" and
// closing the box open nothing. Returns the box's outcome
// (CustomMessageBox::Outcome), or false in `shown` when the box could not be
// made. Works under either kind of message loop: the pump is its own.
uint32_t RunCorruptedPayloadBox(const std::wstring& language, bool* shown);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CORRUPTED_PAYLOAD_BOX_H_
