// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/fake_web_page_opener.h"

namespace velta {

FakeWebPageOpener::FakeWebPageOpener(std::vector<std::wstring>* urls) : urls_(urls) {}

FakeWebPageOpener::FakeWebPageOpener(std::vector<std::pair<std::wstring, std::wstring>>* pages)
    : pages_(pages) {}

FakeWebPageOpener::~FakeWebPageOpener() = default;

void FakeWebPageOpener::Open(const std::wstring& url) {
  OpenWithProgram(std::wstring(), url);
}

void FakeWebPageOpener::OpenWithProgram(const std::wstring& program, const std::wstring& url) {
  if (urls_)
    urls_->push_back(url);
  if (pages_)
    pages_->emplace_back(program, url);
}

}  // namespace velta
