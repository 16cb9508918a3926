// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_drive.h"

#include <windows.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/common/win/win_api.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr uint32_t DriveBit(wchar_t letter) {
  return 1u << (letter - L'A');
}

std::wstring TakeAllLetters(WinApiDriveList* list) {
  std::wstring letters;
  while (std::unique_ptr<WinApiDrive> drive = list->TakeDrive())
    letters += drive->letter();
  return letters;
}

TEST(WinApiDriveListTest, HandsOutTheDrivesOfTheMaskInOrder) {
  WinApiDriveList list(DriveBit(L'C') | DriveBit(L'E'));
  std::unique_ptr<WinApiDrive> drive = list.TakeDrive();
  ASSERT_TRUE(drive);
  EXPECT_EQ(L'C', drive->letter());
  EXPECT_EQ(L"C:\\", drive->GetRootPath().value());
  drive = list.TakeDrive();
  ASSERT_TRUE(drive);
  EXPECT_EQ(L"E:\\", drive->GetRootPath().value());
  EXPECT_FALSE(list.TakeDrive());
  EXPECT_FALSE(list.TakeDrive());
}

TEST(WinApiDriveListTest, StopsAtZAndIgnoresHigherBits) {
  WinApiDriveList all(0xFFFFFFFFu);
  EXPECT_EQ(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ", TakeAllLetters(&all));
  WinApiDriveList ends(DriveBit(L'A') | DriveBit(L'Z') | (1u << 26) | (1u << 31));
  EXPECT_EQ(L"AZ", TakeAllLetters(&ends));
  WinApiDriveList none(0);
  EXPECT_EQ(L"", TakeAllLetters(&none));
}

TEST(WinApiDriveListTest, RealListHasTheSystemDrive) {
  std::unique_ptr<WinApiDriveList> list = WinApi::GetInstance()->GetLogicalDrives();
  wchar_t windows[MAX_PATH];
  ASSERT_NE(0u, ::GetWindowsDirectoryW(windows, MAX_PATH));
  EXPECT_NE(std::wstring::npos, TakeAllLetters(list.get()).find(windows[0]));
  EXPECT_EQ(static_cast<unsigned int>(DRIVE_FIXED), WinApiDrive(windows[0]).GetDriveType());
}

TEST(WinApiDriveTest, MissingDriveHasNoRootAndNoMedia) {
  const DWORD present = ::GetLogicalDrives();
  wchar_t missing = 0;
  for (wchar_t letter = L'Z'; letter > L'C' && !missing; --letter) {
    if (!(present & DriveBit(letter)))
      missing = letter;
  }
  ASSERT_NE(0, missing);
  WinApiDrive drive(missing);
  EXPECT_EQ(static_cast<unsigned int>(DRIVE_NO_ROOT_DIR), drive.GetDriveType());
  EXPECT_FALSE(drive.IsMediaPresent());
  EXPECT_EQ(0u, drive.GetFreeMegabytes());
}

TEST(WinApiDriveTest, FreeMegabytesOfTheSystemDriveDropTheFraction) {
  wchar_t windows[MAX_PATH];
  ASSERT_NE(0u, ::GetWindowsDirectoryW(windows, MAX_PATH));
  std::unique_ptr<WinApiDrive> drive = WinApi::GetInstance()->GetDrive(windows[0]);
  ULARGE_INTEGER available = {};
  ASSERT_TRUE(::GetDiskFreeSpaceExW(drive->GetRootPath().value().c_str(), &available, nullptr,
                                    nullptr));
  const uint64_t megabytes = drive->GetFreeMegabytes();
  ASSERT_GT(megabytes, 0u);
  // Other tests write meanwhile: within 64 MB of what Windows said just now.
  const uint64_t expected = available.QuadPart / (1024 * 1024);
  EXPECT_LT(megabytes > expected ? megabytes - expected : expected - megabytes, 64u);
}

// The storage check itself is not supported under Wine; its answer is read
// this way on Windows.
TEST(WinApiDriveTest, ChangedMediaCountsAsPresent) {
  EXPECT_TRUE(WinApiDrive::IsMediaPresentResult(true, ERROR_SUCCESS));
  EXPECT_TRUE(WinApiDrive::IsMediaPresentResult(false, ERROR_MEDIA_CHANGED));
  EXPECT_FALSE(WinApiDrive::IsMediaPresentResult(false, ERROR_NOT_READY));
  EXPECT_FALSE(WinApiDrive::IsMediaPresentResult(false, ERROR_NOT_SUPPORTED));
}

}  // namespace
}  // namespace velta
