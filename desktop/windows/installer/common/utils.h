// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_UTILS_H_

#include <stdint.h>

#include <string>

// Free functions the whole installer shares: path and object-name helpers,
// user names, the installer's registry paths and the English text of a system
// error. None keeps state; all may be called from any thread.

namespace velta {

// The English text of a Windows error `code`, white space collapsed, followed
// by " (0x<code in hex>)", e.g. "Access is denied. (0x5)". When the system has
// no text for the code: "Error (0x<last error>) while retrieving error.
// (0x<code>)".
std::string FormatSystemErrorMessage(uint32_t code);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_UTILS_H_
