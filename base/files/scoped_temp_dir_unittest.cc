// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/scoped_temp_dir.h"

#include <windows.h>

#include <utility>

#include "base/files/file_util.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// A folder with a read-only file and a read-only subfolder inside.
void FillTree(const FilePath& dir) {
  ASSERT_TRUE(CreateDirectory(dir.Append(L"sub")));
  const FilePath file = dir.Append(L"sub\\ro.txt");
  ASSERT_TRUE(WriteFile(file, std::string_view("x")));
  ASSERT_TRUE(::SetFileAttributesW(file.value().c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW(dir.Append(L"sub").value().c_str(), FILE_ATTRIBUTE_READONLY));
}

TEST(ScopedTempDirTest, DestructorDeletesTheWholeTree) {
  FilePath path;
  {
    ScopedTempDir dir;
    EXPECT_FALSE(dir.IsValid());
    ASSERT_TRUE(dir.CreateUniqueTempDir());
    EXPECT_TRUE(dir.IsValid());
    path = dir.GetPath();
    FilePath temp;
    ASSERT_TRUE(GetTempDir(&temp));
    EXPECT_EQ(temp, path.DirName());
    FillTree(path);
    EXPECT_FALSE(dir.CreateUniqueTempDir());  // already holds one
    EXPECT_EQ(path, dir.GetPath());
  }
  EXPECT_FALSE(PathExists(path));
}

TEST(ScopedTempDirTest, TakeKeepsTheFolder) {
  FilePath path;
  {
    ScopedTempDir dir;
    ASSERT_TRUE(dir.CreateUniqueTempDir());
    path = dir.Take();
    EXPECT_FALSE(dir.IsValid());
  }
  EXPECT_TRUE(DirectoryExists(path));
  EXPECT_TRUE(DeletePathRecursively(path));
}

TEST(ScopedTempDirTest, UnderPathAndSetCreateWhatIsMissing) {
  ScopedTempDir outer;
  ASSERT_TRUE(outer.CreateUniqueTempDir());
  const FilePath base = outer.GetPath().Append(L"a\\b");
  {
    ScopedTempDir under;
    ASSERT_TRUE(under.CreateUniqueTempDirUnderPath(base));
    EXPECT_EQ(base, under.GetPath().DirName());
    ScopedTempDir set;
    const FilePath chosen = outer.GetPath().Append(L"\u00E9l\u00E9ment");
    ASSERT_TRUE(set.Set(chosen));
    EXPECT_TRUE(DirectoryExists(chosen));
    EXPECT_FALSE(set.Set(chosen));
    // Moving hands the folder over once.
    ScopedTempDir moved(std::move(set));
    EXPECT_FALSE(set.IsValid());  // NOLINT: checking the moved-from state
    EXPECT_EQ(chosen, moved.GetPath());
  }
  EXPECT_TRUE(DirectoryExists(base));
  EXPECT_TRUE(IsDirectoryEmpty(base));
  EXPECT_TRUE(IsDirectoryEmpty(outer.GetPath().Append(L"a\\b")));
}

TEST(ScopedTempDirTest, FailedDeleteKeepsOwnership) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const FilePath file = dir.GetPath().Append(L"busy.txt");
  ASSERT_TRUE(WriteFile(file, std::string_view("x")));
  HANDLE busy = ::CreateFileW(file.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, busy);
  EXPECT_FALSE(dir.Delete());
  EXPECT_TRUE(dir.IsValid());
  ::CloseHandle(busy);
  EXPECT_TRUE(dir.Delete());
  EXPECT_FALSE(dir.IsValid());
  EXPECT_FALSE(dir.Delete());  // nothing left to delete
}

}  // namespace
}  // namespace base
