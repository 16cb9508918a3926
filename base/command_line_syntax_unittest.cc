// Copyright 2026 Velta Software. All rights reserved.

#include "base/command_line_syntax.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::vector<std::wstring> SystemSplit(const std::wstring& command_line) {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(command_line.c_str(), &count);
  if (!args)
    return {L"<failed>"};
  std::vector<std::wstring> result(args, args + count);
  ::LocalFree(args);
  return result;
}

// The splitter is the fuzzer's judge of the quoting: it must split as the
// system does, quote runs and odd corners included.
TEST(CommandLineSyntaxTest, SplitsAsCommandLineToArgvW) {
  const wchar_t* const lines[] = {
      L"p a b",
      L"p  a\t b  ",
      L"p\t\"a\tb\"",
      L"\"C:\\Program Files\\x.exe\" a",
      L"\"p\"x y",
      L"\"p q",
      L"C:\\dir\\\"x\" y",
      L"p \"a b\" \"\" c",
      L"p \"\"",
      L"p a\"b\"c",
      L"p a\\b a\\\\\"b c\"",
      L"p \\\"a",
      L"p \\\\\"a b\"",
      L"p \\\\\\\"a",
      L"p a\\\\",
      L"p \"a\\\\\" b",
      L"p \"a\"\"b\"",
      L"p \"a\"\"b c",
      L"p \"\"\"a\"\"\"",
      L"p \"\"\"\"",
      L"p \"\"\"\"\"",
      L"p \"\"\"\"\"\" x",
      L"p x\"\"\"y z",
      L"p \"unterminated arg",
      L"p \"trailing\\",
      L"p --name=\"a b\" /s -t=\"\\\"q\\\"\"",
      L"p a\nb",
  };
  for (const wchar_t* line : lines) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(line)));
    EXPECT_EQ(SystemSplit(line), SplitCommandLineAsArgv(line));
  }
}

TEST(CommandLineSyntaxTest, QuotedArgumentsComeBackWhole) {
  const std::vector<std::wstring> arguments = {
      L"",          L"plain",      L"a b",       L"a\tb",     L"\"",          L"\"\"",
      L"a\\",       L"a\\\\",      L"\\\"",      L"a\\\"b",   L"C:\\Dir\\",   L"C:\\Dir With\\",
      L"\\\\srv\\s", L"say \"hi\"", L"\\",       L"\" \\ \"", L"--x=\"y z\"", L"tab\t\\"};
  std::wstring line = L"p";
  for (const std::wstring& argument : arguments)
    line += L" " + QuoteCommandLineArgument(argument);
  std::vector<std::wstring> expected = {L"p"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(expected, SystemSplit(line));
  EXPECT_EQ(expected, SplitCommandLineAsArgv(line));
}

TEST(CommandLineSyntaxTest, RecognisesSwitches) {
  const struct {
    const wchar_t* argument;
    bool is_switch;
    const wchar_t* name;
    const wchar_t* value;
  } cases[] = {
      {.argument = L"--a=b=c", .is_switch = true, .name = L"--a", .value = L"b=c"},
      {.argument = L"-a", .is_switch = true, .name = L"-a", .value = L""},
      {.argument = L"/a=", .is_switch = true, .name = L"/a", .value = L""},
      {.argument = L"---a", .is_switch = true, .name = L"---a", .value = L""},
      {.argument = L"--", .is_switch = false, .name = L"", .value = L""},
      {.argument = L"-", .is_switch = false, .name = L"", .value = L""},
      {.argument = L"a=--b", .is_switch = false, .name = L"", .value = L""},
      {.argument = L"", .is_switch = false, .name = L"", .value = L""},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(test_case.argument)));
    std::wstring name = L"old";
    std::wstring value = L"old";
    EXPECT_EQ(test_case.is_switch, IsSwitch(test_case.argument, &name, &value));
    EXPECT_EQ(test_case.name, name);
    EXPECT_EQ(test_case.value, value);
  }
}

}  // namespace
}  // namespace base
