// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_impl.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/scoped_folder_link.h"
#include "base/test/unique_names.h"
#include "desktop/windows/installer/common/app_output_lock.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/exit_codes.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kStartedEventSwitch[] = "started-event";
constexpr char kFinishEventSwitch[] = "finish-event";
constexpr char kExitCodeSwitch[] = "exit-code";
constexpr char kChildOutput[] = "output of the child\nsecond line\n";
constexpr DWORD kTestTimeoutMs = 20000;

HANDLE OpenSwitchEvent(const char* switch_name) {
  return ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                      base::CommandLine::ForCurrentProcess()
                          ->GetSwitchValueNative(switch_name)
                          .c_str());
}

// Prints kChildOutput; with the event switches, says it started and waits to
// be told to finish. Exits with --exit-code (0 by default).
VELTA_TEST_CHILD_MAIN(PrintWinApiOutput) {
  // Binary mode: the parent reads exactly these bytes, without "\r".
  _setmode(_fileno(stdout), _O_BINARY);
  fputs(kChildOutput, stdout);
  fflush(stdout);
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(kStartedEventSwitch)) {
    HANDLE started = OpenSwitchEvent(kStartedEventSwitch);
    HANDLE finish = OpenSwitchEvent(kFinishEventSwitch);
    if (!started || !finish)
      return 3;
    ::SetEvent(started);
    if (::WaitForSingleObject(finish, kTestTimeoutMs) != WAIT_OBJECT_0)
      return 4;
  }
  int exit_code = 0;
  base::StringToInt(command_line.GetSwitchValueASCII(kExitCodeSwitch), &exit_code);
  return exit_code;
}

class WinApiImplTest : public ::testing::Test {
 protected:
  // The calling thread's installer error as "<code>: <detail>".
  static std::string RecordedError() {
    uint32_t code = 0;
    std::string detail;
    GetInstallerError(&code, &detail, nullptr);
    return std::to_string(code) + ": " + detail;
  }

  WinApiImpl win_api_;
  ScopedInstallerErrorRecord error_record_;
};

// Runs GetAppOutput on a thread while the child waits, and answers whether
// the output lock was held meanwhile.
class GetAppOutputLockTest : public WinApiImplTest,
                             public ::testing::WithParamInterface<bool> {};

TEST_P(GetAppOutputLockTest, HoldsTheOutputLockOnlyWhenAsked) {
  const bool take_lock = GetParam();
  const std::wstring started_name = L"Local\\" + test::UniqueWideName("Started");
  const std::wstring finish_name = L"Local\\" + test::UniqueWideName("Finish");
  HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, started_name.c_str());
  HANDLE finish = ::CreateEventW(nullptr, TRUE, FALSE, finish_name.c_str());
  base::CommandLine command_line = test::MakeChildCommandLine("PrintWinApiOutput");
  command_line.AppendSwitchNative(kStartedEventSwitch, started_name);
  command_line.AppendSwitchNative(kFinishEventSwitch, finish_name);

  std::string output;
  bool succeeded = false;
  std::thread runner(
      [&] { succeeded = win_api_.GetAppOutput(command_line, &output, take_lock); });
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(started, kTestTimeoutMs));
  const bool lock_was_free = GetAppOutputLock().Try();
  if (lock_was_free)
    GetAppOutputLock().Release();
  ::SetEvent(finish);
  runner.join();

  EXPECT_EQ(!take_lock, lock_was_free);
  EXPECT_TRUE(succeeded);
  EXPECT_EQ(kChildOutput, output);
  EXPECT_TRUE(GetAppOutputLock().Try());
  GetAppOutputLock().Release();
  ::CloseHandle(started);
  ::CloseHandle(finish);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutLock, GetAppOutputLockTest, ::testing::Bool());

TEST_F(WinApiImplTest, GetAppOutputFailureRecordsErrorOneWithTheCommandLine) {
  base::CommandLine command_line = test::MakeChildCommandLine("PrintWinApiOutput");
  command_line.AppendSwitchASCII(kExitCodeSwitch, "7");
  std::string output;
  EXPECT_FALSE(win_api_.GetAppOutput(command_line, &output, true));

  EXPECT_EQ("1: Cannot get app output " + base::WideToUTF8(command_line.GetCommandLineString()),
            RecordedError());
  // The lock is given back on failure too.
  EXPECT_TRUE(GetAppOutputLock().Try());
  GetAppOutputLock().Release();
}

TEST_F(WinApiImplTest, GetAppOutputOfAMissingProgramFails) {
  base::CommandLine command_line(base::FilePath(L"C:\\no such folder\\missing.exe"));
  std::string output;
  EXPECT_FALSE(win_api_.GetAppOutput(command_line, &output, false));
  EXPECT_EQ(1u, GetInstallerErrorCode());
}

TEST_F(WinApiImplTest, RunElevatedStartsTheProgramWithItsArguments) {
  // Under Wine "runas" starts the program without a prompt.
  base::CommandLine command_line = test::MakeChildCommandLine("PrintWinApiOutput");
  command_line.AppendSwitchASCII(kExitCodeSwitch, "105");
  std::unique_ptr<WinApiProcess> process = win_api_.RunElevated(command_line);
  ASSERT_TRUE(process->IsValid());
  EXPECT_TRUE(process->WaitForElevated());
  EXPECT_EQ(5u, process->GetExitCode());
  EXPECT_EQ(0u, GetInstallerErrorCode());
}

TEST_F(WinApiImplTest, RunElevatedFailureRecordsErrorEight) {
  std::unique_ptr<WinApiProcess> process =
      win_api_.RunElevated(base::CommandLine(base::FilePath(L"C:\\no such folder\\x.exe")));
  EXPECT_FALSE(process->IsValid());
  const std::string error = RecordedError();
  EXPECT_EQ(0u, error.find("8: Failed to run the elevated process: ")) << error;
  EXPECT_NE(std::string::npos, error.find("(0x")) << error;
}

TEST_F(WinApiImplTest, WaitForElevatedWithoutProcessRecordsTheSystemError) {
  WinApiProcess process{base::Process()};
  EXPECT_FALSE(process.WaitForElevated());
  const std::string error = RecordedError();
  EXPECT_EQ(0u, error.find("1: Failed wait for the elevated process: ")) << error;
  EXPECT_NE(std::string::npos, error.find("(0x6)")) << error;
}

TEST_F(WinApiImplTest, WaitForElevatedRecordsAnUnexpectedWaitResult) {
  // An abandoned mutex makes the wait end with WAIT_ABANDONED (128), which a
  // process handle never gives.
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, nullptr);
  std::thread([mutex] { ::WaitForSingleObject(mutex, INFINITE); }).join();
  WinApiProcess process{base::Process(mutex)};
  EXPECT_FALSE(process.WaitForElevated());
  EXPECT_EQ("1: Unexpected result when waiting for elevated process: 128", RecordedError());
}

TEST_F(WinApiImplTest, LaunchedProcessExitCodeReadsAsAnInstallerResult) {
  base::CommandLine command_line = test::MakeChildCommandLine("PrintWinApiOutput");
  command_line.AppendSwitchASCII(kExitCodeSwitch, "1");
  base::LaunchOptions options;
  options.wait = true;
  std::unique_ptr<WinApiProcess> process = win_api_.LaunchProcess(command_line, options);
  ASSERT_TRUE(process->IsValid());
  EXPECT_EQ(static_cast<uint32_t>(kInstallerResultChildFailed), process->GetExitCode());
  EXPECT_FALSE(win_api_.LaunchProcess(base::CommandLine(base::FilePath(L"C:\\missing\\x.exe")),
                                      base::LaunchOptions())
                   ->IsValid());
}

TEST_F(WinApiImplTest, ReportsTheArchitectureOfWindowsNotOfThisProcess) {
  BOOL is_wow64 = FALSE;
  ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &is_wow64));
  if (sizeof(void*) == 8 || is_wow64)
    EXPECT_EQ(base::win::OSInfo::X64_ARCHITECTURE, win_api_.GetOsArchitecture());
  else
    EXPECT_EQ(base::win::OSInfo::X86_ARCHITECTURE, win_api_.GetOsArchitecture());
  EXPECT_GE(win_api_.GetWindowsVersion(), base::win::VERSION_WIN7);
}

// DeleteLink removes a link itself and nothing else: a plain folder is no
// link. Under Wine, whose link is a Unix one that opens as its target (see
// ScopedFolderLink), the handle shows no link either, and the target stays,
// even an empty one that a removal through the link would take.
TEST(WinApiImplDeleteLinkTest, RemovesNothingThatIsNoLink) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath target = dir.GetPath().Append(L"target");
  const base::FilePath plain = dir.GetPath().Append(L"plain");
  ASSERT_TRUE(base::CreateDirectory(target));
  ASSERT_TRUE(base::CreateDirectory(plain));
  const test::ScopedFolderLink link(dir.GetPath().Append(L"link"), target);
  ASSERT_TRUE(link.is_valid());
  WinApiImpl win_api;

  EXPECT_FALSE(win_api.DeleteLink(plain));
  EXPECT_TRUE(base::DirectoryExists(plain));
  EXPECT_FALSE(win_api.DeleteLink(dir.GetPath().Append(L"missing")));
  if (!win_api.DeleteLink(dir.GetPath().Append(L"link")))
    EXPECT_TRUE(base::DirectoryExists(dir.GetPath().Append(L"link")));
  else
    EXPECT_FALSE(base::PathExists(dir.GetPath().Append(L"link")));
  EXPECT_TRUE(base::DirectoryExists(target));
}

}  // namespace
}  // namespace velta
