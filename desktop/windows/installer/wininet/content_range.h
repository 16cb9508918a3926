// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_CONTENT_RANGE_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_CONTENT_RANGE_H_

#include <optional>
#include <string_view>

namespace velta {

// What the downloader reads of a partial response's Content-Range header,
// "bytes <first>-<last>/<total>": where the body starts and, when the text
// after the first "/" is a number, the whole file's size. <last> is not read.
struct ContentRange {
  unsigned first = 0;
  std::optional<unsigned> total;
};

// The range in `value` (the header's text as the server sent it: hostile
// input), or nothing when it does not start with "bytes " followed by a
// number and a "-". Pure: no Windows, callable on any thread.
std::optional<ContentRange> ParseContentRange(std::wstring_view value);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_CONTENT_RANGE_H_
