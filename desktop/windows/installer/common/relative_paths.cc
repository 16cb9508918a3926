// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/relative_paths.h"

#include <string>
#include <vector>

#include "base/strings/string_split.h"

namespace velta {

bool IsRelativePathInside(const base::FilePath& path) {
  const std::wstring& text = path.value();
  if (text.empty() || text.find(L':') != std::wstring::npos || text.starts_with(L'\\') ||
      text.starts_with(L'/')) {
    return false;
  }
  for (const std::wstring& part :
       base::SplitString(text, L"\\/", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL)) {
    if (part == L"..")
      return false;
  }
  return true;
}

bool IsSingleEntryName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..")
    return false;
  for (wchar_t c : name) {
    if (c < L' ' || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
      return false;
  }
  return true;
}

}  // namespace velta
