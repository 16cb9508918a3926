// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/web_page_opener_impl.h"

#include <windows.h>

#include <shellapi.h>

#include "base/logging.h"
#include "base/process_wide.h"

namespace velta {

// static
WebPageOpener* WebPageOpener::GetInstance() {
  return base::ProcessWide<WebPageOpener>::GetOrCreate<WebPageOpenerImpl>();
}

void WebPageOpenerImpl::Open(const std::wstring& url) {
  // Values of 32 or less are failures.
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32)
    LOG(ERROR) << "Failed to open the web page, error " << result;
}

void WebPageOpenerImpl::OpenWithProgram(const std::wstring& program, const std::wstring& url) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_DOENVSUBST;
  info.lpVerb = L"open";
  info.lpFile = program.c_str();
  info.lpParameters = url.c_str();
  info.nShow = SW_SHOW;
  if (!::ShellExecuteExW(&info))
    PLOG(ERROR) << "Failed to open the web page";
}

}  // namespace velta
