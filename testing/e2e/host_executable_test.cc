// Copyright 2026 Velta Software. All rights reserved.

// Runs the real installer.exe (beside this test binary) as a child process.

#include <windows.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product_constants.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/child_process.h"

namespace velta {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using velta::test::ChildOptions;
using velta::test::ChildResult;
using velta::test::RunChild;

base::FilePath Installer() {
  return velta::test::GetPathBesideTestExecutable(L"installer.exe");
}

ChildResult RunInstallerExe(const std::vector<std::wstring>& switches,
                            const base::EnvironmentMap& environment = {}) {
  base::CommandLine command_line(Installer());
  for (const std::wstring& text : switches) {
    const base::CommandLine parsed = base::CommandLine::FromString(L"x " + text);
    for (const auto& [name, value] : parsed.GetSwitches())
      command_line.AppendSwitchNative(name, value);
  }
  ChildOptions options;
  options.capture_output = true;
  options.launch.environment = environment;
  ChildResult result = RunChild(command_line, options);
  EXPECT_TRUE(result.exited);
  return result;
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

void DeleteLogFiles() {
  for (const std::wstring& old_log : LogFiles())
    ::DeleteFileW(old_log.c_str());
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

// Runs the installer and returns the one log file it wrote.
std::string RunAndReadLog(const std::vector<std::wstring>& switches,
                          const base::EnvironmentMap& environment = {}) {
  DeleteLogFiles();
  const ChildResult run = RunInstallerExe(switches, environment);
  EXPECT_EQ(120u, run.exit_code);
  const std::vector<std::wstring> logs = LogFiles();
  EXPECT_EQ(1u, logs.size());
  return logs.empty() ? std::string() : ReadFileText(logs[0]);
}

// The "Command line: " line of a log, without its line end.
std::string CommandLineOf(const std::string& log) {
  const size_t start = log.find("] Command line: ");
  if (start == std::string::npos)
    return std::string();
  return log.substr(start, log.find('\n', start) - start);
}

TEST(HostExecutableTest, AnswersVersionQueriesAndNothingElse) {
  ChildResult version = RunInstallerExe({L"--version", L"--help"});
  EXPECT_EQ(0u, version.exit_code);
  EXPECT_EQ(GetProductVersion(), version.output);

  ChildResult internal = RunInstallerExe({L"--internal-version"});
  EXPECT_EQ(0u, internal.exit_code);
  EXPECT_EQ(GetInternalVersion(), internal.output);

  ChildResult stream = RunInstallerExe({L"--stream"});
  EXPECT_EQ(0u, stream.exit_code);
  EXPECT_EQ("marlin", stream.output);
}

TEST(HostExecutableTest, UnavailableRoleWritesLogAndEndsWithoutResult) {
  const std::string log = RunAndReadLog({L"--silent", L"--v=1"});
  EXPECT_THAT(log, HasSubstr("] Velta installer starting - version " + GetProductVersion() +
                             " marlin\n"));
  EXPECT_THAT(CommandLineOf(log), EndsWith("--silent --v=1"));
  EXPECT_THAT(log, HasSubstr(":ERROR:desktop/windows/installer/installer_main.cc("));
}

TEST(HostExecutableTest, VerbosityVariableStandsInForMissingSwitch) {
  EXPECT_THAT(CommandLineOf(RunAndReadLog({L"--silent"}, {{L"VELTA_INSTALLER_VERBOSITY", L"3"}})),
              EndsWith("--silent --v=3"));
  // An explicit switch wins; values out of range or not numbers are ignored.
  EXPECT_THAT(CommandLineOf(RunAndReadLog({L"--v=1"}, {{L"VELTA_INSTALLER_VERBOSITY", L"3"}})),
              EndsWith("--v=1"));
  for (const wchar_t* ignored : {L"12", L"-1", L"x", L""}) {
    EXPECT_THAT(CommandLineOf(RunAndReadLog({L"--silent"},
                                            {{L"VELTA_INSTALLER_VERBOSITY", ignored}})),
                Not(HasSubstr("--v=")))
        << base::WideToUTF8(ignored);
  }
}

TEST(HostExecutableTest, MissingLibraryExits99) {
  wchar_t temp[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp, length) + L"velta_host_alone";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring lonely = folder + L"\\installer.exe";
  ASSERT_TRUE(::CopyFileW(Installer().value().c_str(), lonely.c_str(), FALSE));
  base::CommandLine command_line{base::FilePath(lonely)};
  command_line.AppendSwitch("version");
  ChildOptions options;
  options.capture_output = true;
  ChildResult run = RunChild(command_line, options);
  EXPECT_EQ(99u, run.exit_code);
  EXPECT_EQ("", run.output);
  ::DeleteFileW(lonely.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace velta
