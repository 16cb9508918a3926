// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_folder_link.h"

#include <windows.h>

#include <string>

#include "base/test/host_command.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

namespace {

bool IsLink(const base::FilePath& path) {
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
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
  is_valid_ = RunOnHost(
      L"Z:\\bin\\ln -s " + QuotedForHost(unix_target) + L" " + QuotedForHost(unix_link),
      [&link] { return IsLink(link); });
}

ScopedFolderLink::~ScopedFolderLink() {
  if (!is_valid_ || !IsLink(link_))
    return;
  const std::string unix_link = ToUnixPath(link_);
  if (unix_link.empty()) {
    ::RemoveDirectoryW(link_.value().c_str());
    return;
  }
  RunOnHost(L"Z:\\bin\\rm " + QuotedForHost(unix_link), [this] { return !IsLink(link_); });
}

}  // namespace velta::test
