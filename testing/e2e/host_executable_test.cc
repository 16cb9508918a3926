// Copyright 2026 Velta Software. All rights reserved.

// Runs the real installer.exe (beside this test binary) as a child process.

#include <windows.h>

#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product_constants.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct ChildResult {
  DWORD exit_code = 0xFFFFFFFF;
  std::string output;
};

std::wstring BinFolder() {
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  return path.substr(0, path.find_last_of(L'\\'));
}

// Runs `exe` with `arguments`, capturing its standard output.
ChildResult RunProgram(const std::wstring& exe, const std::wstring& arguments) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read_pipe = nullptr;
  HANDLE write_pipe = nullptr;
  if (!::CreatePipe(&read_pipe, &write_pipe, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed";
    return result;
  }
  ::SetHandleInformation(read_pipe, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  startup_info.dwFlags = STARTF_USESTDHANDLES;
  startup_info.hStdOutput = write_pipe;
  startup_info.hStdError = write_pipe;
  startup_info.hStdInput = nullptr;
  std::wstring command_line = L"\"" + exe + L"\" " + arguments;
  PROCESS_INFORMATION process_info = {};
  const BOOL started = ::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup_info, &process_info);
  ::CloseHandle(write_pipe);
  if (!started) {
    ADD_FAILURE() << "CreateProcessW failed: " << ::GetLastError();
    ::CloseHandle(read_pipe);
    return result;
  }
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(read_pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    result.output.append(buffer, read);
  ::CloseHandle(read_pipe);
  ::WaitForSingleObject(process_info.hProcess, INFINITE);
  ::GetExitCodeProcess(process_info.hProcess, &result.exit_code);
  ::CloseHandle(process_info.hThread);
  ::CloseHandle(process_info.hProcess);
  return result;
}

std::wstring Installer() {
  return BinFolder() + L"\\installer.exe";
}

std::wstring LogFolder() {
  wchar_t temp[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp, length) + L"Velta Installer";
}

std::vector<std::wstring> LogFiles() {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((LogFolder() + L"\\velta_installer_*.log").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE)
    return files;
  do {
    files.push_back(LogFolder() + L"\\" + data.cFileName);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return files;
}

std::string ReadFileText(const std::wstring& path) {
  std::string text;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    text.append(buffer, read);
  ::CloseHandle(file);
  return text;
}

TEST(HostExecutableTest, AnswersVersionQueriesAndNothingElse) {
  ChildResult version = RunProgram(Installer(), L"--version --help");
  EXPECT_EQ(0u, version.exit_code);
  EXPECT_EQ(GetProductVersion(), version.output);

  ChildResult internal = RunProgram(Installer(), L"--internal-version");
  EXPECT_EQ(0u, internal.exit_code);
  EXPECT_EQ(GetInternalVersion(), internal.output);

  ChildResult stream = RunProgram(Installer(), L"--stream");
  EXPECT_EQ(0u, stream.exit_code);
  EXPECT_EQ("marlin", stream.output);
}

TEST(HostExecutableTest, UnavailableRoleWritesLogAndEndsWithoutResult) {
  for (const std::wstring& old_log : LogFiles())
    ::DeleteFileW(old_log.c_str());
  ChildResult run = RunProgram(Installer(), L"--silent --v=1");
  EXPECT_EQ(120u, run.exit_code);

  const std::vector<std::wstring> logs = LogFiles();
  ASSERT_EQ(1u, logs.size());
  const std::string log = ReadFileText(logs[0]);
  EXPECT_THAT(log, HasSubstr("] Velta installer starting - version " + GetProductVersion() +
                             " marlin\n"));
  EXPECT_THAT(log, HasSubstr("] Command line: "));
  EXPECT_THAT(log, HasSubstr("--silent --v=1\n"));
  EXPECT_THAT(log, HasSubstr(":ERROR:desktop/windows/installer/installer_main.cc("));
}

TEST(HostExecutableTest, MissingLibraryExits99) {
  wchar_t temp[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp, length) + L"velta_host_alone";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring lonely = folder + L"\\installer.exe";
  ASSERT_TRUE(::CopyFileW(Installer().c_str(), lonely.c_str(), FALSE));
  ChildResult run = RunProgram(lonely, L"--version");
  EXPECT_EQ(99u, run.exit_code);
  EXPECT_EQ("", run.output);
  ::DeleteFileW(lonely.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace velta
