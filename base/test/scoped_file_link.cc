// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_file_link.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/host_command.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

namespace {

// Whether the link's own entry is there: Wine's PathExists follows it.
bool LinkEntryExists(const base::FilePath& link) {
  WIN32_FIND_DATAW found = {};
  HANDLE find = ::FindFirstFileW(link.value().c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return false;
  ::FindClose(find);
  return true;
}

}  // namespace

ScopedFileLink::ScopedFileLink(const base::FilePath& link, const base::FilePath& target)
    : link_(link) {
  const std::string unix_link = ToUnixPath(link);
  const std::string unix_target = ToUnixPath(target);
  if (unix_link.empty() || unix_target.empty()) {
    is_valid_ = ::CreateSymbolicLinkW(link.value().c_str(), target.value().c_str(),
                                      SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != FALSE;
    if (!is_valid_)
      ADD_FAILURE() << "Cannot link " << link.AsUTF8Unsafe() << ": " << ::GetLastError();
    return;
  }
  is_valid_ = RunOnHost(
      L"Z:\\bin\\ln -s " + QuotedForHost(unix_target) + L" " + QuotedForHost(unix_link),
      [&link] { return LinkEntryExists(link); });
}

ScopedFileLink::~ScopedFileLink() {
  if (!is_valid_ || !LinkEntryExists(link_))
    return;
  const std::string unix_link = ToUnixPath(link_);
  if (unix_link.empty()) {
    ::DeleteFileW(link_.value().c_str());
    return;
  }
  RunOnHost(L"Z:\\bin\\rm " + QuotedForHost(unix_link),
            [this] { return !LinkEntryExists(link_); });
}

}  // namespace velta::test
