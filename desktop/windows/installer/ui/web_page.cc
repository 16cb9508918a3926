// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/web_page.h"

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/ui/web_page_opener.h"

namespace velta {

void OpenWebPage(const std::wstring& url) {
  LOG(INFO) << "Opening web page " << base::WideToUTF8(url);
  WebPageOpener::GetInstance()->Open(url);
}

void OpenWebPageWithProgram(const std::wstring& program, const std::wstring& url) {
  LOG(INFO) << "Opening web page " << base::WideToUTF8(url) << " with "
            << base::WideToUTF8(program);
  WebPageOpener::GetInstance()->OpenWithProgram(program, url);
}

}  // namespace velta
