// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/wininet_response_writer.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

const uint8_t kBytes[] = {'a', 'b', 'c', 'd'};

class WininetResponseWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    path_ = folder_.GetPath().Append(L"velta_package");
  }
  std::string Content() {
    std::string content;
    base::ReadFileToString(path_, &content);
    return content;
  }
  base::ScopedTempDir folder_;
  base::FilePath path_;
};

TEST_F(WininetResponseWriterTest, TruncatesWritesAndStartsAgain) {
  ASSERT_TRUE(base::WriteFile(path_, "older and longer content"));
  WininetResponseWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  ASSERT_TRUE(writer.Write(kBytes, 4));
  ASSERT_TRUE(writer.Restart());
  ASSERT_TRUE(writer.Write(kBytes + 2, 2));
  writer.Close();
  writer.Close();
  EXPECT_EQ("cd", Content());
  EXPECT_FALSE(writer.Write(kBytes, 1)) << "a closed writer takes nothing";
  EXPECT_NE(0u, writer.last_error());
}

TEST_F(WininetResponseWriterTest, OpenFailsOnAFileHeldWithoutSharing) {
  HANDLE held = ::CreateFileW(path_.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  WininetResponseWriter writer;
  EXPECT_FALSE(writer.Open(path_));
  ::CloseHandle(held);
  EXPECT_FALSE(writer.Open(folder_.GetPath().Append(L"missing\\file")));
}

TEST(StringResponseWriterTest, EmptiesItsTargetAndAppends) {
  std::string target = "an older reply";
  StringResponseWriter writer(&target);
  EXPECT_EQ("", target);
  EXPECT_TRUE(writer.Write(kBytes, 2));
  EXPECT_TRUE(writer.Write(kBytes + 2, 2));
  EXPECT_EQ("abcd", target);
  EXPECT_TRUE(writer.Restart());
  EXPECT_EQ("", target);
}

}  // namespace
}  // namespace velta
