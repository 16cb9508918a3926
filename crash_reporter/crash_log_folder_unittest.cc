// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_log_folder.h"

#include <windows.h>

#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr wchar_t kLogDirVariable[] = L"VELTA_CRASH_LOG_DIR";

class CrashLogFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.CreateUniqueTempDir()); }
  void TearDown() override { ::SetEnvironmentVariableW(kLogDirVariable, nullptr); }

  base::FilePath TempFolder() {
    base::FilePath temp;
    EXPECT_TRUE(base::GetTempDir(&temp));
    return temp.StripTrailingSeparators();
  }

  base::ScopedTempDir dir_;
};

TEST_F(CrashLogFolderTest, VariableFolderIsMadeWithItsParents) {
  const base::FilePath folder = dir_.GetPath().Append(L"a").Append(L"b");
  ::SetEnvironmentVariableW(kLogDirVariable, folder.value().c_str());
  ASSERT_TRUE(InitCrashLogDirectory());
  EXPECT_EQ(folder, GetCrashLogDirectory());
  EXPECT_TRUE(base::DirectoryExists(folder));
}

TEST_F(CrashLogFolderTest, WithoutVariableTheTemporaryFolder) {
  ASSERT_TRUE(InitCrashLogDirectory());
  EXPECT_EQ(TempFolder(), GetCrashLogDirectory());
  EXPECT_TRUE(GetLocalStateFile().empty());
  EXPECT_TRUE(GetReporterCrashCountFile().empty());
}

TEST_F(CrashLogFolderTest, UnusableVariableFallsBackToTheTemporaryFolder) {
  const base::FilePath file = dir_.GetPath().Append(L"file");
  ASSERT_TRUE(base::WriteFile(file, std::string_view("x")));
  ::SetEnvironmentVariableW(kLogDirVariable, file.Append(L"below").value().c_str());
  ASSERT_TRUE(InitCrashLogDirectory());
  EXPECT_EQ(TempFolder(), GetCrashLogDirectory());
}

TEST(DumpNameTest, ConsecutiveNamesDifferInTheirNumber) {
  const uint32_t first = NextDumpSequenceNumber();
  const uint32_t second = NextDumpSequenceNumber();
  EXPECT_EQ(first + 1, second);
  const std::string prefix = "velta-crashlog-" + std::to_string(::GetCurrentProcessId()) + "-";
  EXPECT_EQ(prefix + std::to_string(first) + ".dmp", MakeDumpFileName(first));
  EXPECT_EQ(prefix + "1.dmp", MakeDumpFileName(1));
}

}  // namespace
}  // namespace velta
