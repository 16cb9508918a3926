// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file.h"

#include <windows.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath().Append(L"\u0444\u0430\u0439\u043B.bin");
  }

  std::string ReadAll() const {
    std::string contents;
    EXPECT_TRUE(ReadFileToString(path_, &contents));
    return contents;
  }

  ScopedTempDir temp_dir_;
  FilePath path_;
};

TEST_F(FileTest, DispositionsCreateOrRefuse) {
  {
    File missing(path_, File::FLAG_OPEN | File::FLAG_READ);
    EXPECT_FALSE(missing.IsValid());
    EXPECT_EQ(File::FILE_ERROR_NOT_FOUND, missing.error_details());
    File truncated(path_, File::FLAG_OPEN_TRUNCATED | File::FLAG_WRITE);
    EXPECT_EQ(File::FILE_ERROR_NOT_FOUND, truncated.error_details());
  }
  {
    File created(path_, File::FLAG_CREATE | File::FLAG_WRITE);
    ASSERT_TRUE(created.IsValid());
    EXPECT_TRUE(created.created());
    EXPECT_EQ(File::FILE_OK, created.error_details());
    EXPECT_EQ(5, created.WriteAtCurrentPos("hello", 5));
  }
  File again(path_, File::FLAG_CREATE | File::FLAG_WRITE);
  EXPECT_EQ(File::FILE_ERROR_EXISTS, again.error_details());
  EXPECT_EQ("hello", ReadAll());  // the refused create touched nothing

  File open_always(path_, File::FLAG_OPEN_ALWAYS | File::FLAG_READ);
  ASSERT_TRUE(open_always.IsValid());
  EXPECT_FALSE(open_always.created());
  open_always.Close();
  File fresh(temp_dir_.GetPath().Append(L"new"), File::FLAG_OPEN_ALWAYS | File::FLAG_READ);
  EXPECT_TRUE(fresh.created());

  File create_always(path_, File::FLAG_CREATE_ALWAYS | File::FLAG_WRITE);
  ASSERT_TRUE(create_always.IsValid());
  EXPECT_EQ(0, create_always.GetLength());
  // A folder cannot be opened as a file without backup semantics.
  File folder(temp_dir_.GetPath(), File::FLAG_OPEN | File::FLAG_READ);
  EXPECT_FALSE(folder.IsValid());
  File folder_backup(temp_dir_.GetPath(), File::FLAG_OPEN | File::FLAG_BACKUP_SEMANTICS);
  EXPECT_TRUE(folder_backup.IsValid());
}

TEST_F(FileTest, ReadWriteAtOffsetsAndLength) {
  File file(path_, File::FLAG_CREATE | File::FLAG_READ | File::FLAG_WRITE);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(6, file.Write(0, "abcdef", 6));
  EXPECT_EQ(2, file.Write(10, "XY", 2));  // past the end: a zero-filled gap
  EXPECT_EQ(12, file.GetLength());
  char buffer[16] = {};
  EXPECT_EQ(12, file.Read(0, buffer, sizeof(buffer)));
  EXPECT_EQ(std::string("abcdef\0\0\0\0XY", 12), std::string(buffer, 12));
  EXPECT_EQ(3, file.Read(3, buffer, 3));
  EXPECT_EQ("def", std::string(buffer, 3));
  EXPECT_EQ(0, file.Read(12, buffer, 4));   // at the end
  EXPECT_EQ(0, file.Read(100, buffer, 4));  // past it
  EXPECT_EQ(-1, file.Read(-1, buffer, 4));
  EXPECT_EQ(-1, file.Write(0, buffer, -1));

  EXPECT_EQ(2, file.Seek(File::FROM_BEGIN, 2));
  EXPECT_EQ(2, file.ReadAtCurrentPos(buffer, 2));
  EXPECT_EQ("cd", std::string(buffer, 2));
  EXPECT_EQ(10, file.Seek(File::FROM_END, -2));
  EXPECT_EQ(11, file.Seek(File::FROM_CURRENT, 1));
  EXPECT_EQ(-1, file.Seek(File::FROM_BEGIN, -5));

  // SetLength truncates or extends with zeros and keeps the position.
  EXPECT_TRUE(file.SetLength(4));
  EXPECT_EQ(4, file.GetLength());
  EXPECT_EQ(11, file.Seek(File::FROM_CURRENT, 0));
  EXPECT_TRUE(file.SetLength(6));
  EXPECT_EQ(6, file.Read(0, buffer, sizeof(buffer)));
  EXPECT_EQ(std::string("abcd\0\0", 6), std::string(buffer, 6));
  EXPECT_FALSE(file.SetLength(-1));
  EXPECT_TRUE(file.Flush());
}

TEST_F(FileTest, AppendWritesAtTheEnd) {
  ASSERT_TRUE(WriteFile(path_, std::string_view("start")));
  File file(path_, File::FLAG_OPEN | File::FLAG_APPEND);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(1, file.WriteAtCurrentPos("1", 1));
  EXPECT_EQ(1, file.Write(0, "2", 1));  // the offset does not matter
  file.Close();
  EXPECT_EQ("start12", ReadAll());
}

TEST_F(FileTest, SharingFlagsDecideWhoElseGetsIn) {
  ASSERT_TRUE(WriteFile(path_, std::string_view("data")));
  {
    File shared(path_, File::FLAG_OPEN | File::FLAG_READ);
    File second(path_, File::FLAG_OPEN | File::FLAG_READ | File::FLAG_WRITE);
    EXPECT_TRUE(second.IsValid());
    // Without FLAG_SHARE_DELETE nobody may delete or rename it meanwhile.
    EXPECT_FALSE(::DeleteFileW(path_.value().c_str()));
  }
  {
    File exclusive(path_, File::FLAG_OPEN | File::FLAG_READ | File::FLAG_EXCLUSIVE_READ |
                              File::FLAG_EXCLUSIVE_WRITE);
    ASSERT_TRUE(exclusive.IsValid());
    File second(path_, File::FLAG_OPEN | File::FLAG_READ);
    EXPECT_FALSE(second.IsValid());
    EXPECT_EQ(File::FILE_ERROR_IN_USE, second.error_details());
  }
  {
    File deletable(path_, File::FLAG_OPEN | File::FLAG_READ | File::FLAG_SHARE_DELETE);
    EXPECT_TRUE(::DeleteFileW(path_.value().c_str()));
  }
  EXPECT_FALSE(PathExists(path_));
}

TEST_F(FileTest, DeleteOnCloseTemporaryFile) {
  File file(path_, File::FLAG_CREATE_ALWAYS | File::FLAG_READ | File::FLAG_WRITE |
                       File::FLAG_TEMPORARY | File::FLAG_DELETE_ON_CLOSE);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(3, file.Write(0, "tmp", 3));
  EXPECT_TRUE(PathExists(path_));
  file.Close();
  file.Close();  // twice is fine
  EXPECT_FALSE(PathExists(path_));
}

TEST_F(FileTest, InfoAndTimes) {
  File file(path_, File::FLAG_CREATE | File::FLAG_WRITE | File::FLAG_WRITE_ATTRIBUTES);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(4, file.Write(0, "1234", 4));
  const Time modified = Time::FromTimeT(1000000000);
  EXPECT_TRUE(file.SetTimes(Time(), modified));
  File::Info info;
  ASSERT_TRUE(file.GetInfo(&info));
  EXPECT_EQ(4, info.size);
  EXPECT_FALSE(info.is_directory);
  EXPECT_EQ(modified, info.last_modified);
  EXPECT_FALSE(info.last_accessed.is_null());  // left alone, not zeroed
}

TEST_F(FileTest, OwnershipMovesAndCanBeTaken) {
  File file(path_, File::FLAG_CREATE | File::FLAG_WRITE);
  ASSERT_TRUE(file.IsValid());
  File moved(std::move(file));
  EXPECT_FALSE(file.IsValid());  // NOLINT: checking the moved-from state
  EXPECT_TRUE(moved.IsValid());
  File assigned;
  EXPECT_FALSE(assigned.IsValid());
  EXPECT_EQ(File::FILE_ERROR_FAILED, assigned.error_details());
  assigned = std::move(moved);
  ASSERT_TRUE(assigned.IsValid());

  PlatformFile handle = assigned.TakePlatformFile();
  EXPECT_FALSE(assigned.IsValid());
  DWORD written = 0;
  EXPECT_TRUE(::WriteFile(handle, "raw", 3, &written, nullptr));  // still open
  File adopted(handle);
  EXPECT_TRUE(adopted.IsValid());
  adopted.Close();
  EXPECT_EQ("raw", ReadAll());
  EXPECT_FALSE(File(nullptr).IsValid());
  EXPECT_FALSE(File(kInvalidPlatformFile).IsValid());
  EXPECT_EQ(File::FILE_ERROR_NO_SPACE, File(File::FILE_ERROR_NO_SPACE).error_details());
}

TEST(FileErrorTest, WindowsErrorsMapAndName) {
  const struct {
    DWORD os_error;
    File::Error error;
    const char* name;
  } cases[] = {
      {ERROR_SUCCESS, File::FILE_OK, "FILE_OK"},
      {ERROR_FILE_NOT_FOUND, File::FILE_ERROR_NOT_FOUND, "FILE_ERROR_NOT_FOUND"},
      {ERROR_PATH_NOT_FOUND, File::FILE_ERROR_NOT_FOUND, "FILE_ERROR_NOT_FOUND"},
      {ERROR_ACCESS_DENIED, File::FILE_ERROR_ACCESS_DENIED, "FILE_ERROR_ACCESS_DENIED"},
      {ERROR_SHARING_VIOLATION, File::FILE_ERROR_IN_USE, "FILE_ERROR_IN_USE"},
      {ERROR_FILE_EXISTS, File::FILE_ERROR_EXISTS, "FILE_ERROR_EXISTS"},
      {ERROR_ALREADY_EXISTS, File::FILE_ERROR_EXISTS, "FILE_ERROR_EXISTS"},
      {ERROR_DISK_FULL, File::FILE_ERROR_NO_SPACE, "FILE_ERROR_NO_SPACE"},
      {ERROR_TOO_MANY_OPEN_FILES, File::FILE_ERROR_TOO_MANY_OPENED, "FILE_ERROR_TOO_MANY_OPENED"},
      {ERROR_NOT_ENOUGH_MEMORY, File::FILE_ERROR_NO_MEMORY, "FILE_ERROR_NO_MEMORY"},
      {ERROR_USER_MAPPED_FILE, File::FILE_ERROR_INVALID_OPERATION, "FILE_ERROR_INVALID_OPERATION"},
      {ERROR_IO_DEVICE, File::FILE_ERROR_IO, "FILE_ERROR_IO"},
      {ERROR_INVALID_FUNCTION, File::FILE_ERROR_FAILED, "FILE_ERROR_FAILED"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error, File::OSErrorToFileError(c.os_error)) << c.os_error;
    EXPECT_EQ(c.name, File::ErrorToString(c.error));
  }
  ::SetLastError(ERROR_LOCK_VIOLATION);
  EXPECT_EQ(File::FILE_ERROR_ACCESS_DENIED, File::GetLastFileError());
}

}  // namespace
}  // namespace base
