// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_FAKE_WEB_PAGE_OPENER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_FAKE_WEB_PAGE_OPENER_H_

#include <string>
#include <utility>
#include <vector>

#include "base/process_wide.h"
#include "desktop/windows/installer/ui/web_page_opener.h"

namespace velta {

// Stands in for the process's web page opener while alive and records the
// pages it is asked to open; no browser starts. The lists are not owned and
// outlive the fake.
class FakeWebPageOpener : public WebPageOpener {
 public:
  // Records each address, whatever the program.
  explicit FakeWebPageOpener(std::vector<std::wstring>* urls);
  // Records each program (empty for the default browser) with its address.
  explicit FakeWebPageOpener(std::vector<std::pair<std::wstring, std::wstring>>* pages);
  FakeWebPageOpener(const FakeWebPageOpener&) = delete;
  FakeWebPageOpener& operator=(const FakeWebPageOpener&) = delete;
  ~FakeWebPageOpener() override;

  // WebPageOpener:
  void Open(const std::wstring& url) override;
  void OpenWithProgram(const std::wstring& program, const std::wstring& url) override;

 private:
  std::vector<std::wstring>* const urls_ = nullptr;
  std::vector<std::pair<std::wstring, std::wstring>>* const pages_ = nullptr;
  base::ProcessWide<WebPageOpener>::ScopedOverride override_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_FAKE_WEB_PAGE_OPENER_H_
