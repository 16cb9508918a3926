// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_WIN_API_HOOK_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_WIN_API_HOOK_H_

#include <string>
#include <utility>
#include <vector>

namespace velta::test {

// "a=1;b=x=y" as {{"a", "1"}, {"b", "x=y"}}; empty pieces are skipped. False
// with `error` for a piece without "=".
bool SplitFakeSettings(const std::string& settings,
                       std::vector<std::pair<std::string, std::string>>* pairs,
                       std::string* error);
// "yes" or "no" as a bool; false for anything else.
bool ParseYesNo(const std::string& text, bool* yes);

// Makes a FakeWinApi from `settings` (keys in fake_hooks.h) and puts it in
// place for the rest of the process. False, with `error`, for an unknown key
// or a bad value.
bool InstallFakeWinApi(const std::string& settings, std::string* error);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_WIN_API_HOOK_H_
