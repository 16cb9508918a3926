// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/cleanup_batch.h"

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

TEST_P(CleanupBatchTextTest, WritesTheExactScript) {
  EXPECT_EQ(GetParam().text, MakeCleanupBatchText(GetParam().batch));
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
        BatchCase{"FilesThenFoldersInListOrderWithPercentDoubledAndUtf8",
                  {.writer_pid = 5,
                   .files = {base::FilePath(L"C:\\V\\b.dll"), base::FilePath(L"C:\\V\\50%.txt")},
                   .folders = {base::FilePath(L"C:\\V\\%TEMP%"),
                               base::FilePath(L"C:\\V\\\u00e9t\u00e9")}},
                  "SET PID1_RUNNING=TRUE\n:again\n" + WaitBlock("PID1", 5) +
                      "ping -n 2 127.0.0.1\nIF %PID1_RUNNING%==TRUE GOTO :again\n"
                      "del \"C:\\V\\b.dll\"\ndel \"C:\\V\\50%%.txt\"\n"
                      "rmdir \"C:\\V\\%%TEMP%%\"\nrmdir \"C:\\V\\\xc3\xa9t\xc3\xa9\"\n"
                      "del %0\n"}),
    [](const ::testing::TestParamInfo<BatchCase>& info) { return info.param.name; });

// Under Wine the wait loop ends at once (TASKLIST /FI and FIND /c differ), so
// a real run shows the deletions and the script deleting itself; the waiting
// is covered by the exact text above.
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

  CleanupBatch batch{.writer_pid = ::GetCurrentProcessId(),
                     .files = {percent_file, plain_file},
                     .folders = {empty_folder}};
  ASSERT_TRUE(WriteCleanupBatch(folder, batch));
  const base::FilePath script = folder.Append(kCleanupBatchName);
  ASSERT_TRUE(base::PathExists(script));

  base::LaunchOptions options;
  options.wait = true;
  options.start_hidden = true;
  base::Process cmd = base::LaunchProcess(L"cmd.exe /c \"" + script.value() + L"\"", options);
  ASSERT_TRUE(cmd.IsValid());

  EXPECT_FALSE(base::PathExists(percent_file));
  EXPECT_FALSE(base::PathExists(plain_file));
  EXPECT_FALSE(base::PathExists(empty_folder));
  EXPECT_FALSE(base::PathExists(script));
  EXPECT_TRUE(base::PathExists(kept_file));
}

TEST(CleanupBatchRunTest, WriteFailsIntoMissingFolder) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  EXPECT_FALSE(WriteCleanupBatch(temp.GetPath().Append(L"absent"), CleanupBatch{.writer_pid = 1}));
}

}  // namespace
}  // namespace velta
