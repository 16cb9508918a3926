// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file_enumerator.h"

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// root\a.txt (3 bytes), root\b.dll, root\sub.txt\ (a folder),
// root\sub.txt\c.dll, root\sub.txt\deep\d.txt, root\\u6587\\u4EF6\\ (empty folder)
class FileEnumeratorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    root_ = temp_dir_.GetPath();
    ASSERT_TRUE(CreateDirectory(root_.Append(L"sub.txt\\deep")));
    ASSERT_TRUE(CreateDirectory(root_.Append(L"\u6587\u4EF6")));
    ASSERT_TRUE(WriteFile(root_.Append(L"a.txt"), std::string_view("abc")));
    ASSERT_TRUE(WriteFile(root_.Append(L"b.dll"), std::string_view("")));
    ASSERT_TRUE(WriteFile(root_.Append(L"sub.txt\\c.dll"), std::string_view("")));
    ASSERT_TRUE(WriteFile(root_.Append(L"sub.txt\\deep\\d.txt"), std::string_view("")));
  }

  // Relative paths of what `files` lists.
  std::vector<std::wstring> List(FileEnumerator* files) const {
    std::vector<std::wstring> names;
    for (FilePath path = files->Next(); !path.empty(); path = files->Next()) {
      FilePath relative;
      EXPECT_TRUE(root_.AppendRelativePath(path, &relative)) << path;
      EXPECT_EQ(path.BaseName(), files->GetInfo().GetName());
      names.push_back(relative.value());
    }
    return names;
  }

  ScopedTempDir temp_dir_;
  FilePath root_;
};

TEST_F(FileEnumeratorTest, TopLevelByType) {
  FileEnumerator files(root_, false, FileEnumerator::FILES);
  EXPECT_THAT(List(&files), UnorderedElementsAre(L"a.txt", L"b.dll"));
  FileEnumerator dirs(root_, false, FileEnumerator::DIRECTORIES);
  EXPECT_THAT(List(&dirs), UnorderedElementsAre(L"sub.txt", L"\u6587\u4EF6"));
  FileEnumerator both(root_, false, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
  EXPECT_THAT(List(&both), UnorderedElementsAre(L"a.txt", L"b.dll", L"sub.txt", L"\u6587\u4EF6"));
  EXPECT_EQ(File::FILE_OK, both.GetError());
}

TEST_F(FileEnumeratorTest, RecursiveListsEverything) {
  FileEnumerator all(root_, true, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
  EXPECT_THAT(List(&all),
              UnorderedElementsAre(L"a.txt", L"b.dll", L"sub.txt", L"sub.txt\\c.dll",
                                   L"sub.txt\\deep", L"sub.txt\\deep\\d.txt", L"\u6587\u4EF6"));
  FileEnumerator files(root_, true, FileEnumerator::FILES);
  EXPECT_THAT(List(&files), UnorderedElementsAre(L"a.txt", L"b.dll", L"sub.txt\\c.dll",
                                                 L"sub.txt\\deep\\d.txt"));
}

TEST_F(FileEnumeratorTest, PatternFiltersTheRootOnly) {
  FileEnumerator top(root_, false, FileEnumerator::FILES, L"*.dll");
  EXPECT_THAT(List(&top), UnorderedElementsAre(L"b.dll"));
  // A matching folder is listed whole.
  FileEnumerator deep(root_, true, FileEnumerator::FILES | FileEnumerator::DIRECTORIES, L"*.txt");
  EXPECT_THAT(List(&deep), UnorderedElementsAre(L"a.txt", L"sub.txt", L"sub.txt\\c.dll",
                                                L"sub.txt\\deep", L"sub.txt\\deep\\d.txt"));
  FileEnumerator none(root_, false, FileEnumerator::FILES, L"*.none");
  EXPECT_THAT(List(&none), IsEmpty());
  EXPECT_EQ(File::FILE_OK, none.GetError());
}

TEST_F(FileEnumeratorTest, InfoDescribesTheEntry) {
  FileEnumerator files(root_, false, FileEnumerator::FILES | FileEnumerator::DIRECTORIES,
                       L"a.txt");
  ASSERT_EQ(root_.Append(L"a.txt"), files.Next());
  const FileEnumerator::FileInfo info = files.GetInfo();
  EXPECT_EQ(3, info.GetSize());
  EXPECT_FALSE(info.IsDirectory());
  File::Info file_info;
  ASSERT_TRUE(GetFileInfo(root_.Append(L"a.txt"), &file_info));
  EXPECT_EQ(file_info.last_modified, info.GetLastModifiedTime());
  EXPECT_TRUE(files.Next().empty());
  EXPECT_TRUE(files.Next().empty());  // stays done
}

TEST_F(FileEnumeratorTest, MissingRootListsNothing) {
  FileEnumerator files(root_.Append(L"missing"), true, FileEnumerator::FILES);
  EXPECT_TRUE(files.Next().empty());
  EXPECT_EQ(File::FILE_ERROR_NOT_FOUND, files.GetError());
}

}  // namespace
}  // namespace base
