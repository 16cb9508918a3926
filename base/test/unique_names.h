// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_UNIQUE_NAMES_H_
#define BASE_TEST_UNIQUE_NAMES_H_

#include <string>
#include <string_view>

namespace velta::test {

// A name no other test, process or earlier call of this process uses:
// "<prefix>-<pid>-<counter>-<Suite.Test>", with the running GoogleTest test's
// name ("no-test" outside a test) reduced to letters, digits, '.', '_' and
// '-', so that it is safe as a file or folder name, a registry key name, and
// after "Local\" or "Global\" as an event, mutex or mailslot name. At most
// 200 characters. Thread-safe.
std::string UniqueName(std::string_view prefix);
std::wstring UniqueWideName(std::string_view prefix);

}  // namespace velta::test

#endif  // BASE_TEST_UNIQUE_NAMES_H_
