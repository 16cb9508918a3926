// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_H_

#include <string>

namespace velta {

// Opens `url` in the user's browser with the shell's "open" verb and logs
// "Opening web page " with the address. Main thread only.
void OpenWebPage(const std::wstring& url);

// Opens `url` with the browser `program` (environment variables such as
// "%ProgramFiles%" are expanded), for a page that must not open in the
// default browser; logs "Opening web page " with the address and the
// program. Main thread only.
void OpenWebPageWithProgram(const std::wstring& program, const std::wstring& url);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_H_
