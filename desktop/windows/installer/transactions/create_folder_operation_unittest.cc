// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/create_folder_operation.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using test::FileNamesIn;
using test::WriteText;

class CreateFolderOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
  }

  bool Create(const base::FilePath& path, std::string* error) {
    std::unique_ptr<Operation> create = factory_.CreateCreateFolder(path);
    return transaction_.Execute(create, error);
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath dir_;
  OperationFactory factory_;
  Transaction transaction_;
};

// The folder "a" existed, empty, before: it must survive the rollback.
TEST_F(CreateFolderOperationTest, RollbackRemovesExactlyTheCreatedFolders) {
  const base::FilePath existing = dir_.Append(L"a");
  ASSERT_TRUE(::CreateDirectoryW(existing.value().c_str(), nullptr));
  const base::FilePath path = existing.Append(L"b").Append(L"c").Append(L"d");
  std::string error;
  ASSERT_TRUE(Create(path, &error)) << error;
  EXPECT_TRUE(base::DirectoryExists(path));
  transaction_.Rollback();
  EXPECT_TRUE(base::DirectoryExists(existing));
  EXPECT_THAT(FileNamesIn(existing), IsEmpty());
}

TEST_F(CreateFolderOperationTest, CommitKeepsTheFolders) {
  const base::FilePath path = dir_.Append(L"a").Append(L"b");
  {
    Transaction transaction;
    std::unique_ptr<Operation> create = factory_.CreateCreateFolder(path);
    std::string error;
    ASSERT_TRUE(transaction.Execute(create, &error)) << error;
  }
  EXPECT_TRUE(base::DirectoryExists(path));
}

TEST_F(CreateFolderOperationTest, ExistingFolderIsLeftAlone) {
  std::string error;
  ASSERT_TRUE(Create(dir_, &error)) << error;
  transaction_.Rollback();
  EXPECT_TRUE(base::DirectoryExists(dir_));
}

TEST_F(CreateFolderOperationTest, RollbackStopsAtAFolderThatIsNotEmpty) {
  const base::FilePath path = dir_.Append(L"a").Append(L"b").Append(L"c");
  std::string error;
  ASSERT_TRUE(Create(path, &error)) << error;
  WriteText(dir_.Append(L"a").Append(L"b").Append(L"keep.txt"), "keep");
  transaction_.Rollback();
  EXPECT_FALSE(base::DirectoryExists(path));
  EXPECT_THAT(FileNamesIn(dir_.Append(L"a").Append(L"b")), ElementsAre(L"keep.txt"));
}

TEST_F(CreateFolderOperationTest, FileInTheWayFailsAndLeavesNothing) {
  WriteText(dir_.Append(L"file"), "x");
  std::string error;
  EXPECT_FALSE(Create(dir_.Append(L"file").Append(L"sub"), &error));
  EXPECT_THAT(error, HasSubstr("Cannot create directory: "));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"file"));
}

TEST_F(CreateFolderOperationTest, MissingDriveHasNoValidAncestor) {
  const DWORD drives = ::GetLogicalDrives();
  wchar_t letter = 0;
  for (wchar_t candidate = L'Y'; candidate > L'D'; --candidate) {
    if (!(drives & (1u << (candidate - L'A')))) {
      letter = candidate;
      break;
    }
  }
  ASSERT_NE(0, letter);
  std::string error;
  EXPECT_FALSE(Create(base::FilePath(std::wstring(1, letter) + L":\\velta\\sub"), &error));
  EXPECT_EQ("Failed folder creation: No valid ancestor found", error);
}

}  // namespace
}  // namespace velta
