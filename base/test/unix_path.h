// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_UNIX_PATH_H_
#define BASE_TEST_UNIX_PATH_H_

#include <functional>
#include <string>

#include "base/files/file_path.h"

namespace velta::test {

// The Linux path of a Windows path, as Wine maps it (wine_get_unix_file_name):
// empty when it cannot, and outside Wine.
std::string ToUnixPath(const base::FilePath& path);

// Runs the host's `command` (a program of /bin with its arguments, split
// the Windows way), then waits up to 30 s until `done` holds: Wine starts a
// Unix program detached (a double fork), with no process handle to wait
// on. False, with a test failure, when it cannot run or `done` never holds.
bool RunOnHost(std::wstring command, const std::function<bool()>& done);

// `text` in double quotes, as a host command's argument.
std::wstring QuotedForHost(const std::string& text);

}  // namespace velta::test

#endif  // BASE_TEST_UNIX_PATH_H_
