// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_BYTE_RANGE_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_BYTE_RANGE_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>

namespace velta {

// The byte counts of a download as its headers carry them. Every size and
// offset is 64-bit: a package may pass 4 GiB, and a resume past 2 GiB must
// never go out as a negative offset. The texts come from the server, so the
// parsers take only plain decimal digits and refuse anything else (signs,
// spaces, overflow) rather than guess.

// What a 206 reply says it carries: "bytes <first>-<last>/<total>", the
// total "*" when the server does not know it.
struct ContentRange {
  uint64_t first = 0;
  uint64_t last = 0;
  std::optional<uint64_t> total;
};

// The extra request header that asks for the body from `offset` on.
std::wstring ResumeRangeHeader(uint64_t offset);

// A Content-Range value; nothing when it is not a byte range with
// first <= last < total.
std::optional<ContentRange> ParseContentRange(std::wstring_view value);

// A Content-Length value; nothing when it is not a plain decimal number.
std::optional<uint64_t> ParseContentLength(std::wstring_view value);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_BYTE_RANGE_H_
