// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/file_sha1_hasher.h"

#include <algorithm>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/installer/utils/downloadable_resources.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// An empty file, "abc" and one of several read blocks with a remainder, and
// the digests CNG gives them.
class FileSha1HasherTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    std::string big;
    for (int i = 0; big.size() < 300000; ++i)
      big += "block " + std::to_string(i * 7919) + "\n";
    for (const std::string& content : {std::string(), std::string("abc"), big}) {
      const base::FilePath file = dir_.GetPath().Append(std::to_wstring(files_.size()) + L".pak");
      ASSERT_TRUE(base::WriteFile(file, content));
      files_.push_back(file);
      expected_.push_back(base::SHA1HashString(content));
    }
  }

  // The digests `hasher` gives the files, through ComputeFileSha1.
  std::vector<std::string> DigestsFrom(FileSha1Hasher* hasher) {
    base::ProcessWide<FileSha1Hasher>::ScopedOverride scoped_hasher(hasher);
    std::vector<std::string> digests;
    for (const base::FilePath& file : files_) {
      std::array<uint8_t, base::kSHA1Length> digest;
      EXPECT_TRUE(ComputeFileSha1(file, &digest)) << file.AsUTF8Unsafe();
      digests.emplace_back(digest.begin(), digest.end());
    }
    return digests;
  }

  static size_t FallbackLines(const std::vector<std::string>& lines) {
    return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("CNG cannot compute SHA-1") != std::string::npos;
    });
  }

  base::ScopedTempDir dir_;
  std::vector<base::FilePath> files_;
  std::vector<std::string> expected_;
};

TEST_F(FileSha1HasherTest, CngGivesTheDigests) {
  base::test::ScopedLogCollector log(logging::LOG_WARNING);
  FileSha1Hasher hasher;
  EXPECT_EQ(expected_, DigestsFrom(&hasher));
  EXPECT_EQ(0u, FallbackLines(log.lines));
}

// Without a usable CNG the built-in SHA-1 gives the same digests, and CNG
// is given up once for the process: tried and logged for the first file
// only.
TEST_F(FileSha1HasherTest, WithoutCngTheBuiltinSha1GivesTheSameDigests) {
  base::test::ScopedLogCollector log(logging::LOG_WARNING);
  FileSha1Hasher hasher(L"velta_absent_cng.dll");
  EXPECT_EQ(expected_, DigestsFrom(&hasher));
  EXPECT_EQ(expected_, DigestsFrom(&hasher));
  EXPECT_EQ(1u, FallbackLines(log.lines));
  EXPECT_THAT(log.lines, testing::Contains(testing::HasSubstr("cannot load the library: 126")));
}

TEST_F(FileSha1HasherTest, MissingFileHasNoDigestEitherWay) {
  std::array<uint8_t, base::kSHA1Length> digest;
  for (const wchar_t* library : {FileSha1Hasher::kCngLibrary, L"velta_absent_cng.dll"}) {
    FileSha1Hasher hasher(library);
    EXPECT_FALSE(hasher.Compute(dir_.GetPath().Append(L"absent.pak"), &digest));
  }
}

}  // namespace
}  // namespace velta
