// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/byte_range.h"

#include <limits>
#include <string>

namespace velta {

namespace {

// Digits only: no sign, no blanks, at least one digit, no overflow.
std::optional<uint64_t> ParseDecimal(std::wstring_view text) {
  if (text.empty())
    return std::nullopt;
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9')
      return std::nullopt;
    uint64_t digit = static_cast<uint64_t>(c - L'0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
      return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

std::wstring ResumeRangeHeader(uint64_t offset) {
  return L"Range: bytes=" + std::to_wstring(offset) + L"-";
}

std::optional<ContentRange> ParseContentRange(std::wstring_view value) {
  constexpr std::wstring_view kUnit = L"bytes ";
  if (value.substr(0, kUnit.size()) != kUnit)
    return std::nullopt;
  value.remove_prefix(kUnit.size());
  size_t dash = value.find(L'-');
  size_t slash = value.find(L'/');
  if (dash == std::wstring_view::npos || slash == std::wstring_view::npos || slash < dash)
    return std::nullopt;
  std::optional<uint64_t> first = ParseDecimal(value.substr(0, dash));
  std::optional<uint64_t> last = ParseDecimal(value.substr(dash + 1, slash - dash - 1));
  if (!first || !last || *first > *last)
    return std::nullopt;
  ContentRange range;
  range.first = *first;
  range.last = *last;
  std::wstring_view total = value.substr(slash + 1);
  if (total != L"*") {
    range.total = ParseDecimal(total);
    if (!range.total || range.last >= *range.total)
      return std::nullopt;
  }
  return range;
}

std::optional<uint64_t> ParseContentLength(std::wstring_view value) {
  return ParseDecimal(value);
}

}  // namespace velta
