// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/terms_text.h"

#include <string.h>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "host/resource_ids.h"

namespace velta {

std::wstring LoadTermsText(HMODULE module) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_TERMS_TEXT), L"TXT");
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
  if (!data) {
    LOG(WARNING) << "The terms resource is missing";
    return std::wstring();
  }
  // A resource has no terminator of its own: its size bounds the text.
  const size_t size = ::SizeofResource(module, found);
  const void* nul = memchr(data, '\0', size);
  std::string text(data, nul ? static_cast<const char*>(nul) - data : size);
  base::ReplaceSubstringsAfterOffset(&text, 0, "\n", "\r\n");
  return base::UTF8ToWide(text);
}

}  // namespace velta
