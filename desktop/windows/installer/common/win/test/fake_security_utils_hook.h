// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_SECURITY_UTILS_HOOK_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_SECURITY_UTILS_HOOK_H_

#include <string>

namespace velta::test {

// Makes a FakeSecurityUtils from `settings` (keys in fake_hooks.h) and puts it
// in place for the rest of the process. False, with `error`, for an unknown
// key or a bad value.
bool InstallFakeSecurityUtils(const std::string& settings, std::string* error);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_SECURITY_UTILS_HOOK_H_
