// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/unique_names.h"

#include <windows.h>

#include <atomic>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace velta::test {
namespace {

constexpr size_t kMaxNameLength = 200;

std::string CurrentTestName() {
  const ::testing::TestInfo* info =
      ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info)
    return "no-test";
  return std::string(info->test_suite_name()) + "." + info->name();
}

}  // namespace

std::string UniqueName(std::string_view prefix) {
  static std::atomic<unsigned> counter{0};
  std::string name(prefix);
  name += "-" + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(counter.fetch_add(1)) + "-" + CurrentTestName();
  for (char& c : name) {
    if (!base::IsAsciiAlphaNumeric(c) && c != '.' && c != '_' && c != '-')
      c = '_';
  }
  if (name.size() > kMaxNameLength)
    name.resize(kMaxNameLength);
  return name;
}

std::wstring UniqueWideName(std::string_view prefix) {
  return base::ASCIIToWide(UniqueName(prefix));
}

}  // namespace velta::test
