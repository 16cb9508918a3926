// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/host_command.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

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

int RunHostScript(const std::string& script) {
  base::ScopedTempDir dir;
  if (!dir.CreateUniqueTempDir()) {
    ADD_FAILURE() << "No folder for the status of " << script;
    return -1;
  }
  const base::FilePath status = dir.GetPath().Append(L"status");
  const std::string unix_dir = ToUnixPath(dir.GetPath());
  if (unix_dir.empty()) {
    ADD_FAILURE() << "Not under Wine: cannot run " << script;
    return -1;
  }
  // Written whole through a rename, so that a half-written number is never
  // read.
  const std::string unix_status = unix_dir + "/status";
  const std::string wrapped =
      "(" + script + "); echo $? > '" + unix_status + ".new'; mv '" + unix_status + ".new' '" +
      unix_status + "'";
  if (!RunOnHost(L"Z:\\bin\\sh -c " + QuotedForHost(wrapped),
                 [&status] { return base::PathExists(status); })) {
    return -1;
  }
  std::string text;
  int code = -1;
  if (!base::ReadFileToString(status, &text) ||
      !base::StringToInt(base::TrimWhitespaceASCII(text, base::TRIM_ALL), &code)) {
    ADD_FAILURE() << "Unreadable status of " << script << ": " << text;
  }
  return code;
}

}  // namespace velta::test
