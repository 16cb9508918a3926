// Copyright 2026 Velta Software. All rights reserved.

#include "base/command_line.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "base/strings/utf_string_conversions.h"
#include "base/test/multiprocess_test.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

TEST(CommandLineTest, ParsesSwitchesAndArguments) {
  const CommandLine cl = CommandLine::FromString(
      L"\"C:\\Program Files\\installer.exe\" --InstallFolder=\"C:\\My Velta\" -silent "
      L"/v=2 plain --x=1 --x=2 -- --not-a-switch");
  EXPECT_EQ(L"C:\\Program Files\\installer.exe", cl.GetProgram().value());
  EXPECT_TRUE(cl.HasSwitch("installfolder"));
  EXPECT_EQ(L"C:\\My Velta", cl.GetSwitchValueNative("installfolder"));
  EXPECT_TRUE(cl.HasSwitch("silent"));
  EXPECT_EQ("", cl.GetSwitchValueASCII("silent"));
  EXPECT_EQ("2", cl.GetSwitchValueASCII("v"));
  EXPECT_EQ("2", cl.GetSwitchValueASCII("x"));  // the last value wins
  EXPECT_FALSE(cl.HasSwitch("not-a-switch"));
  EXPECT_THAT(cl.GetArgs(), ElementsAre(L"plain", L"--not-a-switch"));
}

TEST(CommandLineTest, AppendedSwitchesAreLowerCasedAndPrefixed) {
  CommandLine cl(FilePath(L"C:\\installer.exe"));
  cl.AppendSwitch("Backend");
  cl.AppendSwitchASCII("session-guid", "{1234}");
  cl.AppendSwitchPath("installfolder", FilePath(L"C:\\Velta Browser\\"));
  cl.AppendArg("file.txt");
  EXPECT_TRUE(cl.HasSwitch("backend"));
  EXPECT_EQ(L"C:\\installer.exe --backend --session-guid={1234} "
            L"--installfolder=\"C:\\Velta Browser\\\\\" file.txt",
            cl.GetCommandLineString());
  cl.RemoveSwitch("session-guid");
  EXPECT_FALSE(cl.HasSwitch("session-guid"));
  EXPECT_EQ(L"--backend --installfolder=\"C:\\Velta Browser\\\\\" file.txt",
            cl.GetArgumentsString());
}

TEST(CommandLineTest, QuotingFollowsArgvRules) {
  EXPECT_EQ(L"plain", CommandLine::QuoteForCommandLineToArgv(L"plain"));
  EXPECT_EQ(L"\"\"", CommandLine::QuoteForCommandLineToArgv(L""));
  EXPECT_EQ(L"\"a b\"", CommandLine::QuoteForCommandLineToArgv(L"a b"));
  EXPECT_EQ(L"\"a\\\"b\"", CommandLine::QuoteForCommandLineToArgv(L"a\"b"));
  EXPECT_EQ(L"\"a\\\\\"", CommandLine::QuoteForCommandLineToArgv(L"a\\"));
  EXPECT_EQ(L"\"a\\\\\\\"b\"", CommandLine::QuoteForCommandLineToArgv(L"a\\\"b"));
  EXPECT_EQ(L"\"a\\b\"", CommandLine::QuoteForCommandLineToArgv(L"a\\b"));
}

// The awkward arguments a child must get back exactly.
const wchar_t* const kAwkwardArguments[] = {
    L"simple",       L"two words",        L"trailing\\",      L"C:\\Path With Space\\",
    L"quote\"inside", L"\\\"leading",      L"back\\\\\"slash", L"tab\there",
    L"",             L"\u00e5\u65e5",     L"--looks-like-a-switch", L"--",
};

// Writes the arguments it received, one per line, UTF-8, into the file named
// by its --out switch.
VELTA_TEST_CHILD_MAIN(WriteArguments) {
  const CommandLine& cl = *CommandLine::ForCurrentProcess();
  std::ofstream out(WideToUTF8(cl.GetSwitchValueNative("out")), std::ios::binary);
  for (const std::wstring& arg : cl.GetArgs())
    out << WideToUTF8(arg) << "\n";
  out << "switch:" << WideToUTF8(cl.GetSwitchValueNative("value")) << "\n";
  return 0;
}

TEST(CommandLineTest, AwkwardArgumentsSurviveARealChildProcess) {
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring out_path = std::wstring(temp) + L"velta command line test.txt";

  CommandLine cl{FilePath(exe)};
  cl.AppendSwitchASCII("velta-test-child", "WriteArguments");
  cl.AppendSwitchNative("out", out_path);
  cl.AppendSwitchNative("value", L"C:\\a \"b\"\\");
  for (const wchar_t* arg : kAwkwardArguments)
    cl.AppendArgNative(arg);

  std::wstring command_line = cl.GetCommandLineString();
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  PROCESS_INFORMATION process_info = {};
  ASSERT_TRUE(::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup_info, &process_info))
      << ::GetLastError();
  ::WaitForSingleObject(process_info.hProcess, INFINITE);
  DWORD exit_code = 1;
  ::GetExitCodeProcess(process_info.hProcess, &exit_code);
  ::CloseHandle(process_info.hThread);
  ::CloseHandle(process_info.hProcess);
  ASSERT_EQ(0u, exit_code);

  std::ifstream in(WideToUTF8(out_path), std::ios::binary);
  std::stringstream expected;
  for (const wchar_t* arg : kAwkwardArguments)
    expected << WideToUTF8(arg) << "\n";
  expected << "switch:" << WideToUTF8(L"C:\\a \"b\"\\") << "\n";
  std::stringstream received;
  received << in.rdbuf();
  in.close();
  ::DeleteFileW(out_path.c_str());
  EXPECT_EQ(expected.str(), received.str());
}

}  // namespace
}  // namespace base
