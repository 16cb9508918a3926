// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_OPENER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_OPENER_IMPL_H_

#include <string>

#include "desktop/windows/installer/ui/web_page_opener.h"

namespace velta {

// The shell's "open" verb: the default browser for an address, the given
// program for OpenWithProgram.
class WebPageOpenerImpl : public WebPageOpener {
 public:
  WebPageOpenerImpl() = default;
  WebPageOpenerImpl(const WebPageOpenerImpl&) = delete;
  WebPageOpenerImpl& operator=(const WebPageOpenerImpl&) = delete;
  ~WebPageOpenerImpl() override = default;

  // WebPageOpener:
  void Open(const std::wstring& url) override;
  void OpenWithProgram(const std::wstring& program, const std::wstring& url) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_OPENER_IMPL_H_
