// Copyright 2026 Velta Software. All rights reserved.

#include "base/system/sys_info.h"

#include <windows.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(SysInfoTest, FreeSpaceOfAFolderIsThatOfItsDrive) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const int64_t of_folder = SysInfo::AmountOfFreeDiskSpace(dir.GetPath());
  ASSERT_GT(of_folder, 0);
  const FilePath root(dir.GetPath().value().substr(0, 3));
  const int64_t of_root = SysInfo::AmountOfFreeDiskSpace(root);
  ASSERT_GT(of_root, 0);
  // Other tests write meanwhile: the two answers are close, not equal.
  EXPECT_LT(of_folder > of_root ? of_folder - of_root : of_root - of_folder, 1LL << 30);
}

TEST(SysInfoTest, UnknownPlacesCannotBeAsked) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  EXPECT_EQ(-1, SysInfo::AmountOfFreeDiskSpace(dir.GetPath().Append(L"missing\\deeper")));
  const DWORD present = ::GetLogicalDrives();
  wchar_t missing = 0;
  for (wchar_t letter = L'Z'; letter > L'C' && !missing; --letter) {
    if (!(present & (1u << (letter - L'A'))))
      missing = letter;
  }
  ASSERT_NE(0, missing);
  EXPECT_EQ(-1, SysInfo::AmountOfFreeDiskSpace(FilePath(std::wstring(1, missing) + L":\\")));
}

}  // namespace
}  // namespace base
