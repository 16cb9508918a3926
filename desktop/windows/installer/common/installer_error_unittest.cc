// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/installer_error.h"

#include <thread>

#include "gtest/gtest.h"

namespace velta {
namespace {

class InstallerErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateInstallerErrorRecord(); }
  void TearDown() override { DestroyInstallerErrorRecord(); }
};

TEST_F(InstallerErrorTest, SetReplacesEverythingAndReturnsFalse) {
  EXPECT_FALSE(SetInstallerError(7, "first", L"First"));
  EXPECT_FALSE(SetInstallerError(9, "second", L"Second"));
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  EXPECT_EQ(9u, code);
  EXPECT_EQ("second", detail);
  EXPECT_EQ(L"Second", text);
  EXPECT_EQ(9u, GetInstallerErrorCode());
}

TEST_F(InstallerErrorTest, AppendKeepsCodeAndTextWhenNotGiven) {
  SetInstallerError(5, "base", L"Shown");
  EXPECT_FALSE(AppendInstallerError("more", 0, L""));
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  EXPECT_EQ(5u, code);
  EXPECT_EQ(L"Shown", text);
  EXPECT_EQ("base\nmore", detail);

  AppendInstallerError("last", 6, L"Replaced");
  GetInstallerError(&code, &detail, &text);
  EXPECT_EQ(6u, code);
  EXPECT_EQ(L"Replaced", text);
  EXPECT_EQ("base\nmore\nlast", detail);
}

TEST_F(InstallerErrorTest, AppendsToEmptyRecordStartWithLineFeed) {
  AppendInstallerError("a", 0, L"");
  AppendInstallerError("b", 0, L"");
  std::string detail;
  GetInstallerError(nullptr, &detail, nullptr);
  EXPECT_EQ("\na\nb", detail);
}

TEST_F(InstallerErrorTest, RecordsArePerThread) {
  SetInstallerError(3, "main", L"");
  uint32_t seen_on_other_thread = 99;
  uint32_t other_after_set = 0;
  std::thread other([&] {
    CreateInstallerErrorRecord();
    seen_on_other_thread = GetInstallerErrorCode();
    SetInstallerError(4, "other", L"");
    other_after_set = GetInstallerErrorCode();
    DestroyInstallerErrorRecord();
  });
  other.join();
  EXPECT_EQ(0u, seen_on_other_thread);
  EXPECT_EQ(4u, other_after_set);
  EXPECT_EQ(3u, GetInstallerErrorCode());
}

TEST(InstallerErrorWithoutRecordTest, CallsAreHarmless) {
  std::thread thread([] {
    EXPECT_FALSE(SetInstallerError(1, "x", L"y"));
    EXPECT_FALSE(AppendInstallerError("x", 1, L"y"));
    EXPECT_EQ(0u, GetInstallerErrorCode());
    std::string detail = "unchanged";
    GetInstallerError(nullptr, &detail, nullptr);
    EXPECT_EQ("", detail);
  });
  thread.join();
}

}  // namespace
}  // namespace velta
