// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/move_file_operation.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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
using test::FileNamesIn;
using test::IsReadOnly;
using test::ReadText;
using test::WriteText;

class MoveFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
    source_folder_ = dir_.Append(L"source");
    ASSERT_TRUE(::CreateDirectoryW(source_folder_.value().c_str(), nullptr));
    from_ = source_folder_.Append(L"a.txt");
    WriteText(from_, "moved");
  }

  bool Move(const base::FilePath& to, std::string* error) {
    std::unique_ptr<Operation> move = factory_.CreateMoveFile(from_, to);
    return transaction_.Execute(move, error);
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath dir_;
  base::FilePath source_folder_;
  base::FilePath from_;
  OperationFactory factory_;
  Transaction transaction_;
};

TEST_F(MoveFileOperationTest, MovesIntoMissingFoldersAndRollsBack) {
  const base::FilePath to = dir_.Append(L"x").Append(L"y").Append(L"b.txt");
  std::string error;
  ASSERT_TRUE(Move(to, &error)) << error;
  EXPECT_EQ("moved", ReadText(to));
  EXPECT_FALSE(base::PathExists(from_));
  transaction_.Rollback();
  EXPECT_EQ("moved", ReadText(from_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"source"));
}

struct EmptiedFolderCase {
  const char* name;
  // Below the test's folder: the folders the user made first, then the
  // ones the installation created, and the file moved out of the deepest.
  std::vector<std::wstring> user_folders;
  std::vector<std::wstring> installation_folders;
  const wchar_t* moved_file;
  // The folders still there after the commit.
  std::vector<std::wstring> remaining;
};

class MoveFileEmptiedFolderTest : public MoveFileOperationTest,
                                  public ::testing::WithParamInterface<EmptiedFolderCase> {};

// Committing a move removes the source folders it emptied only when the
// installation created them: a folder the user made stays, empty or not.
TEST_P(MoveFileEmptiedFolderTest, CommitRemovesOnlyEmptiedFoldersTheInstallationCreated) {
  const EmptiedFolderCase& c = GetParam();
  for (const std::wstring& folder : c.user_folders)
    ASSERT_TRUE(::CreateDirectoryW(dir_.Append(folder).value().c_str(), nullptr)) << folder;
  Transaction creation;
  for (const std::wstring& folder : c.installation_folders) {
    std::unique_ptr<Operation> create = factory_.CreateCreateFolder(dir_.Append(folder));
    std::string error;
    ASSERT_TRUE(creation.Execute(create, &error)) << error;
  }
  const base::FilePath from = dir_.Append(c.moved_file);
  WriteText(from, "moved");
  const base::FilePath to = dir_.Append(L"b.txt");
  {
    Transaction transaction;
    std::unique_ptr<Operation> move = factory_.CreateMoveFile(from, to);
    std::string error;
    ASSERT_TRUE(transaction.Execute(move, &error)) << error;
  }
  EXPECT_EQ("moved", ReadText(to));
  for (const std::wstring& folder : c.remaining)
    EXPECT_TRUE(base::DirectoryExists(dir_.Append(folder))) << folder;
  for (const std::wstring& folder : c.installation_folders) {
    if (std::find(c.remaining.begin(), c.remaining.end(), folder) == c.remaining.end()) {
      EXPECT_FALSE(base::DirectoryExists(dir_.Append(folder))) << folder;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Folders,
    MoveFileEmptiedFolderTest,
    ::testing::Values(
        EmptiedFolderCase{"UsersFolderStays", {L"source\\mine"}, {}, L"source\\mine\\s.lnk",
                          {L"source", L"source\\mine"}},
        EmptiedFolderCase{"InstallationsFoldersGo",
                          {},
                          {L"made\\deeper"},
                          L"made\\deeper\\s.lnk",
                          {}},
        // The installation's folder goes; the user's around it stays.
        EmptiedFolderCase{"OnlyTheInstallationsPartGoes",
                          {L"source\\mine"},
                          {L"source\\mine\\made"},
                          L"source\\mine\\made\\s.lnk",
                          {L"source", L"source\\mine"}},
        // A folder of the installation that still holds something stays.
        EmptiedFolderCase{"NonEmptyFolderStays",
                          {},
                          {L"made\\deeper", L"made\\other"},
                          L"made\\deeper\\s.lnk",
                          {L"made", L"made\\other"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MoveFileOperationTest, TargetIsParkedAndBothComeBack) {
  const base::FilePath to = dir_.Append(L"b.txt");
  WriteText(to, "target");
  std::string error;
  ASSERT_TRUE(Move(to, &error)) << error;
  EXPECT_EQ("moved", ReadText(to));
  EXPECT_EQ(2u, transaction_.size());
  transaction_.Rollback();
  EXPECT_EQ("moved", ReadText(from_));
  EXPECT_EQ("target", ReadText(to));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"b.txt", L"source"));
}

// On a file system that ignores case the target is the source itself: it
// must not be parked (that would move the source away) but renamed.
TEST_F(MoveFileOperationTest, TargetDifferingOnlyInCaseIsRenamed) {
  const base::FilePath to = source_folder_.Append(L"A.TXT");
  std::string error;
  ASSERT_TRUE(Move(to, &error)) << error;
  EXPECT_EQ(1u, transaction_.size());
  // Windows renames to "A.TXT"; Wine accepts the rename and keeps "a.txt".
  std::vector<std::wstring> names = FileNamesIn(source_folder_);
  ASSERT_EQ(1u, names.size());
  EXPECT_TRUE(base::FilePath::CompareEqualIgnoreCase(names[0], L"a.txt"));
  EXPECT_EQ("moved", ReadText(to));
  transaction_.Rollback();
  EXPECT_THAT(FileNamesIn(source_folder_), ElementsAre(L"a.txt"));
  EXPECT_EQ("moved", ReadText(from_));
}

TEST_F(MoveFileOperationTest, ReadOnlySourceIsReadOnlyAgainAfterRollback) {
  ASSERT_TRUE(::SetFileAttributesW(from_.value().c_str(), FILE_ATTRIBUTE_READONLY));
  const base::FilePath to = dir_.Append(L"b.txt");
  std::string error;
  ASSERT_TRUE(Move(to, &error)) << error;
  EXPECT_FALSE(IsReadOnly(to));
  transaction_.Rollback();
  EXPECT_TRUE(IsReadOnly(from_));
  ::SetFileAttributesW(from_.value().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MoveFileOperationTest, MissingSourceFailsAndTheTargetComesBack) {
  const base::FilePath to = dir_.Append(L"b.txt");
  WriteText(to, "target");
  from_ = dir_.Append(L"absent.txt");
  std::string error;
  EXPECT_FALSE(Move(to, &error));
  EXPECT_THAT(error, HasSubstr("Could not move the file: "));
  EXPECT_TRUE(transaction_.empty());
  EXPECT_EQ("target", ReadText(to));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"b.txt", L"source"));
}

TEST_F(MoveFileOperationTest, UncreatableTargetFolderFails) {
  WriteText(dir_.Append(L"file"), "x");
  std::string error;
  EXPECT_FALSE(Move(dir_.Append(L"file").Append(L"b.txt"), &error));
  EXPECT_THAT(error, HasSubstr("\nCannot create folder for the moved file"));
  EXPECT_EQ("moved", ReadText(from_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"file", L"source"));
  EXPECT_THAT(FileNamesIn(source_folder_), ElementsAre(L"a.txt"));
}

}  // namespace
}  // namespace velta
