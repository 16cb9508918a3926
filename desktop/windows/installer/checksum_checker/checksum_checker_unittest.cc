// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_util.h"
#include "base/test/scoped_failing_hash.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// SHA-256 of "abc" (FIPS 180-2 example).
constexpr char kAbc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

class ChecksumCheckerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.CreateUniqueTempDir()); }
  base::FilePath Write(const std::string& content) {
    base::FilePath path = folder_.GetPath().Append(L"file");
    EXPECT_TRUE(base::WriteFile(path, content));
    return path;
  }
  base::ScopedTempDir folder_;
};

TEST_F(ChecksumCheckerTest, MatchesOnlyTheExactLowerCaseText) {
  base::FilePath path = Write("abc");
  struct {
    std::string expected;
    bool match;
  } cases[] = {{kAbc, true},
               {base::ToUpperASCII(kAbc), false},
               {"", false},
               {std::string(kAbc).substr(1), false}};
  for (const auto& test_case : cases) {
    std::string actual;
    int64_t length = -1;
    std::unique_ptr<base::Value> details;
    EXPECT_EQ(test_case.match, CheckChecksum(path, test_case.expected, &details, &actual, &length))
        << test_case.expected;
    EXPECT_EQ(kAbc, actual);
    EXPECT_EQ(3, length);
    EXPECT_EQ(!test_case.match, details != nullptr);
  }
}

TEST_F(ChecksumCheckerTest, MismatchDetailsHoldTheFileEdges) {
  std::string content(120, 'x');
  content[0] = '\x01';
  content[119] = '\xfe';
  std::string actual;
  int64_t length = 0;
  std::unique_ptr<base::Value> details;
  ASSERT_FALSE(CheckChecksum(Write(content), kAbc, &details, &actual, &length));
  ASSERT_TRUE(details);
  EXPECT_EQ("Checksum mismatch", *details->FindStringKey("detail"));
  EXPECT_EQ(kAbc, *details->FindStringKey("expected_checksum"));
  EXPECT_EQ(actual, *details->FindStringKey("actual_checksum"));
  EXPECT_EQ(64u, actual.size());
  EXPECT_EQ(120, details->FindIntKey("file_length").value_or(0));
  EXPECT_EQ(100u, details->FindStringKey("file_start")->size());
  EXPECT_EQ("01", details->FindStringKey("file_start")->substr(0, 2));
  EXPECT_EQ("FE", details->FindStringKey("file_end")->substr(98));
}

TEST_F(ChecksumCheckerTest, ShortFileEdgesAreTheWholeFile) {
  std::string actual;
  int64_t length = 0;
  std::unique_ptr<base::Value> details;
  ASSERT_FALSE(CheckChecksum(Write("abc"), "0", &details, &actual, &length));
  EXPECT_EQ("616263", *details->FindStringKey("file_start"));
  EXPECT_EQ("616263", *details->FindStringKey("file_end"));
}

// SHA-256 of no bytes.
constexpr char kEmpty[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// An empty file is read like any other: its checksum is that of no bytes,
// and a mismatch has empty edges.
TEST_F(ChecksumCheckerTest, EmptyFileHasTheChecksumOfNoBytes) {
  const base::FilePath path = Write("");
  std::string actual;
  int64_t length = -1;
  std::unique_ptr<base::Value> details;
  EXPECT_TRUE(CheckChecksum(path, kEmpty, &details, &actual, &length));
  EXPECT_EQ(kEmpty, actual);
  EXPECT_EQ(0, length);
  EXPECT_FALSE(details);
  EXPECT_FALSE(CheckChecksum(path, kAbc, &details, &actual, &length));
  EXPECT_EQ(kEmpty, actual);
  ASSERT_TRUE(details);
  const std::string* detail = details->FindStringKey("detail");
  ASSERT_TRUE(detail);
  EXPECT_EQ("Checksum mismatch", *detail);
  EXPECT_EQ(0, details->FindIntKey("file_length").value_or(-1));
  const std::string* start = details->FindStringKey("file_start");
  const std::string* end = details->FindStringKey("file_end");
  ASSERT_TRUE(start && end);
  EXPECT_EQ("", *start);
  EXPECT_EQ("", *end);
}

TEST_F(ChecksumCheckerTest, UnreadableFileLeavesNothing) {
  for (const base::FilePath& path : {folder_.GetPath().Append(L"missing"), folder_.GetPath()}) {
    std::string actual = "stale";
    int64_t length = 7;
    std::unique_ptr<base::Value> details;
    EXPECT_FALSE(CheckChecksum(path, kAbc, &details, &actual, &length));
    ASSERT_TRUE(details);
    EXPECT_EQ("Unable to read the file", *details->FindStringKey("detail"));
    EXPECT_EQ("", actual);
    EXPECT_EQ(0, length);
    EXPECT_FALSE(CheckChecksum(path, kAbc, nullptr, &actual, &length));
  }
}

// A hash provider that fails fails the check as a step, whatever was
// expected (the empty text included), and says why.
class FailingHashChecksumTest
    : public ChecksumCheckerTest,
      public ::testing::WithParamInterface<base::test::ScopedFailingHash::Step> {};

TEST_P(FailingHashChecksumTest, CheckFailsWithItsReason) {
  const base::FilePath path = Write("abc");
  base::test::ScopedFailingHash failing(GetParam());
  EXPECT_EQ("", CalculateSha256Hex(reinterpret_cast<const uint8_t*>("abc"), 3));
  for (const std::string& expected : {std::string(kAbc), std::string()}) {
    std::string actual = "stale";
    int64_t length = -1;
    std::unique_ptr<base::Value> details;
    EXPECT_FALSE(CheckChecksum(path, expected, &details, &actual, &length)) << expected;
    ASSERT_TRUE(details);
    EXPECT_EQ("Unable to hash the file", *details->FindStringKey("detail"));
    EXPECT_EQ("", actual);
    EXPECT_FALSE(CheckChecksum(path, expected, nullptr, &actual, &length));
  }
}

INSTANTIATE_TEST_SUITE_P(Steps,
                         FailingHashChecksumTest,
                         ::testing::Values(base::test::ScopedFailingHash::Step::kCreate,
                                           base::test::ScopedFailingHash::Step::kUpdate,
                                           base::test::ScopedFailingHash::Step::kFinish));

}  // namespace
}  // namespace velta
