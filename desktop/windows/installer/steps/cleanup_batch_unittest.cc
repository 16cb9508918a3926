// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/cleanup_batch.h"

#include <windows.h>

#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

std::string WaitBlock(const std::string& label, uint32_t pid) {
  return "IF %" + label + "_RUNNING%==TRUE (\n" + "TASKLIST /FI \"PID eq " + std::to_string(pid) +
         "\" | FIND /c /i \".exe\"\n" + "IF ERRORLEVEL 1 SET " + label + "_RUNNING=FALSE\n)\n";
}

struct BatchCase {
  const char* name;
  CleanupBatch batch;
  std::string text;
};

class CleanupBatchTextTest : public ::testing::TestWithParam<BatchCase> {};

// The exact texts in code page 437, where the paths below all fit.
TEST_P(CleanupBatchTextTest, WritesTheExactScript) {
  EXPECT_EQ(GetParam().text, MakeCleanupBatchText(GetParam().batch, 437));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts,
    CleanupBatchTextTest,
    ::testing::Values(
        BatchCase{"WriterOnly",
                  {.writer_pid = 412},
                  "SET PID1_RUNNING=TRUE\n:again\n" + WaitBlock("PID1", 412) +
                      "ping -n 2 127.0.0.1\nIF %PID1_RUNNING%==TRUE GOTO :again\ndel %0\n"},
        BatchCase{"AllThreeProcesses",
                  {.writer_pid = 1, .initial_pid = 22, .parent_pid = 333},
                  "SET PID1_RUNNING=TRUE\nSET PID2_RUNNING=TRUE\nSET PID3_RUNNING=TRUE\n:again\n" +
                      WaitBlock("PID1", 1) + WaitBlock("PID2", 22) + WaitBlock("PID3", 333) +
                      "ping -n 2 127.0.0.1\nIF %PID1_RUNNING%==TRUE GOTO :again\n"
                      "IF %PID2_RUNNING%==TRUE GOTO :again\nIF %PID3_RUNNING%==TRUE GOTO :again\n"
                      "del %0\n"},
        BatchCase{"UnknownMainProcess",
                  {.writer_pid = 7, .parent_pid = 9},
                  "SET PID1_RUNNING=TRUE\nSET PID3_RUNNING=TRUE\n:again\n" + WaitBlock("PID1", 7) +
                      WaitBlock("PID3", 9) +
                      "ping -n 2 127.0.0.1\nIF %PID1_RUNNING%==TRUE GOTO :again\n"
                      "IF %PID3_RUNNING%==TRUE GOTO :again\ndel %0\n"},
        BatchCase{"FilesThenFoldersInListOrderWithPercentDoubledInTheCodePage",
                  {.writer_pid = 5,
                   .files = {base::FilePath(L"C:\\V\\b.dll"), base::FilePath(L"C:\\V\\50%.txt")},
                   .folders = {base::FilePath(L"C:\\V\\%TEMP%"),
                               base::FilePath(L"C:\\V\\\u00e9t\u00e9")}},
                  "SET PID1_RUNNING=TRUE\n:again\n" + WaitBlock("PID1", 5) +
                      "ping -n 2 127.0.0.1\nIF %PID1_RUNNING%==TRUE GOTO :again\n"
                      "del \"C:\\V\\b.dll\"\ndel \"C:\\V\\50%%.txt\"\n"
                      "rmdir \"C:\\V\\%%TEMP%%\"\nrmdir \"C:\\V\\\x82t\x82\"\n"
                      "del %0\n"}),
    [](const ::testing::TestParamInfo<BatchCase>& info) { return info.param.name; });

TEST(CleanupBatchTextTest, SwitchesTheWholeScriptToUtf8ForAPathOutsideTheCodePage) {
  const CleanupBatch batch{.writer_pid = 5, .files = {base::FilePath(L"C:\\\u0416\\a.dll")}};
  EXPECT_EQ("chcp 65001 >nul\nSET PID1_RUNNING=TRUE\n:again\n" + WaitBlock("PID1", 5) +
                "ping -n 2 127.0.0.1\nIF %PID1_RUNNING%==TRUE GOTO :again\n"
                "del \"C:\\\xd0\x96\\a.dll\"\ndel %0\n",
            MakeCleanupBatchText(batch, 437));
}

struct EncodingCase {
  const char* name;
  const wchar_t* text;
  uint32_t code_page;
  std::string encoded;
};

class CleanupBatchEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(CleanupBatchEncodingTest, UsesTheCodePageOnlyWhenNothingIsLost) {
  EXPECT_EQ(GetParam().encoded, EncodeCleanupBatchText(GetParam().text, GetParam().code_page));
}

INSTANTIATE_TEST_SUITE_P(
    Paths,
    CleanupBatchEncodingTest,
    ::testing::Values(
        EncodingCase{"Ascii", L"del \"C:\\V\\a.dll\"\n", 437, "del \"C:\\V\\a.dll\"\n"},
        EncodingCase{"LatinInWesternEurope", L"C:\\\u00e9t\u00e9\\\u00df", 850,
                     "C:\\\x82t\x82\\\xe1"},
        EncodingCase{"CyrillicInCyrillic", L"C:\\\u0416\u044f", 866, "C:\\\x86\xef"},
        EncodingCase{"CyrillicOutsideUs", L"C:\\\u0416\u044f", 437,
                     "chcp 65001 >nul\nC:\\\xd0\x96\xd1\x8f"},
        // A best-fit "L" would name another folder.
        EncodingCase{"NoBestFitLookAlike", L"C:\\\u0141\u00f3d\u017a", 437,
                     "chcp 65001 >nul\nC:\\\xc5\x81\xc3\xb3" "d\xc5\xba"},
        EncodingCase{"Utf8Console", L"C:\\\u00e9", 65001, "C:\\\xc3\xa9"}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return info.param.name; });

// Runs `script` with cmd, hidden, and waits for it.
void RunScript(const base::FilePath& script) {
  base::LaunchOptions options;
  options.wait = true;
  options.start_hidden = true;
  base::Process cmd = base::LaunchProcess(L"cmd.exe /c \"" + script.value() + L"\"", options);
  ASSERT_TRUE(cmd.IsValid());
}

// A process that has ended (cmd, run to its end): a script that watches it
// goes straight on to its deletions. Its handle, kept while the script runs,
// keeps its id from being given to another process.
base::Process EndedProcess() {
  base::LaunchOptions options;
  options.start_hidden = true;
  base::Process cmd = base::LaunchProcess(L"cmd.exe /c exit 0", options);
  int exit_code = 0;
  EXPECT_TRUE(cmd.IsValid() && cmd.WaitForExit(&exit_code));
  return cmd;
}

// A real run, its writer gone: the deletions and the script deleting itself.
// The wait for a running writer is run end to end (e2e/
// cleanup_script_wait_test.cc).
TEST(CleanupBatchRunTest, DeletesListedFilesAndFoldersAndItself) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath folder = temp.GetPath().Append(L"install");
  const base::FilePath empty_folder = folder.Append(L"%PATH%");
  ASSERT_TRUE(base::CreateDirectory(empty_folder));
  const base::FilePath percent_file = folder.Append(L"50%off.txt");
  const base::FilePath plain_file = folder.Append(L"velta.dll");
  const base::FilePath kept_file = folder.Append(L"kept.txt");
  for (const base::FilePath& path : {percent_file, plain_file, kept_file})
    ASSERT_TRUE(base::WriteFile(path, "x"));

  const base::Process writer = EndedProcess();
  CleanupBatch batch{.writer_pid = writer.Pid(),
                     .files = {percent_file, plain_file},
                     .folders = {empty_folder}};
  ASSERT_TRUE(WriteCleanupBatch(folder, batch));
  const base::FilePath script = folder.Append(kCleanupBatchName);
  ASSERT_TRUE(base::PathExists(script));

  RunScript(script);

  EXPECT_FALSE(base::PathExists(percent_file));
  EXPECT_FALSE(base::PathExists(plain_file));
  EXPECT_FALSE(base::PathExists(empty_folder));
  EXPECT_FALSE(base::PathExists(script));
  EXPECT_TRUE(base::PathExists(kept_file));
}

bool RunsUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// A folder whose letters the OEM code page holds (Latin, with the usual 437
// or 850) is written in that code page; one with letters it lacks makes a
// UTF-8 script. Either way cmd must find the file.
class CleanupBatchNonAsciiRunTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(CleanupBatchNonAsciiRunTest, DeletesTheFileInTheFolder) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath folder = temp.GetPath().Append(GetParam());
  const base::FilePath file = folder.Append(L"velta.dll");
  const base::FilePath kept_file = folder.Append(L"kept.txt");
  ASSERT_TRUE(base::CreateDirectory(folder));
  ASSERT_TRUE(base::WriteFile(file, "x"));
  ASSERT_TRUE(base::WriteFile(kept_file, "x"));

  const base::Process writer = EndedProcess();
  ASSERT_TRUE(WriteCleanupBatch(folder, CleanupBatch{.writer_pid = writer.Pid(),
                                                     .files = {file}}));
  const base::FilePath script = folder.Append(kCleanupBatchName);
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(script, &text));
  // Wine 8's cmd goes on reading a script in the code page it started with
  // after "chcp 65001", so a UTF-8 script's paths are not found there.
  if (text.rfind("chcp 65001", 0) == 0 && RunsUnderWine())
    GTEST_SKIP() << "Wine's cmd does not switch a running script to UTF-8";
  RunScript(script);

  EXPECT_FALSE(base::PathExists(file)) << "OEM code page " << ::GetOEMCP();
  EXPECT_FALSE(base::PathExists(script));
  EXPECT_TRUE(base::PathExists(kept_file));
}

INSTANTIATE_TEST_SUITE_P(
    Folders,
    CleanupBatchNonAsciiRunTest,
    ::testing::Values(L"\u00e9t\u00e9 \u00e0 \u00df",
                      L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b"));

TEST(CleanupBatchRunTest, WriteFailsIntoMissingFolder) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  EXPECT_FALSE(WriteCleanupBatch(temp.GetPath().Append(L"absent"), CleanupBatch{.writer_pid = 1}));
}

}  // namespace
}  // namespace velta
