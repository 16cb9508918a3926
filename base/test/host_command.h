// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_HOST_COMMAND_H_
#define BASE_TEST_HOST_COMMAND_H_

#include <functional>
#include <string>

#include "base/files/file_path.h"

namespace velta::test {

// Runs the host's `command` (a program of the host given by its Windows
// path, "Z:\bin\ln", with its arguments, split the Windows way), then waits
// up to 30 s until `done()` holds: Wine starts a Unix program detached (a
// double fork), with no process handle to wait on. A failure is a test
// failure and false.
bool RunOnHost(std::wstring command, const std::function<bool()>& done);

// `text` in double quotes, for a host command's argument.
std::wstring QuotedForHost(const std::string& text);

// Runs `script` with the host's shell and waits up to 30 s for it to end:
// its exit status, or -1 (a test failure) when it did not run or end. The
// paths in it are the host's (ToUnixPath).
int RunHostScript(const std::string& script);

}  // namespace velta::test

#endif  // BASE_TEST_HOST_COMMAND_H_
