// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes, two to a UTF-16 unit as WinINet
// hands headers over, as a Content-Range and as a Content-Length value. A
// range that reads is a byte range with first <= last < total and reads the
// same from its canonical text; a length that reads reads the same again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/wininet/byte_range.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using velta::ContentRange;
  std::wstring value;
  for (size_t i = 0; i + 1 < size; i += 2)
    value.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

  if (const std::optional<uint64_t> length = velta::ParseContentLength(value)) {
    const std::optional<uint64_t> again = velta::ParseContentLength(std::to_wstring(*length));
    CHECK(again.has_value());
    CHECK_EQ(*length, *again);
  }

  const std::optional<ContentRange> range = velta::ParseContentRange(value);
  if (!range)
    return 0;
  CHECK(value.rfind(L"bytes ", 0) == 0);
  CHECK_LE(range->first, range->last);
  if (range->total)
    CHECK_LT(range->last, *range->total);
  std::wstring canonical =
      L"bytes " + std::to_wstring(range->first) + L"-" + std::to_wstring(range->last) + L"/";
  canonical += range->total ? std::to_wstring(*range->total) : L"*";
  const std::optional<ContentRange> again = velta::ParseContentRange(canonical);
  CHECK(again.has_value());
  CHECK_EQ(range->first, again->first);
  CHECK_EQ(range->last, again->last);
  CHECK(range->total == again->total);
  return 0;
}
