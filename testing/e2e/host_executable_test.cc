// Copyright 2026 Velta Software. All rights reserved.

// Runs the real installer.exe (beside this test binary) as a child process.

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
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

// The installer's log files in the temporary folder's "Velta Installer".
std::vector<base::FilePath> LogFiles() {
  std::vector<base::FilePath> files;
  base::FilePath temp;
  if (!base::GetTempDir(&temp))
    return files;
  base::FileEnumerator logs(temp.Append(L"Velta Installer"), /*recursive=*/false,
                            base::FileEnumerator::FILES, L"velta_installer_*.log");
  for (base::FilePath log = logs.Next(); !log.empty(); log = logs.Next())
    files.push_back(log);
  return files;
}

// Runs the installer and returns the one log file it wrote.
std::string RunAndReadLog(const std::vector<std::wstring>& switches,
                          const base::EnvironmentMap& environment = {}) {
  for (const base::FilePath& old_log : LogFiles())
    base::DeleteFile(old_log);
  const ChildResult run = RunInstallerExe(switches, environment);
  EXPECT_EQ(120u, run.exit_code);
  const std::vector<base::FilePath> logs = LogFiles();
  EXPECT_EQ(1u, logs.size());
  std::string text;
  if (!logs.empty()) {
    EXPECT_TRUE(base::ReadFileToString(logs[0], &text)) << logs[0].AsUTF8Unsafe();
  }
  return text;
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
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  const base::FilePath lonely = folder.GetPath().Append(L"installer.exe");
  ASSERT_TRUE(base::CopyFile(Installer(), lonely));
  base::CommandLine command_line(lonely);
  command_line.AppendSwitch("version");
  ChildOptions options;
  options.capture_output = true;
  ChildResult run = RunChild(command_line, options);
  EXPECT_EQ(99u, run.exit_code);
  EXPECT_EQ("", run.output);
}

}  // namespace
}  // namespace velta
