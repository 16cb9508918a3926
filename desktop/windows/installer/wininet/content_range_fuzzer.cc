// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes, two to a UTF-16 unit as WinINet
// hands headers over, as a Content-Range value. A range that reads must read
// the same from its canonical text, and only from text in the header's form.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/wininet/content_range.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using velta::ContentRange;
  std::wstring value;
  for (size_t i = 0; i + 1 < size; i += 2)
    value.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  const std::optional<ContentRange> range = velta::ParseContentRange(value);
  if (!range)
    return 0;
  CHECK(value.rfind(L"bytes ", 0) == 0);
  CHECK(value.find(L'-') != std::wstring::npos);

  std::wstring canonical = L"bytes " + std::to_wstring(range->first) + L"-0/";
  canonical += range->total ? std::to_wstring(*range->total) : L"*";
  const std::optional<ContentRange> again = velta::ParseContentRange(canonical);
  CHECK(again.has_value());
  CHECK_EQ(range->first, again->first);
  CHECK(range->total == again->total);
  return 0;
}
