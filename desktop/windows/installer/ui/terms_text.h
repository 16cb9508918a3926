// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_TERMS_TEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_TERMS_TEXT_H_

#include <windows.h>

#include <string>

namespace velta {

// The terms for the terms page: the host's "TXT" 142 (UTF-8) up to its
// first NUL, or its end when it has none, each line feed made a carriage
// return and line feed for the edit control. Nothing is read past the
// resource's size. Empty when the resource is missing. `module` null is the
// running executable (the host).
std::wstring LoadTermsText(HMODULE module = nullptr);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_TERMS_TEXT_H_
