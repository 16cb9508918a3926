// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/i18n.h"

#include <windows.h>

#include "base/logging.h"

namespace base::win::i18n {

bool GetThreadPreferredUILanguageList(std::vector<std::wstring>* languages) {
  languages->clear();
  const DWORD flags = MUI_LANGUAGE_NAME | MUI_MERGE_SYSTEM_FALLBACK | MUI_MERGE_USER_FALLBACK;
  ULONG count = 0;
  ULONG buffer_size = 0;
  if (!::GetThreadPreferredUILanguages(flags, &count, nullptr, &buffer_size)) {
    PLOG(WARNING) << "GetThreadPreferredUILanguages failed";
    return false;
  }
  // A list of terminated names ending with an empty one.
  std::wstring buffer(buffer_size, L'\0');
  if (!::GetThreadPreferredUILanguages(flags, &count, buffer.data(), &buffer_size)) {
    PLOG(WARNING) << "GetThreadPreferredUILanguages failed";
    return false;
  }
  buffer.resize(buffer_size < buffer.size() ? buffer_size : buffer.size());
  size_t start = 0;
  while (start < buffer.size() && buffer[start] != L'\0') {
    const size_t end = buffer.find(L'\0', start);
    const size_t stop = end == std::wstring::npos ? buffer.size() : end;
    std::wstring name = buffer.substr(start, stop - start);
    bool seen = false;
    for (const std::wstring& known : *languages)
      seen = seen || known == name;
    if (!seen)
      languages->push_back(std::move(name));
    start = stop + 1;
  }
  return !languages->empty();
}

}  // namespace base::win::i18n
