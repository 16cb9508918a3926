// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_handle.h"

#include <windows.h>

#include <string>
#include <type_traits>
#include <utility>

#include "base/test/unique_names.h"
#include "gtest/gtest.h"

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

// Each "handle" is a counter of its own closes, and closing overwrites the
// thread's last error, as FreeLibrary or WinHttpCloseHandle may.
struct CountingTraits {
  using Handle = int*;
  static bool CloseHandle(Handle handle) {
    ++*handle;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return true;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};
using ScopedCounter = GenericScopedHandle<CountingTraits>;

// A copy would close its handle twice.
static_assert(!std::is_copy_constructible_v<ScopedCounter>);
static_assert(!std::is_copy_assignable_v<ScopedCounter>);

TEST(GenericScopedHandleTest, EveryWayOfLettingGoClosesOnceAndKeepsTheLastError) {
  int other = 0;
  const struct {
    const char* name;
    void (*let_go)(int* handle, int* other);
  } kCases[] = {
      {"destroyed", [](int* handle, int*) { ScopedCounter scoper(handle); }},
      {"closed twice",
       [](int* handle, int*) {
         ScopedCounter scoper(handle);
         scoper.Close();
         scoper.Close();
       }},
      {"replaced",
       [](int* handle, int* other) {
         ScopedCounter scoper(handle);
         scoper.Set(other);
         EXPECT_EQ(other, scoper.Take());
       }},
      {"moved from, both destroyed",
       [](int* handle, int*) {
         ScopedCounter first(handle);
         ScopedCounter second(std::move(first));
       }},
      {"move-assigned over another",
       [](int* handle, int* other) {
         ScopedCounter first(handle);
         ScopedCounter second(other);
         second = std::move(first);
         EXPECT_EQ(handle, second.Get());
       }},
      {"received into",
       [](int* handle, int* other) {
         ScopedCounter scoper(other);
         EXPECT_EQ(other, scoper.Take());
         *scoper.Receive() = handle;
         EXPECT_EQ(handle, scoper.Get());
       }},
      {"received into again",
       [](int* handle, int* other) {
         ScopedCounter scoper(handle);
         *scoper.Receive() = other;
         EXPECT_EQ(other, scoper.Take());
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    int closes = 0;
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    c.let_go(&closes, &other);
    EXPECT_EQ(1, closes);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
  }
}

}  // namespace
}  // namespace base::win
