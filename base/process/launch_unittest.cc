// Copyright 2026 Velta Software. All rights reserved.

#include "base/process/launch.h"

#include <windows.h>
#include <stdlib.h>

#include <limits>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using velta::test::ChildOptions;
using velta::test::ChildResult;
using velta::test::MakeChildCommandLine;
using velta::test::RunChild;

HANDLE SwitchAsHandle(const char* name) {
  const std::wstring text = CommandLine::ForCurrentProcess()->GetSwitchValueNative(name);
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(wcstoull(text.c_str(), nullptr, 16)));
}

std::wstring HandleAsSwitch(HANDLE handle) {
  wchar_t text[32];
  swprintf(text, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
  return text;
}

void WriteToStdout(const std::string& text) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

// Ends with the exit code given by --code (decimal or 0x hexadecimal).
VELTA_TEST_CHILD_MAIN(ExitWithCode) {
  const std::wstring code = CommandLine::ForCurrentProcess()->GetSwitchValueNative("code");
  ::ExitProcess(static_cast<UINT>(wcstoul(code.c_str(), nullptr, 0)));
}

// Writes through a null pointer. Both the pointer and the target are
// volatile: GCC drops a plain store through a pointer it cannot see.
VELTA_TEST_CHILD_MAIN(Crash) {
  volatile int* volatile pointer = nullptr;
  *pointer = 1;
  return 0;
}

// Writes --size bytes of a known pattern to standard output, in pieces
// bigger than a pipe's buffer.
VELTA_TEST_CHILD_MAIN(PrintLots) {
  const size_t size = wcstoul(
      CommandLine::ForCurrentProcess()->GetSwitchValueNative("size").c_str(), nullptr, 10);
  std::string text;
  for (size_t i = 0; i < size; ++i)
    text.push_back(static_cast<char>('a' + i % 26));
  for (size_t offset = 0; offset < size; offset += 100000)
    WriteToStdout(text.substr(offset, 100000));
  return 0;
}

// Waits without writing anything (ten minutes at most, so that a broken
// test leaves nothing behind for good).
VELTA_TEST_CHILD_MAIN(Hang) {
  ::Sleep(10 * 60 * 1000);
  return 0;
}

// Signals the events whose handle values --listed and --unlisted give, where
// it can. Exit code: bit 0 the listed one worked, bit 1 the unlisted one.
VELTA_TEST_CHILD_MAIN(SignalInheritedEvents) {
  int result = 0;
  if (::SetEvent(SwitchAsHandle("listed")))
    result |= 1;
  if (CommandLine::ForCurrentProcess()->HasSwitch("unlisted") &&
      ::SetEvent(SwitchAsHandle("unlisted"))) {
    result |= 2;
  }
  return result;
}

// Reports how it was asked to show its first window: wShowWindow, or 100
// when no show flag was given.
VELTA_TEST_CHILD_MAIN(ReportShowWindow) {
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  ::GetStartupInfoW(&startup_info);
  return (startup_info.dwFlags & STARTF_USESHOWWINDOW) ? startup_info.wShowWindow : 100;
}

// Prints its working folder and the variables VELTA_ADDED and VELTA_REMOVED.
VELTA_TEST_CHILD_MAIN(PrintEnvironment) {
  wchar_t folder[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const char* added = getenv("VELTA_ADDED");
  const char* removed = getenv("VELTA_REMOVED");
  WriteToStdout(WideToUTF8(folder) + "|" + (added ? added : "(none)") + "|" +
                (removed ? removed : "(none)"));
  return 0;
}

// Ends with the length of its own command line, in characters.
VELTA_TEST_CHILD_MAIN(ExitWithCommandLineLength) {
  ::ExitProcess(static_cast<UINT>(wcslen(::GetCommandLineW())));
}

int RunForExitCode(const CommandLine& command_line, const LaunchOptions& options = {}) {
  ChildOptions child_options;
  child_options.launch = options;
  ChildResult result = RunChild(command_line, child_options);
  EXPECT_TRUE(result.started && result.exited);
  return static_cast<int>(result.exit_code);
}

// Codes above 255 arrive whole only when read on the Windows side.
class ExitCodeTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ExitCodeTest, ChildExitCodeArrivesWhole) {
  CommandLine command_line = MakeChildCommandLine("ExitWithCode");
  command_line.AppendSwitchASCII("code", std::to_string(GetParam()));
  LaunchOptions options;
  options.wait = true;
  Process process = LaunchProcess(command_line, options);
  ASSERT_TRUE(process.IsValid());
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(TimeDelta(), &exit_code));  // already done
  EXPECT_EQ(GetParam(), static_cast<uint32_t>(exit_code));
}

INSTANTIATE_TEST_SUITE_P(Codes, ExitCodeTest,
                         ::testing::Values(0u, 1u, 255u, 256u, 1603u, 0x7FFFFFFFu, 0xC0000409u,
                                           0xFFFFFFFEu));

TEST(LaunchProcessTest, CrashingChildReportsAccessViolation) {
  ChildResult result = RunChild(MakeChildCommandLine("Crash"));
  ASSERT_TRUE(result.exited);
  EXPECT_EQ(0xC0000005u, result.exit_code);
}

TEST(LaunchProcessTest, HiddenStartAsksForSwHide) {
  LaunchOptions options;
  options.start_hidden = true;
  EXPECT_EQ(SW_HIDE, RunForExitCode(MakeChildCommandLine("ReportShowWindow"), options));
  EXPECT_EQ(100, RunForExitCode(MakeChildCommandLine("ReportShowWindow")));
}

TEST(LaunchProcessTest, MissingProgramFailsWithTheSystemError) {
  Process process = LaunchProcess(L"\"C:\\velta\\no such program.exe\" --x", LaunchOptions());
  const DWORD error = ::GetLastError();
  EXPECT_FALSE(process.IsValid());
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
  std::string output = "stale";
  EXPECT_FALSE(GetAppOutput(CommandLine(FilePath(L"C:\\velta\\missing.exe")), &output));
  EXPECT_EQ("", output);
}

// Two inheritable events: the child gets the one in the list and not the
// other, whose handle value means nothing in the child.
class HandleInheritanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    listed_.Set(::CreateEventW(&inheritable, TRUE, FALSE, nullptr));
    unlisted_.Set(::CreateEventW(&inheritable, TRUE, FALSE, nullptr));
    ASSERT_TRUE(listed_.IsValid() && unlisted_.IsValid());
  }
  static bool IsSignaled(const win::ScopedHandle& event) {
    return ::WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
  }
  CommandLine ChildCommandLine() const {
    CommandLine command_line = MakeChildCommandLine("SignalInheritedEvents");
    command_line.AppendSwitchNative("listed", HandleAsSwitch(listed_.Get()));
    command_line.AppendSwitchNative("unlisted", HandleAsSwitch(unlisted_.Get()));
    return command_line;
  }

  win::ScopedHandle listed_;
  win::ScopedHandle unlisted_;
};

TEST_F(HandleInheritanceTest, OnlyListedHandlesAreInherited) {
  LaunchOptions options;
  options.handles_to_inherit = {listed_.Get()};
  EXPECT_EQ(1, RunForExitCode(ChildCommandLine(), options));
  EXPECT_TRUE(IsSignaled(listed_));
  EXPECT_FALSE(IsSignaled(unlisted_));
}

TEST_F(HandleInheritanceTest, InheritAllPassesEveryInheritableHandle) {
  LaunchOptions options;
  options.inherit_mode = LaunchOptions::Inherit::kAll;
  EXPECT_EQ(3, RunForExitCode(ChildCommandLine(), options));
  EXPECT_TRUE(IsSignaled(listed_));
  EXPECT_TRUE(IsSignaled(unlisted_));
}

TEST_F(HandleInheritanceTest, DefaultInheritsNothing) {
  EXPECT_EQ(0, RunForExitCode(ChildCommandLine()));
  EXPECT_FALSE(IsSignaled(listed_));
  EXPECT_FALSE(IsSignaled(unlisted_));
}

TEST_F(HandleInheritanceTest, NonInheritableHandleInTheListFailsTheLaunch) {
  win::ScopedHandle private_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  LaunchOptions options;
  options.handles_to_inherit = {private_event.Get()};
  EXPECT_FALSE(LaunchProcess(ChildCommandLine(), options).IsValid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), ::GetLastError());
  EXPECT_FALSE(IsSignaled(listed_));
}

TEST_F(HandleInheritanceTest, GetAppOutputChildGetsOnlyItsPipes) {
  CommandLine command_line = MakeChildCommandLine("SignalInheritedEvents");
  command_line.AppendSwitchNative("listed", HandleAsSwitch(listed_.Get()));
  std::string output;
  int exit_code = -1;
  ASSERT_TRUE(GetAppOutputWithExitCode(command_line, &output, &exit_code));
  EXPECT_EQ(0, exit_code);
  EXPECT_FALSE(IsSignaled(listed_));
}

TEST(LaunchProcessTest, EnvironmentAndWorkingFolderReachTheChild) {
  wchar_t system_folder[MAX_PATH];
  ASSERT_NE(0u, ::GetSystemDirectoryW(system_folder, MAX_PATH));
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTA_REMOVED", L"parent"));
  ChildOptions options;
  options.capture_output = true;
  options.launch.current_directory = FilePath(system_folder);
  options.launch.environment[L"velta_added"] = L"\u00e5 value";  // names ignore case
  options.launch.environment[L"VELTA_REMOVED"] = L"";
  ChildResult result = RunChild(MakeChildCommandLine("PrintEnvironment"), options);
  ::SetEnvironmentVariableW(L"VELTA_REMOVED", nullptr);
  ASSERT_TRUE(result.exited);
  // getenv gives the ANSI code page's text; compare the ASCII part.
  EXPECT_EQ(WideToUTF8(system_folder) + "|",
            result.output.substr(0, WideToUTF8(system_folder).size() + 1));
  EXPECT_NE(std::string::npos, result.output.find(" value|(none)")) << result.output;
}

TEST(LaunchProcessTest, ElevatedLaunchRunsTheChild) {
  CommandLine command_line = MakeChildCommandLine("ExitWithCode");
  command_line.AppendSwitchASCII("code", "1603");
  LaunchOptions options;
  options.elevated = true;
  options.wait = true;
  Process process = LaunchProcess(command_line, options);
  ASSERT_TRUE(process.IsValid());
  int exit_code = 0;
  ASSERT_TRUE(process.WaitForExitWithTimeout(TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(1603, exit_code);
}

struct CommandLineLengthCase {
  const char* name;
  bool elevated;
  // The command line's length without its terminating 0.
  size_t length;
  bool starts;
};

class CommandLineLengthTest : public ::testing::TestWithParam<CommandLineLengthCase> {};

// Windows refuses a command line past its limit and Wine starts the child
// with it cut, so part of its switches would be lost: the launch refuses it
// on both, plainly and elevated, and the longest that fits arrives whole.
TEST_P(CommandLineLengthTest, StartsOnlyACommandLineThatFits) {
  const CommandLineLengthCase& c = GetParam();
  CommandLine command_line = MakeChildCommandLine("ExitWithCommandLineLength");
  const size_t base_length = command_line.GetCommandLineString().size() + 7;  // " --pad="
  ASSERT_LT(base_length, c.length);
  command_line.AppendSwitchASCII("pad", std::string(c.length - base_length, 'x'));
  ASSERT_EQ(c.length, command_line.GetCommandLineString().size());
  LaunchOptions options;
  options.elevated = c.elevated;
  Process process = LaunchProcess(command_line, options);
  const DWORD error = ::GetLastError();
  if (!c.starts) {
    EXPECT_FALSE(process.IsValid());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), error);
    if (process.IsValid())
      process.Terminate(0, /*wait=*/true);
    return;
  }
  ASSERT_TRUE(process.IsValid()) << error;
  int exit_code = 0;
  ASSERT_TRUE(process.WaitForExitWithTimeout(TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(c.length, static_cast<size_t>(exit_code));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths,
    CommandLineLengthTest,
    ::testing::Values(CommandLineLengthCase{"LongestThatFits", false, kMaxCommandLineLength - 1,
                                            true},
                      CommandLineLengthCase{"OneTooLong", false, kMaxCommandLineLength, false},
                      CommandLineLengthCase{"FarTooLong", false, 40784, false},
                      CommandLineLengthCase{"ElevatedOneTooLong", true, kMaxCommandLineLength,
                                            false}),
    [](const auto& info) { return std::string(info.param.name); });

// Far more than a pipe holds: a reader that waited for the exit first would
// deadlock with the child.
TEST(GetAppOutputTest, ReadsLargeOutputCompletely) {
  constexpr size_t kSize = 1000 * 1000 + 7;
  CommandLine command_line = MakeChildCommandLine("PrintLots");
  command_line.AppendSwitchASCII("size", std::to_string(kSize));
  std::string output;
  ASSERT_TRUE(GetAppOutput(command_line, &output));
  ASSERT_EQ(kSize, output.size());
  for (size_t i = 0; i < kSize; i += 4999)
    ASSERT_EQ(static_cast<char>('a' + i % 26), output[i]) << i;
  EXPECT_EQ(static_cast<char>('a' + (kSize - 1) % 26), output.back());
}

TEST(GetAppOutputTest, NonZeroExitFailsButKeepsCodeAndOutput) {
  CommandLine command_line = MakeChildCommandLine("ExitWithCode");
  command_line.AppendSwitchASCII("code", "1603");
  std::string output;
  EXPECT_FALSE(GetAppOutput(command_line, &output));
  int exit_code = 0;
  EXPECT_TRUE(GetAppOutputWithExitCode(command_line, &output, &exit_code));
  EXPECT_EQ(1603, exit_code);
}

TEST(GetAppOutputTest, CapturesOutputThroughTheChildLauncherToo) {
  CommandLine command_line = MakeChildCommandLine("PrintLots");
  command_line.AppendSwitchASCII("size", "70000");
  ChildOptions options;
  options.capture_output = true;
  ChildResult result = RunChild(command_line, options);
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(70000u, result.output.size());
}

struct LimitsCase {
  const char* name;
  // The child role and its one switch.
  const char* role;
  const char* switch_name;
  const char* switch_value;
  AppOutputLimits limits;
  // The output read in full, or nullopt: the call fails.
  std::optional<size_t> output_size;
};

class GetAppOutputWithinLimitsTest : public ::testing::TestWithParam<LimitsCase> {};

// A child within its limits is read whole, however its output comes; one
// past them is ended and the call fails.
TEST_P(GetAppOutputWithinLimitsTest, ReadsAChildWithinItsLimitsOnly) {
  const LimitsCase& c = GetParam();
  CommandLine command_line = MakeChildCommandLine(c.role);
  command_line.AppendSwitchASCII(c.switch_name, c.switch_value);
  std::string output;
  EXPECT_EQ(c.output_size.has_value(), GetAppOutputWithinLimits(command_line, c.limits, &output));
  if (!c.output_size)
    return;
  ASSERT_EQ(*c.output_size, output.size());
  for (size_t i = 0; i < output.size(); i += 4999)
    ASSERT_EQ(static_cast<char>('a' + i % 26), output[i]) << i;
}

constexpr TimeDelta kNoTimeLimit = TimeDelta::Max();
constexpr size_t kNoSizeLimit = std::numeric_limits<size_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Children,
    GetAppOutputWithinLimitsTest,
    ::testing::Values(
        LimitsCase{"MoreThanAPipeHolds", "PrintLots", "size", "1000007",
                   {kNoTimeLimit, kNoSizeLimit}, 1000007},
        LimitsCase{"JustTheLimit", "PrintLots", "size", "5000", {kNoTimeLimit, 5000}, 5000},
        LimitsCase{"OneByteMore", "PrintLots", "size", "5001", {kNoTimeLimit, 5000}, std::nullopt},
        LimitsCase{"NeverEnds", "Hang", "size", "0",
                   {TimeDelta::FromMilliseconds(200), kNoSizeLimit}, std::nullopt},
        LimitsCase{"FailingExitCode", "ExitWithCode", "code", "3", {kNoTimeLimit, kNoSizeLimit},
                   std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace base
