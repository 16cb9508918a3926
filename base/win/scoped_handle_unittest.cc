// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_handle.h"

#include <windows.h>

#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "testing/unique_names.h"

namespace base::win {
namespace {

// A named event exists as long as one handle to it is open, so whether a
// scoper closed its handle shows in whether the name can still be opened.
class ScopedHandleTest : public ::testing::Test {
 protected:
  HANDLE CreateNamedEvent() {
    return ::CreateEventW(nullptr, TRUE, FALSE, name_.c_str());
  }
  bool NamedEventExists() {
    ScopedHandle probe(::OpenEventW(SYNCHRONIZE, FALSE, name_.c_str()));
    return probe.IsValid();
  }

  const std::wstring name_ = L"Local\\" + velta::test::UniqueWideName("scoped-handle");
};

TEST_F(ScopedHandleTest, NullAndInvalidHandleValueAreBothEmpty) {
  ScopedHandle from_null(nullptr);
  ScopedHandle from_invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(from_null.IsValid());
  EXPECT_FALSE(from_invalid.IsValid());
  EXPECT_EQ(nullptr, from_invalid.Get());  // never handed back as a "handle"
}

TEST_F(ScopedHandleTest, DestructionClosesTheHandle) {
  {
    ScopedHandle event(CreateNamedEvent());
    ASSERT_TRUE(event.IsValid());
    EXPECT_TRUE(NamedEventExists());
  }
  EXPECT_FALSE(NamedEventExists());
}

TEST_F(ScopedHandleTest, SetClosesThePreviousHandleAndKeepsTheLastError) {
  ScopedHandle event(CreateNamedEvent());
  ASSERT_TRUE(event.IsValid());
  // The failing call's error must survive the close of the replaced handle.
  HANDLE missing = ::OpenEventW(SYNCHRONIZE, FALSE, L"Local\\velta-no-such-event");
  ASSERT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
  event.Set(missing);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
  EXPECT_FALSE(event.IsValid());
  EXPECT_FALSE(NamedEventExists());
}

TEST_F(ScopedHandleTest, TakeGivesUpOwnershipWithoutClosing) {
  ScopedHandle event(CreateNamedEvent());
  HANDLE raw = event.Take();
  EXPECT_FALSE(event.IsValid());
  event.Close();
  EXPECT_TRUE(NamedEventExists());
  ASSERT_TRUE(::CloseHandle(raw));
  EXPECT_FALSE(NamedEventExists());
}

TEST_F(ScopedHandleTest, MoveTransfersOwnershipOnce) {
  ScopedHandle first(CreateNamedEvent());
  ScopedHandle second(std::move(first));
  EXPECT_FALSE(first.IsValid());
  ASSERT_TRUE(second.IsValid());
  ScopedHandle third;
  third = std::move(second);
  EXPECT_FALSE(second.IsValid());
  EXPECT_TRUE(NamedEventExists());
  third.Close();
  third.Close();  // safe twice
  EXPECT_FALSE(NamedEventExists());
}

}  // namespace
}  // namespace base::win
