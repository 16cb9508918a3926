// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/content_range.h"

#include <string>

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {

std::optional<ContentRange> ParseContentRange(std::wstring_view value) {
  constexpr std::wstring_view kUnit = L"bytes ";
  const size_t dash = value.find(L'-');
  const size_t slash = value.find(L'/');
  ContentRange range;
  if (value.rfind(kUnit, 0) != 0 || dash == std::wstring_view::npos ||
      !base::StringToUint(base::WideToUTF8(value.substr(kUnit.size(), dash - kUnit.size())),
                          &range.first)) {
    return std::nullopt;
  }
  unsigned total = 0;
  if (slash != std::wstring_view::npos &&
      base::StringToUint(base::WideToUTF8(value.substr(slash + 1)), &total)) {
    range.total = total;
  }
  return range;
}

}  // namespace velta
