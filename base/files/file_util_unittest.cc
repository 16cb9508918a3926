// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file_util.h"

#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_folder_link.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// Not ASCII, not in the ANSI code page, and not in the BMP.
constexpr wchar_t kNonAsciiName[] = L"\u00DCn\u00EFc\u00F8de_\u0444\u0430\u0439\u043B_\u6587\u4EF6_\U0001F600.txt";

class FileUtilTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  FilePath Path(const wchar_t* relative) const { return temp_dir_.GetPath().Append(relative); }

  static void WriteText(const FilePath& path, std::string_view text) {
    ASSERT_TRUE(WriteFile(path, text)) << path;
  }

  static std::string ReadText(const FilePath& path) {
    std::string contents;
    EXPECT_TRUE(ReadFileToString(path, &contents)) << path;
    return contents;
  }

  static void MakeReadOnly(const FilePath& path) {
    const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
    ASSERT_TRUE(::SetFileAttributesW(path.value().c_str(), attributes | FILE_ATTRIBUTE_READONLY));
  }

  // The relative paths of everything below `root`.
  static std::vector<std::wstring> TreeOf(const FilePath& root) {
    std::vector<std::wstring> names;
    FileEnumerator files(root, true, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
    for (FilePath path = files.Next(); !path.empty(); path = files.Next()) {
      FilePath relative;
      root.AppendRelativePath(path, &relative);
      names.push_back(relative.value());
    }
    return names;
  }

  ScopedTempDir temp_dir_;
};

TEST_F(FileUtilTest, WriteReadRoundTripKeepsBytesAndNonAsciiNames) {
  const FilePath path = Path(kNonAsciiName);
  const std::string data("bin\0ary\r\n\xFF\x80", 12);
  EXPECT_EQ(12, WriteFile(path, data.data(), static_cast<int>(data.size())));
  EXPECT_TRUE(PathExists(path));
  EXPECT_FALSE(DirectoryExists(path));
  EXPECT_EQ(data, ReadText(path));
  int64_t size = 0;
  EXPECT_TRUE(GetFileSize(path, &size));
  EXPECT_EQ(12, size);
  char buffer[32];
  EXPECT_EQ(12, ReadFile(path, buffer, sizeof(buffer)));
  EXPECT_EQ(4, ReadFile(path, buffer, 4));
  EXPECT_EQ("bin", std::string(buffer, 3));
  // A shorter write replaces the whole file.
  WriteText(path, "x");
  EXPECT_EQ("x", ReadText(path));
  WriteText(path, "");
  EXPECT_EQ("", ReadText(path));
  EXPECT_TRUE(PathExists(path));
}

TEST_F(FileUtilTest, ReadFileToStringRefusals) {
  std::string contents = "stale";
  EXPECT_FALSE(ReadFileToString(Path(L"missing.txt"), &contents));
  EXPECT_EQ("", contents);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
  // A folder where a file is expected.
  contents = "stale";
  EXPECT_FALSE(ReadFileToString(temp_dir_.GetPath(), &contents));
  EXPECT_EQ("", contents);
  // A path through ".." is refused even though it names a real file.
  WriteText(Path(L"real.txt"), "data");
  const FilePath indirect = temp_dir_.GetPath().Append(L"..").Append(
      temp_dir_.GetPath().BaseName()).Append(L"real.txt");
  EXPECT_FALSE(ReadFileToString(indirect, &contents));
  EXPECT_TRUE(ReadFileToString(Path(L"real.txt"), nullptr));
  EXPECT_EQ(-1, ReadFile(Path(L"missing.txt"), &contents[0], 1));
}

TEST_F(FileUtilTest, ReadFileToStringWithMaxSizeBoundaries) {
  // Larger than one read chunk, not a multiple of it.
  std::string big(200001, '\0');
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 7);
  const FilePath path = Path(L"big.bin");
  WriteText(path, big);
  std::string contents;
  EXPECT_TRUE(ReadFileToStringWithMaxSize(path, &contents, big.size()));
  EXPECT_EQ(big, contents);
  EXPECT_FALSE(ReadFileToStringWithMaxSize(path, &contents, big.size() - 1));
  EXPECT_EQ(big.substr(0, big.size() - 1), contents);
  EXPECT_FALSE(ReadFileToStringWithMaxSize(path, &contents, 0));
  EXPECT_EQ("", contents);
  WriteText(path, "");
  EXPECT_TRUE(ReadFileToStringWithMaxSize(path, &contents, 0));
}

TEST_F(FileUtilTest, WriteFileFailures) {
  EXPECT_EQ(-1, WriteFile(temp_dir_.GetPath(), "x", 1));
  EXPECT_EQ(-1, WriteFile(Path(L"no_folder\\file.txt"), "x", 1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), ::GetLastError());
  EXPECT_EQ(-1, WriteFile(Path(L"negative.txt"), "x", -1));
  EXPECT_FALSE(PathExists(Path(L"negative.txt")));
}

TEST_F(FileUtilTest, AppendToFileNeedsAnExistingFile) {
  const FilePath path = Path(L"log.txt");
  EXPECT_FALSE(AppendToFile(path, "a"));
  EXPECT_FALSE(PathExists(path));
  WriteText(path, "one");
  EXPECT_TRUE(AppendToFile(path, ",two"));
  EXPECT_TRUE(AppendToFile(path, ",three", 6));
  EXPECT_EQ("one,two,three", ReadText(path));
}

TEST_F(FileUtilTest, CreateDirectoryMakesParents) {
  const FilePath deep = Path(L"a\\b\\\u00E9\\d");
  File::Error error = File::FILE_OK;
  EXPECT_TRUE(CreateDirectoryAndGetError(deep, &error));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectory(deep));  // already there
  EXPECT_TRUE(CreateDirectory(Path(L"trailing\\")));
  EXPECT_TRUE(DirectoryExists(Path(L"trailing")));
}

TEST_F(FileUtilTest, CreateDirectoryRefusesAFileInTheWay) {
  WriteText(Path(L"file"), "x");
  File::Error error = File::FILE_OK;
  EXPECT_FALSE(CreateDirectoryAndGetError(Path(L"file"), &error));
  EXPECT_EQ(File::FILE_ERROR_NOT_A_DIRECTORY, error);
  // A file where a parent should be.
  error = File::FILE_OK;
  EXPECT_FALSE(CreateDirectoryAndGetError(Path(L"file\\child"), &error));
  EXPECT_NE(File::FILE_OK, error);
  EXPECT_EQ("x", ReadText(Path(L"file")));
}

TEST_F(FileUtilTest, DeleteFileIsNotRecursive) {
  EXPECT_TRUE(DeleteFile(Path(L"missing")));
  WriteText(Path(L"plain.txt"), "x");
  EXPECT_TRUE(DeleteFile(Path(L"plain.txt")));
  EXPECT_FALSE(PathExists(Path(L"plain.txt")));
  WriteText(Path(L"ro.txt"), "x");
  MakeReadOnly(Path(L"ro.txt"));
  EXPECT_TRUE(DeleteFile(Path(L"ro.txt")));
  EXPECT_FALSE(PathExists(Path(L"ro.txt")));

  ASSERT_TRUE(CreateDirectory(Path(L"full")));
  WriteText(Path(L"full\\keep.txt"), "keep");
  EXPECT_FALSE(DeleteFile(Path(L"full")));
  EXPECT_EQ("keep", ReadText(Path(L"full\\keep.txt")));
  ASSERT_TRUE(CreateDirectory(Path(L"empty")));
  EXPECT_TRUE(DeleteFile(Path(L"empty")));
  EXPECT_FALSE(PathExists(Path(L"empty")));
}

TEST_F(FileUtilTest, DeleteFileWithWildcardDeletesMatchesOnly) {
  WriteText(Path(L"a.tmp"), "x");
  WriteText(Path(L"b.tmp"), "x");
  WriteText(Path(L"c.txt"), "x");
  EXPECT_TRUE(DeleteFile(Path(L"*.tmp")));
  EXPECT_THAT(TreeOf(temp_dir_.GetPath()), UnorderedElementsAre(L"c.txt"));
}

TEST_F(FileUtilTest, DeletePathRecursivelyRemovesReadOnlyTree) {
  const FilePath root = Path(L"tree");
  ASSERT_TRUE(CreateDirectory(root.Append(L"sub\\deeper")));
  WriteText(root.Append(L"top.txt"), "x");
  WriteText(root.Append(L"sub").Append(kNonAsciiName), "x");
  WriteText(root.Append(L"sub\\deeper\\ro.dll"), "x");
  MakeReadOnly(root.Append(L"sub\\deeper\\ro.dll"));
  MakeReadOnly(root.Append(L"sub\\deeper"));
  MakeReadOnly(root.Append(L"top.txt"));
  EXPECT_TRUE(DeletePathRecursively(root));
  EXPECT_FALSE(PathExists(root));
  EXPECT_TRUE(DeletePathRecursively(root));  // gone already: fine
  // A single file works too.
  WriteText(Path(L"single"), "x");
  EXPECT_TRUE(DeletePathRecursively(Path(L"single")));
  EXPECT_FALSE(PathExists(Path(L"single")));
}

TEST_F(FileUtilTest, DeletePathRecursivelyReportsAFileInUse) {
  const FilePath root = Path(L"busy");
  ASSERT_TRUE(CreateDirectory(root.Append(L"sub")));
  WriteText(root.Append(L"a.txt"), "x");
  WriteText(root.Append(L"sub\\locked.txt"), "x");
  WriteText(root.Append(L"sub\\z.txt"), "x");
  // Open without FILE_SHARE_DELETE, as a running program holds its files.
  HANDLE locked = ::CreateFileW(root.Append(L"sub\\locked.txt").value().c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  EXPECT_FALSE(DeletePathRecursively(root));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
  // Everything else went; the busy file and its folders stay.
  EXPECT_THAT(TreeOf(root), UnorderedElementsAre(L"sub", L"sub\\locked.txt"));
  ::CloseHandle(locked);
  EXPECT_TRUE(DeletePathRecursively(root));
  EXPECT_FALSE(PathExists(root));
}

// A link (junction or symbolic link) inside a tree is never entered, by a
// recursive listing or a removal: the folder it leads to keeps its files.
// Windows removes the link itself; under Wine, whose link is a Unix one that
// no removal reaches (see ScopedFolderLink), the link and the folders above
// it stay and the removal reports that.
TEST_F(FileUtilTest, DeletePathRecursivelyNeverEntersALink) {
  const FilePath outside = Path(L"outside");
  const FilePath root = Path(L"tree");
  ASSERT_TRUE(CreateDirectory(outside));
  ASSERT_TRUE(CreateDirectory(root.Append(L"sub")));
  WriteText(outside.Append(L"kept.txt"), "someone else's");
  WriteText(root.Append(L"sub\\a.txt"), "x");
  const velta::test::ScopedFolderLink link(root.Append(L"sub\\link"), outside);
  ASSERT_TRUE(link.is_valid());
  EXPECT_THAT(TreeOf(root), UnorderedElementsAre(L"sub", L"sub\\a.txt", L"sub\\link"));
  DeletePathRecursively(root);
  EXPECT_EQ("someone else's", ReadText(outside.Append(L"kept.txt")));
  EXPECT_FALSE(PathExists(root.Append(L"sub\\a.txt")));
}

TEST_F(FileUtilTest, CopyFileOverwritesAndLeavesCopyWritable) {
  const FilePath from = Path(kNonAsciiName);
  const FilePath to = Path(L"copy.txt");
  WriteText(from, "new");
  WriteText(to, "old and longer");
  MakeReadOnly(from);
  EXPECT_TRUE(CopyFile(from, to));
  EXPECT_EQ("new", ReadText(to));
  EXPECT_FALSE(::GetFileAttributesW(to.value().c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(::GetFileAttributesW(from.value().c_str()) & FILE_ATTRIBUTE_READONLY);

  EXPECT_FALSE(CopyFile(Path(L"missing"), Path(L"copy2.txt")));
  EXPECT_FALSE(PathExists(Path(L"copy2.txt")));
  EXPECT_FALSE(CopyFile(temp_dir_.GetPath().Append(L"..\\x"), Path(L"copy3.txt")));
}

TEST_F(FileUtilTest, CopyDirectoryRecursiveIntoNewOrExistingFolder) {
  const FilePath from = Path(L"src");
  ASSERT_TRUE(CreateDirectory(from.Append(L"sub")));
  WriteText(from.Append(L"a.txt"), "a");
  WriteText(from.Append(L"sub\\b.txt"), "b");
  // A new destination becomes the copy.
  EXPECT_TRUE(CopyDirectory(from, Path(L"new"), true));
  EXPECT_THAT(TreeOf(Path(L"new")), UnorderedElementsAre(L"a.txt", L"sub", L"sub\\b.txt"));
  EXPECT_EQ("b", ReadText(Path(L"new\\sub\\b.txt")));
  // An existing destination receives the folder itself.
  ASSERT_TRUE(CreateDirectory(Path(L"existing")));
  EXPECT_TRUE(CopyDirectory(from, Path(L"existing"), true));
  EXPECT_THAT(TreeOf(Path(L"existing")),
              UnorderedElementsAre(L"src", L"src\\a.txt", L"src\\sub", L"src\\sub\\b.txt"));
  // Not recursive: the top files only.
  EXPECT_TRUE(CopyDirectory(from, Path(L"flat"), false));
  EXPECT_THAT(TreeOf(Path(L"flat")), UnorderedElementsAre(L"a.txt"));
}

TEST_F(FileUtilTest, CopyDirectoryRefusesItselfAndMissingSource) {
  const FilePath from = Path(L"src");
  ASSERT_TRUE(CreateDirectory(from));
  WriteText(from.Append(L"a.txt"), "a");
  EXPECT_FALSE(CopyDirectory(from, from.Append(L"inside"), true));
  EXPECT_FALSE(CopyDirectory(from, from, true));
  EXPECT_THAT(TreeOf(from), UnorderedElementsAre(L"a.txt"));
  EXPECT_FALSE(CopyDirectory(Path(L"missing"), Path(L"dest"), true));
  EXPECT_FALSE(PathExists(Path(L"dest")));
}

TEST_F(FileUtilTest, MoveReplacesFilesAndRenamesFolders) {
  WriteText(Path(L"from.txt"), "new");
  WriteText(Path(L"to.txt"), "old");
  EXPECT_TRUE(Move(Path(L"from.txt"), Path(L"to.txt")));
  EXPECT_FALSE(PathExists(Path(L"from.txt")));
  EXPECT_EQ("new", ReadText(Path(L"to.txt")));

  ASSERT_TRUE(CreateDirectory(Path(L"dir")));
  WriteText(Path(L"dir\\inner.txt"), "inner");
  EXPECT_TRUE(Move(Path(L"dir"), Path(kNonAsciiName)));
  EXPECT_EQ("inner", ReadText(Path(kNonAsciiName).Append(L"inner.txt")));
  EXPECT_FALSE(PathExists(Path(L"dir")));
}

TEST_F(FileUtilTest, MoveFailureKeepsTheRenameError) {
  ::SetLastError(0);
  EXPECT_FALSE(Move(Path(L"missing"), Path(L"to.txt")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
  WriteText(Path(L"from.txt"), "x");
  EXPECT_FALSE(Move(Path(L"from.txt"), temp_dir_.GetPath().Append(L"..\\escaped.txt")));
  EXPECT_TRUE(PathExists(Path(L"from.txt")));
  // A file held open without delete sharing cannot be replaced.
  WriteText(Path(L"held.txt"), "held");
  HANDLE held = ::CreateFileW(Path(L"held.txt").value().c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(Move(Path(L"from.txt"), Path(L"held.txt")));
  EXPECT_NE(0u, ::GetLastError());
  ::CloseHandle(held);
  EXPECT_EQ("held", ReadText(Path(L"held.txt")));
  EXPECT_TRUE(PathExists(Path(L"from.txt")));
}

TEST_F(FileUtilTest, ReplaceFile) {
  WriteText(Path(L"a"), "a");
  EXPECT_TRUE(ReplaceFile(Path(L"a"), Path(L"b"), nullptr));  // target missing
  WriteText(Path(L"c"), "c");
  File::Error error = File::FILE_OK;
  EXPECT_TRUE(ReplaceFile(Path(L"c"), Path(L"b"), &error));  // target present
  EXPECT_EQ("c", ReadText(Path(L"b")));
  EXPECT_FALSE(ReplaceFile(Path(L"missing"), Path(L"b"), &error));
  EXPECT_EQ(File::FILE_ERROR_NOT_FOUND, error);
  EXPECT_EQ("c", ReadText(Path(L"b")));
}

TEST_F(FileUtilTest, FileInfoAndTouch) {
  const FilePath path = Path(L"f.txt");
  WriteText(path, "12345");
  Time::Exploded exploded = {2001, 2, 0, 3, 4, 5, 6, 0};
  Time modified;
  ASSERT_TRUE(Time::FromUTCExploded(exploded, &modified));
  const Time accessed = modified + TimeDelta::FromDays(1);
  EXPECT_TRUE(TouchFile(path, accessed, modified));
  File::Info info;
  ASSERT_TRUE(GetFileInfo(path, &info));
  EXPECT_EQ(5, info.size);
  EXPECT_FALSE(info.is_directory);
  EXPECT_EQ(modified, info.last_modified);
  EXPECT_EQ(accessed, info.last_accessed);
  EXPECT_FALSE(info.creation_time.is_null());
  // Folders too.
  EXPECT_TRUE(TouchFile(temp_dir_.GetPath(), Time(), modified));
  ASSERT_TRUE(GetFileInfo(temp_dir_.GetPath(), &info));
  EXPECT_TRUE(info.is_directory);
  EXPECT_EQ(modified, info.last_modified);
  EXPECT_FALSE(GetFileInfo(Path(L"missing"), &info));
  EXPECT_FALSE(TouchFile(Path(L"missing"), accessed, modified));
}

TEST_F(FileUtilTest, DirectoryEmptinessAndSize) {
  EXPECT_TRUE(IsDirectoryEmpty(temp_dir_.GetPath()));
  ASSERT_TRUE(CreateDirectory(Path(L"sub\\deeper")));
  EXPECT_FALSE(IsDirectoryEmpty(temp_dir_.GetPath()));
  EXPECT_EQ(0, ComputeDirectorySize(temp_dir_.GetPath()));
  WriteText(Path(L"one"), "1");
  WriteText(Path(L"sub\\deeper\\three"), "333");
  EXPECT_EQ(4, ComputeDirectorySize(temp_dir_.GetPath()));
  EXPECT_EQ(0, ComputeDirectorySize(Path(L"missing")));
}

TEST_F(FileUtilTest, TemporaryFilesAndFoldersAreNewAndUnique) {
  FilePath first;
  FilePath second;
  ASSERT_TRUE(CreateTemporaryFileInDir(temp_dir_.GetPath(), &first));
  ASSERT_TRUE(CreateTemporaryFileInDir(temp_dir_.GetPath(), &second));
  EXPECT_NE(first, second);
  EXPECT_EQ(temp_dir_.GetPath(), first.DirName());
  int64_t size = -1;
  EXPECT_TRUE(GetFileSize(first, &size));
  EXPECT_EQ(0, size);
  EXPECT_FALSE(CreateTemporaryFileInDir(Path(L"missing"), &first));

  FilePath dir1;
  FilePath dir2;
  ASSERT_TRUE(CreateTemporaryDirInDir(temp_dir_.GetPath(), L"pre_", &dir1));
  ASSERT_TRUE(CreateTemporaryDirInDir(temp_dir_.GetPath(), L"pre_", &dir2));
  EXPECT_NE(dir1, dir2);
  EXPECT_TRUE(DirectoryExists(dir1));
  EXPECT_EQ(0u, dir1.BaseName().value().find(L"pre_"));
  EXPECT_FALSE(CreateTemporaryDirInDir(Path(L"missing"), L"pre_", &dir1));

  FilePath temp;
  ASSERT_TRUE(GetTempDir(&temp));
  EXPECT_FALSE(temp.EndsWithSeparator());
  FilePath in_temp;
  ASSERT_TRUE(CreateNewTempDirectory(L"velta_test_", &in_temp));
  EXPECT_EQ(temp, in_temp.DirName());
  EXPECT_TRUE(DeletePathRecursively(in_temp));
}

TEST_F(FileUtilTest, OpenFileStreamsAreNotInherited) {
  const FilePath path = Path(kNonAsciiName);
  FILE* out = OpenFile(path, "wb");
  ASSERT_NE(nullptr, out);
  DWORD flags = 0;
  ASSERT_TRUE(::GetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out))),
                                     &flags));
  EXPECT_EQ(0u, flags & HANDLE_FLAG_INHERIT);
  EXPECT_EQ(3u, fwrite("a\nb", 1, 3, out));
  // Other openers are not locked out meanwhile.
  EXPECT_TRUE(ReadFileToString(path, nullptr));
  EXPECT_TRUE(CloseFile(out));
  FILE* in = OpenFile(path, "rb");
  ASSERT_NE(nullptr, in);
  char buffer[8] = {};
  EXPECT_EQ(3u, fread(buffer, 1, sizeof(buffer), in));
  EXPECT_EQ(std::string("a\nb"), buffer);  // binary mode: no \r added
  EXPECT_TRUE(CloseFile(in));
  EXPECT_EQ(nullptr, OpenFile(Path(L"missing"), "r"));
  EXPECT_TRUE(CloseFile(nullptr));
}

TEST_F(FileUtilTest, CurrentDirectoryAndAbsolutePaths) {
  FilePath original;
  ASSERT_TRUE(GetCurrentDirectory(&original));
  const FilePath folder = Path(kNonAsciiName);
  ASSERT_TRUE(CreateDirectory(folder));
  ASSERT_TRUE(SetCurrentDirectory(folder));
  FilePath current;
  EXPECT_TRUE(GetCurrentDirectory(&current));
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(folder.value(), current.value()));
  EXPECT_EQ(folder.Append(L"x.txt"), MakeAbsoluteFilePath(FilePath(L"x.txt")));
  EXPECT_EQ(temp_dir_.GetPath().Append(L"y"), MakeAbsoluteFilePath(FilePath(L"..\\y")));
  EXPECT_TRUE(SetCurrentDirectory(original));
  EXPECT_FALSE(SetCurrentDirectory(Path(L"missing")));
  EXPECT_TRUE(MakeAbsoluteFilePath(FilePath()).empty());
}

TEST_F(FileUtilTest, PathIsWritableAndDeleteAfterReboot) {
  EXPECT_TRUE(PathIsWritable(temp_dir_.GetPath()));
  EXPECT_FALSE(PathIsWritable(Path(L"missing")));
  WriteText(Path(L"doomed.txt"), "x");
  EXPECT_TRUE(DeleteFileAfterReboot(Path(L"doomed.txt")));
  EXPECT_TRUE(PathExists(Path(L"doomed.txt")));  // only at the restart
}

}  // namespace
}  // namespace base
