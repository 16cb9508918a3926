// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/unix_path.h"

#include <windows.h>

#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"

namespace velta::test {

std::string ToUnixPath(const base::FilePath& path) {
  using ToUnix = char*(__cdecl*)(const wchar_t*);
  // Wine's own export; it exists only under Wine, where these tests run.
  static const auto to_unix =
      base::win::GetFunction<ToUnix>(L"kernel32.dll", "wine_get_unix_file_name");
  if (!to_unix)
    return std::string();
  char* unix_path = to_unix(path.value().c_str());
  if (!unix_path)
    return std::string();
  std::string result(unix_path);
  ::HeapFree(::GetProcessHeap(), 0, unix_path);
  return result;
}

}  // namespace velta::test
