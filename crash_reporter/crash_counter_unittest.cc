// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_counter.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kCountFileSwitch[] = "count-file";

std::string ReadText(const base::FilePath& path) {
  std::string text;
  base::ReadFileToString(path, &text);
  return text;
}

// Writes all but the last byte: a disk that filled up mid-write.
int ShortWriter(base::File* file, int64_t offset, const char* data, int size) {
  return file->Write(offset, data, size > 0 ? size - 1 : 0);
}

class CrashCounterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    path_ = dir_.GetPath().Append(L"crash_count.txt");
  }

  base::ScopedTempDir dir_;
  base::FilePath path_;
};

struct MergeCase {
  const char* label;
  const char* before;  // null: no file
  std::vector<const char*> increments;
  const char* after;
};

class CrashCounterMergeTest : public CrashCounterTest,
                              public ::testing::WithParamInterface<MergeCase> {};

TEST_P(CrashCounterMergeTest, MergesIntoFile) {
  const MergeCase& c = GetParam();
  if (c.before) {
    ASSERT_TRUE(base::WriteFile(path_, std::string_view(c.before)));
  }
  {
    CrashCounter counter(path_);
    for (const char* name : c.increments)
      counter.Increment(name);
  }
  EXPECT_EQ(c.after, ReadText(path_));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashCounterMergeTest,
    ::testing::Values(
        MergeCase{"NewFile", nullptr, {"browser", "browser", "browser"}, R"({"browser":3})"},
        MergeCase{"EmptyFile", "", {"installer"}, R"({"installer":1})"},
        MergeCase{"SameName", R"({"browser":2})", {"browser"}, R"({"browser":3})"},
        MergeCase{"OtherName", R"({"browser":2})", {"installer"},
                  R"({"browser":2,"installer":1})"},
        MergeCase{"NonIntegerMembersDropped", R"({"a":"x","b":{},"c":4})", {"c"}, R"({"c":5})"},
        // A count past the int range is written as a whole number that reads
        // back as a double; it must go on counting, not start again at 1.
        MergeCase{"CountBeyondIntRange",
                  R"({"a":2147483648,"b":-1,"c":1.5,"d":"x","\u00e9":0})",
                  {"a"},
                  "{\"a\":2147483649,\"b\":-1,\"\xC3\xA9\":0}"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CrashCounterTest, ForeignFileIsNeverOverwrittenAndCountsStayPending) {
  ASSERT_TRUE(base::WriteFile(path_, std::string_view("[1,2]")));
  CrashCounter counter(path_);
  counter.Increment("browser");
  counter.Increment("browser", 1, false);
  EXPECT_EQ("[1,2]", ReadText(path_));
}

// A file of valid counts padded with a string member to `size` bytes.
std::string PaddedCounts(size_t size) {
  const std::string head = R"({"browser":2,"pad":")";
  return head + std::string(size - head.size() - 2, 'x') + "\"}";
}

struct SizeCase {
  const char* label;
  int64_t size;
  // Else the file is left as it was, as a foreign one is.
  bool merged;
};

class CrashCounterSizeTest : public CrashCounterTest,
                             public ::testing::WithParamInterface<SizeCase> {};

TEST_P(CrashCounterSizeTest, ReadsOnlyFilesUpToTheCap) {
  const std::string before = PaddedCounts(static_cast<size_t>(GetParam().size));
  ASSERT_TRUE(base::WriteFile(path_, before));
  {
    CrashCounter counter(path_);
    counter.Increment("browser");
  }
  // Compared whole, without printing a megabyte on failure.
  const std::string expected = GetParam().merged ? R"({"browser":3})" : before;
  const std::string after = ReadText(path_);
  EXPECT_TRUE(after == expected) << after.size() << " bytes, " << after.substr(0, 20);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashCounterSizeTest,
    ::testing::Values(SizeCase{"AtTheCap", CrashCounter::kMaxFileBytes, true},
                      SizeCase{"OverTheCap", CrashCounter::kMaxFileBytes + 1, false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CrashCounterTest, FinalFlushWritesAnUnwokenCount) {
  {
    CrashCounter counter(path_);
    counter.Increment("installer", 1, false);
  }
  EXPECT_EQ(R"({"installer":1})", ReadText(path_));
}

// A write that stops short is no success: the old counts are put back into
// the file and the new ones stay pending, so a later merge still has them.
TEST_F(CrashCounterTest, ShortWriteKeepsTheFileWholeAndTheCountsPending) {
  ASSERT_TRUE(base::WriteFile(path_, std::string_view(R"({"browser":2})")));
  {
    CrashCounter counter(path_, &ShortWriter);
    counter.Increment("installer", 1, false);
  }
  EXPECT_EQ(R"({"browser":2})", ReadText(path_));
  {
    CrashCounter counter(path_);
    counter.Increment("installer", 1, false);
  }
  EXPECT_EQ(R"({"browser":2,"installer":1})", ReadText(path_));
}

VELTA_TEST_CHILD_MAIN(CountHundredCrashes) {
  const base::FilePath path =
      base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kCountFileSwitch);
  CrashCounter counter(path);
  for (int i = 0; i < 100; ++i)
    counter.Increment("installer");
  return 0;
}

// Two processes share the file under its lock: no count is lost.
TEST_F(CrashCounterTest, TwoProcessesCountIntoOneFile) {
  base::CommandLine command_line = test::MakeChildCommandLine("CountHundredCrashes");
  command_line.AppendSwitchPath(kCountFileSwitch, path_);
  base::Process first = base::LaunchProcess(command_line, base::LaunchOptions());
  base::Process second = base::LaunchProcess(command_line, base::LaunchOptions());
  ASSERT_TRUE(first.IsValid());
  ASSERT_TRUE(second.IsValid());
  uint32_t exit_code = 1;
  ASSERT_TRUE(test::WaitForChildExit(first, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(0u, exit_code);
  ASSERT_TRUE(test::WaitForChildExit(second, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(0u, exit_code);
  EXPECT_EQ(R"({"installer":200})", ReadText(path_));
}

}  // namespace
}  // namespace velta
