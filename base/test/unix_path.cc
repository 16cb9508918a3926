// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/unix_path.h"

#include <windows.h>

#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "gtest/gtest.h"

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

bool RunOnHost(std::wstring command, const std::function<bool()>& done) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "Cannot run " << base::WideToUTF8(command) << ": " << ::GetLastError();
    return false;
  }
  // Only a real process handle vouches for the thread's (see
  // testing/http_server/local_http_server.cc).
  if (process.hProcess) {
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  for (int i = 0; i < 3000 && !done(); ++i)
    ::Sleep(10);
  if (!done()) {
    ADD_FAILURE() << base::WideToUTF8(command) << " did not do its work";
    return false;
  }
  return true;
}

std::wstring QuotedForHost(const std::string& text) {
  return L"\"" + base::UTF8ToWide(text) + L"\"";
}

}  // namespace velta::test
