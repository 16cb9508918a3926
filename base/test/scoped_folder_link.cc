// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_folder_link.h"

#include <windows.h>

#include <string>

#include "base/strings/utf_string_conversions.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

namespace {

bool IsLink(const base::FilePath& path) {
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Runs the host's `command` (a program of /bin with its arguments, split
// the Windows way), then waits until IsLink(`link`) is `wanted`: Wine starts
// a Unix program detached (a double fork), with no process handle to wait
// on.
bool RunOnHost(std::wstring command, const base::FilePath& link, bool wanted) {
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
  for (int i = 0; i < 3000 && IsLink(link) != wanted; ++i)
    ::Sleep(10);
  if (IsLink(link) != wanted) {
    ADD_FAILURE() << base::WideToUTF8(command) << " did not do its work";
    return false;
  }
  return true;
}

std::wstring Quoted(const std::string& text) {
  return L"\"" + base::UTF8ToWide(text) + L"\"";
}

}  // namespace

ScopedFolderLink::ScopedFolderLink(const base::FilePath& link, const base::FilePath& target)
    : link_(link) {
  const std::string unix_link = ToUnixPath(link);
  const std::string unix_target = ToUnixPath(target);
  if (unix_link.empty() || unix_target.empty()) {
    is_valid_ = ::CreateSymbolicLinkW(link.value().c_str(), target.value().c_str(),
                                      SYMBOLIC_LINK_FLAG_DIRECTORY |
                                          SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
                IsLink(link);
    if (!is_valid_)
      ADD_FAILURE() << "Cannot link " << link.AsUTF8Unsafe() << ": " << ::GetLastError();
    return;
  }
  is_valid_ = RunOnHost(L"Z:\\bin\\ln -s " + Quoted(unix_target) + L" " + Quoted(unix_link),
                        link, /*wanted=*/true);
}

ScopedFolderLink::~ScopedFolderLink() {
  if (!is_valid_ || !IsLink(link_))
    return;
  const std::string unix_link = ToUnixPath(link_);
  if (unix_link.empty()) {
    ::RemoveDirectoryW(link_.value().c_str());
    return;
  }
  RunOnHost(L"Z:\\bin\\rm " + Quoted(unix_link), link_, /*wanted=*/false);
}

}  // namespace velta::test
