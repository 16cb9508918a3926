// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_OPENER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_OPENER_H_

#include <string>

namespace velta {

// Hands web pages to a browser. One process-wide opener (see
// base::ProcessWide): the shell's, made on first use; tests put a fake in its
// place with base::ProcessWide<WebPageOpener>::ScopedOverride, so they see
// which pages the installer opened and no browser starts. Callers go through
// OpenWebPage and OpenWebPageWithProgram, which log the page. Main thread
// only.
class WebPageOpener {
 public:
  virtual ~WebPageOpener() = default;

  static WebPageOpener* GetInstance();

  // Opens `url` in the user's default browser; a failure is logged.
  virtual void Open(const std::wstring& url) = 0;
  // Opens `url` with the browser `program`, whose environment variables
  // ("%ProgramFiles%") are expanded; a failure is logged.
  virtual void OpenWithProgram(const std::wstring& program, const std::wstring& url) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_OPENER_H_
