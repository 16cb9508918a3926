// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/web_page.h"

#include <windows.h>

#include <shellapi.h>

#include "base/bind.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {

namespace {

ScopedWebPageOpenerForTesting* g_opener = nullptr;

}  // namespace

void OpenWebPage(const std::wstring& url) {
  LOG(INFO) << "Opening web page " << base::WideToUTF8(url);
  if (g_opener) {
    g_opener->opener_.Run(std::wstring(), url);
    return;
  }
  // Values of 32 or less are failures.
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32)
    LOG(ERROR) << "Failed to open the web page, error " << result;
}

void OpenWebPageWithProgram(const std::wstring& program, const std::wstring& url) {
  LOG(INFO) << "Opening web page " << base::WideToUTF8(url) << " with "
            << base::WideToUTF8(program);
  if (g_opener) {
    g_opener->opener_.Run(program, url);
    return;
  }
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

ScopedWebPageOpenerForTesting::ScopedWebPageOpenerForTesting(Opener opener)
    : ScopedWebPageOpenerForTesting(base::BindRepeating(
          [](const Opener& url_opener, const std::wstring&, const std::wstring& url) {
            url_opener.Run(url);
          },
          std::move(opener))) {}

ScopedWebPageOpenerForTesting::ScopedWebPageOpenerForTesting(ProgramOpener opener)
    : opener_(std::move(opener)), previous_(g_opener) {
  g_opener = this;
}

ScopedWebPageOpenerForTesting::~ScopedWebPageOpenerForTesting() {
  g_opener = previous_;
}

}  // namespace velta
