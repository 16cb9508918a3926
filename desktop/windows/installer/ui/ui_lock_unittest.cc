// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/ui_lock.h"

#include <windows.h>

#include <string>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/scoped_path_override.h"
#include "base/test/unique_names.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kTempSwitch[] = "lock-temp";
constexpr char kReadySwitch[] = "ready-event";

// Child role: takes the UI lock in the given temporary folder, says so
// through the named event and waits to be killed.
VELTA_TEST_CHILD_MAIN(HoldUiLock) {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  base::PathService::Override(base::DIR_TEMP, command_line.GetSwitchValuePath(kTempSwitch));
  base::win::ScopedHandle lock_file;
  if (GetUiLock(&lock_file) != ::GetCurrentThreadId() || !lock_file.IsValid())
    return 2;
  base::win::ScopedHandle ready(::OpenEventW(
      EVENT_MODIFY_STATE, FALSE, command_line.GetSwitchValueNative(kReadySwitch).c_str()));
  if (!ready.IsValid() || !::SetEvent(ready.Get()))
    return 3;
  ::Sleep(INFINITE);
  return 0;
}

uint32_t ReadThreadIdFromFile(const base::FilePath& path) {
  std::string bytes;
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
  uint32_t id = 0;
  DWORD read = 0;
  if (!file.IsValid() || !::ReadFile(file.Get(), &id, sizeof(id), &read, nullptr) || read != 4)
    return 0;
  return id;
}

class UiLockTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    override_ = std::make_unique<base::ScopedPathOverride>(base::DIR_TEMP, temp_.GetPath());
    ASSERT_TRUE(GetUiLockFilePath(&lock_path_));
    ASSERT_EQ(temp_.GetPath().Append(L"velta_installer_ui.lck"), lock_path_);
  }

  // Holds the lock file open as a foreign process would, with `bytes` in it.
  base::win::ScopedHandle HoldForeignFile(const std::string& bytes, DWORD share) {
    base::win::ScopedHandle file(::CreateFileW(lock_path_.value().c_str(), GENERIC_WRITE, share,
                                               nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE,
                                               nullptr));
    DWORD written = 0;
    EXPECT_TRUE(file.IsValid());
    EXPECT_TRUE(::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr));
    return file;
  }

  base::ScopedTempDir temp_;
  std::unique_ptr<base::ScopedPathOverride> override_;
  base::FilePath lock_path_;
};

TEST_F(UiLockTest, FirstCallerOwnsTheLockUntilItsHandleCloses) {
  base::win::ScopedHandle lock_file;
  EXPECT_EQ(::GetCurrentThreadId(), GetUiLock(&lock_file));
  ASSERT_TRUE(lock_file.IsValid());
  EXPECT_EQ(::GetCurrentThreadId(), ReadThreadIdFromFile(lock_path_));
  int64_t size = 0;
  ASSERT_TRUE(base::GetFileSize(lock_path_, &size));
  EXPECT_EQ(4, size);
  lock_file.Close();
  EXPECT_FALSE(base::PathExists(lock_path_));
}

struct ForeignFileCase {
  const char* name;
  std::string bytes;
  DWORD share;
  uint32_t expected;
};

class UiLockForeignFileTest : public UiLockTest,
                              public testing::WithParamInterface<ForeignFileCase> {};

// Another holder keeps the file open: the caller never becomes the owner and
// learns the owner's id only from a whole, readable file.
TEST_P(UiLockForeignFileTest, ReadsTheOwnerOrNothing) {
  base::win::ScopedHandle foreign = HoldForeignFile(GetParam().bytes, GetParam().share);
  base::win::ScopedHandle lock_file;
  EXPECT_EQ(GetParam().expected, GetUiLock(&lock_file));
  EXPECT_FALSE(lock_file.IsValid());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    UiLockForeignFileTest,
    testing::Values(
        ForeignFileCase{"OwnerIdRead", std::string("\x39\x30\x00\x00", 4), FILE_SHARE_READ, 12345},
        // Mended: fewer than 4 bytes read as no lock, not as a partly filled id.
        ForeignFileCase{"ShortFileIsNoLock", std::string("\x39\x30", 2), FILE_SHARE_READ, 0},
        ForeignFileCase{"EmptyFileIsNoLock", std::string(), FILE_SHARE_READ, 0},
        ForeignFileCase{"UnreadableFileIsNoLock", std::string("\x39\x30\x00\x00", 4), 0, 0}),
    [](const testing::TestParamInfo<ForeignFileCase>& info) { return info.param.name; });

TEST_F(UiLockTest, StaleFileNotHeldOpenIsTakenOver) {
  ASSERT_TRUE(base::WriteFile(lock_path_, "\x01\x02\x03\x04", 4));
  base::win::ScopedHandle lock_file;
  EXPECT_EQ(::GetCurrentThreadId(), GetUiLock(&lock_file));
  EXPECT_EQ(::GetCurrentThreadId(), ReadThreadIdFromFile(lock_path_));
}

TEST_F(UiLockTest, LockOfAKilledOwnerIsGoneAndTakenOver) {
  const std::wstring ready_name = test::UniqueWideName("ui_lock_ready");
  base::win::ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  ASSERT_TRUE(ready.IsValid());
  base::CommandLine child = test::MakeChildCommandLine("HoldUiLock");
  child.AppendSwitchPath(kTempSwitch, temp_.GetPath());
  child.AppendSwitchNative(kReadySwitch, ready_name);
  base::Process process = base::LaunchProcess(child, base::LaunchOptions());
  ASSERT_TRUE(process.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.Get(), 60000));

  // The child owns the lock: this process reads its id and does not own it.
  const uint32_t owner = ReadThreadIdFromFile(lock_path_);
  ASSERT_NE(0u, owner);
  base::win::ScopedHandle lock_file;
  EXPECT_EQ(owner, GetUiLock(&lock_file));
  EXPECT_NE(::GetCurrentThreadId(), owner);
  EXPECT_FALSE(lock_file.IsValid());

  ASSERT_TRUE(process.Terminate(9, /*wait=*/true));
  EXPECT_FALSE(base::PathExists(lock_path_));
  EXPECT_EQ(::GetCurrentThreadId(), GetUiLock(&lock_file));
  EXPECT_TRUE(lock_file.IsValid());
}

TEST(SwitchToUiThreadWindowTest, FindsOnlyEnabledVisibleWindowsOfTheThread) {
  HWND hidden = ::CreateWindowExW(0, L"STATIC", L"hidden", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                  nullptr, nullptr, nullptr);
  ASSERT_TRUE(hidden);
  EXPECT_FALSE(SwitchToUiThreadWindow(::GetCurrentThreadId()));
  HWND shown = ::CreateWindowExW(0, L"STATIC", L"shown", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(SwitchToUiThreadWindow(::GetCurrentThreadId()));
  ::EnableWindow(shown, FALSE);
  EXPECT_FALSE(SwitchToUiThreadWindow(::GetCurrentThreadId()));
  ::DestroyWindow(shown);
  ::DestroyWindow(hidden);
}

}  // namespace
}  // namespace velta
