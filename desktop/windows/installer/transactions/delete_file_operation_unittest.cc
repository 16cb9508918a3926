// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/delete_file_operation.h"

#include <windows.h>
#include <time.h>

#include <memory>
#include <regex>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
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
using ::testing::SizeIs;
using test::FileNamesIn;
using test::ReadText;
using test::WriteText;

constexpr DWORD kWriteAndDeleteAccess = 0x130116;

// Opens `path` as a loaded library is held: readable and renamable, not
// writable. Close the handle with CloseHandle.
HANDLE OpenAsInUse(const base::FilePath& path) {
  return ::CreateFileW(path.value().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

class DeleteFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
    file_ = dir_.Append(L"a.dll");
    WriteText(file_, "original");
  }

  std::unique_ptr<Operation> MakeDelete(ProgramInUse in_use = ProgramInUse::kDelete,
                                        EmptyParents empty_parents = EmptyParents::kKeep) {
    return factory_->CreateDeleteFile(file_, in_use, empty_parents);
  }

  // Parks file_ in a transaction of its own, then rolls it back or commits.
  void ParkThen(bool roll_back) {
    Transaction transaction;
    std::unique_ptr<Operation> remove = MakeDelete();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    if (roll_back)
      transaction.Rollback();
  }

  // The names in the folder other than a.dll: the parked files.
  std::vector<std::wstring> ParkedNames() const {
    std::vector<std::wstring> names = FileNamesIn(dir_);
    std::erase(names, L"a.dll");
    return names;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath dir_;
  base::FilePath file_;
  // The real security utilities, unless a test gives the factory the fake.
  std::unique_ptr<OperationFactory> factory_ = std::make_unique<OperationFactory>();
};

TEST_F(DeleteFileOperationTest, MissingFileSucceedsWithNothingToUndo) {
  Transaction transaction;
  std::unique_ptr<Operation> remove = factory_->CreateDeleteFile(
      dir_.Append(L"absent"), ProgramInUse::kDelete, EmptyParents::kKeep);
  std::string error;
  ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
  transaction.Rollback();
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
}

TEST_F(DeleteFileOperationTest, ParksUnderTheTimeAndCommitDeletes) {
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove = MakeDelete();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    EXPECT_FALSE(base::PathExists(file_));
    ASSERT_THAT(ParkedNames(), SizeIs(1));
    const std::string parked = base::WideToUTF8(ParkedNames()[0]);
    EXPECT_TRUE(std::regex_match(parked, std::regex(R"(a\.dll\.[0-9]{10,}\.old)"))) << parked;
    EXPECT_EQ("original", ReadText(dir_.Append(ParkedNames()[0])));
  }
  EXPECT_THAT(FileNamesIn(dir_), IsEmpty());
}

// Names about to be written beside the file (an archive's entries) are never
// taken for parking: the unpack would write over the parked file and the
// commit would delete the unpacked one.
TEST_F(DeleteFileOperationTest, ParkingAvoidsTheNamesAboutToBeWritten) {
  std::vector<base::FilePath> avoided;
  const int64_t now = base::Time::Now().ToTimeT();
  for (int64_t second = now - 1; second <= now + 5; ++second) {
    const std::wstring stem = file_.value() + L"." + std::to_wstring(second);
    // Letter case differs: the file system ignores it.
    avoided.push_back(base::FilePath(stem + L".OLD"));
    avoided.push_back(base::FilePath(stem + L".1.old"));
  }
  Transaction transaction;
  std::unique_ptr<Operation> park = factory_->CreateParkFile(file_, avoided);
  std::string error;
  ASSERT_TRUE(transaction.Execute(park, &error)) << error;
  ASSERT_THAT(ParkedNames(), SizeIs(1));
  const std::wstring parked = dir_.Append(ParkedNames()[0]).value();
  for (const base::FilePath& name : avoided)
    EXPECT_FALSE(base::FilePath::CompareEqualIgnoreCase(name.value(), parked)) << parked;
  EXPECT_TRUE(std::regex_match(base::WideToUTF8(ParkedNames()[0]),
                               std::regex(R"(a\.dll\.[0-9]{10,}\.2\.old)")));
  transaction.Rollback();
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
  EXPECT_EQ("original", ReadText(file_));
}

TEST_F(DeleteFileOperationTest, RollbackPutsTheFileBackAndNothingIsDeletedLater) {
  ParkThen(/*roll_back=*/true);
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
  EXPECT_EQ("original", ReadText(file_));
}

// Under Wine a read-only file's access list denies writing, so parking it
// grants access, which makes it writable; the rollback makes it read-only
// again. A commit deletes the parked read-only file.
TEST_F(DeleteFileOperationTest, ReadOnlyFileComesBackReadOnly) {
  ASSERT_TRUE(::SetFileAttributesW(file_.value().c_str(), FILE_ATTRIBUTE_READONLY));
  ParkThen(/*roll_back=*/true);
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
  EXPECT_EQ("original", ReadText(file_));
  EXPECT_TRUE(test::IsReadOnly(file_));

  ParkThen(/*roll_back=*/false);
  EXPECT_THAT(FileNamesIn(dir_), IsEmpty());
}

TEST_F(DeleteFileOperationTest, FolderIsParkedAndDeletedWithItsContents) {
  const base::FilePath folder = dir_.Append(L"folder");
  ASSERT_TRUE(::CreateDirectoryW(folder.value().c_str(), nullptr));
  WriteText(folder.Append(L"inner.txt"), "inner");
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove =
        factory_->CreateDeleteFile(folder, ProgramInUse::kDelete, EmptyParents::kKeep);
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    EXPECT_FALSE(base::PathExists(folder));
  }
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
}

// Parked names carry the second; a name already taken in that second gets a
// counter instead of failing.
TEST_F(DeleteFileOperationTest, ParkingTwiceInOneSecondDoesNotCollide) {
  const time_t now = ::time(nullptr);
  for (time_t second = now; second <= now + 2; ++second)
    WriteText(base::FilePath(file_.value() + L"." + std::to_wstring(second) + L".old"), "older");
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove = MakeDelete();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    const std::vector<std::wstring> names = ParkedNames();
    ASSERT_THAT(names, SizeIs(4));
    int counted = 0;
    for (const std::wstring& name : names) {
      const std::string text = ReadText(dir_.Append(name));
      if (text == "original") {
        ++counted;
        EXPECT_TRUE(std::regex_match(base::WideToUTF8(name),
                                     std::regex(R"(a\.dll\.[0-9]+\.1\.old)")))
            << base::WideToUTF8(name);
      } else {
        EXPECT_EQ("older", text);
      }
    }
    EXPECT_EQ(1, counted);
    transaction.Rollback();
  }
  EXPECT_EQ("original", ReadText(file_));
  EXPECT_THAT(ParkedNames(), SizeIs(3));
}

// Two copies onto one file in one transaction park it twice, normally within
// the same second; the rollback brings back the original.
TEST_F(DeleteFileOperationTest, TwoCopiesOntoOneFileRollBackToTheOriginal) {
  const base::FilePath first = dir_.Append(L"first.src");
  const base::FilePath second = dir_.Append(L"second.src");
  WriteText(first, "first");
  WriteText(second, "second");
  Transaction transaction;
  std::string error;
  for (const base::FilePath& source : {first, second}) {
    std::unique_ptr<Operation> copy = factory_->CreateCopyFile(source, file_);
    ASSERT_TRUE(transaction.Execute(copy, &error)) << error;
  }
  EXPECT_EQ("second", ReadText(file_));
  transaction.Rollback();
  EXPECT_EQ("original", ReadText(file_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll", L"first.src", L"second.src"));
}

// The fault this guards against: a rollback that could not move the file back
// left `done` set, and the commit then deleted the only copy.
TEST_F(DeleteFileOperationTest, FailedMoveBackKeepsTheParkedOriginal) {
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove = MakeDelete();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    // Something now holds the name that a file cannot replace.
    ASSERT_TRUE(::CreateDirectoryW(file_.value().c_str(), nullptr));
    transaction.Rollback();
  }
  ASSERT_THAT(ParkedNames(), SizeIs(1));
  EXPECT_EQ("original", ReadText(dir_.Append(ParkedNames()[0])));
  EXPECT_TRUE(base::DirectoryExists(file_));
}

TEST_F(DeleteFileOperationTest, LibraryInUseIsNotParked) {
  HANDLE in_use = OpenAsInUse(file_);
  ASSERT_NE(INVALID_HANDLE_VALUE, in_use);
  Transaction transaction;
  std::unique_ptr<Operation> remove = MakeDelete(ProgramInUse::kKeep);
  std::string error;
  EXPECT_FALSE(transaction.Execute(remove, &error));
  EXPECT_THAT(error, HasSubstr("Cannot move the file to .old: "));
  ::CloseHandle(in_use);
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
  EXPECT_EQ("original", ReadText(file_));
}

TEST_F(DeleteFileOperationTest, InUseCheckIsOnlyForProgramsAndLibraries) {
  const base::FilePath text = dir_.Append(L"notes.txt");
  WriteText(text, "notes");
  HANDLE in_use = OpenAsInUse(text);
  ASSERT_NE(INVALID_HANDLE_VALUE, in_use);
  Transaction transaction;
  std::unique_ptr<Operation> remove =
      factory_->CreateDeleteFile(text, ProgramInUse::kKeep, EmptyParents::kKeep);
  std::string error;
  EXPECT_TRUE(transaction.Execute(remove, &error)) << error;
  EXPECT_FALSE(base::PathExists(text));
  transaction.Rollback();
  ::CloseHandle(in_use);
  EXPECT_EQ("notes", ReadText(text));
}

// Where a deletion whose commit removes the folders it left empty lies, and
// the installation folder the run journal was started for.
struct EmptiedFoldersCase {
  const char* name;
  // Below the test's folder.
  const wchar_t* file;
  const wchar_t* install_folder;
  // The deepest of the file's folders that is left.
  const wchar_t* deepest_left;
};

class DeleteFileEmptiedFoldersTest : public DeleteFileOperationTest,
                                     public ::testing::WithParamInterface<EmptiedFoldersCase> {};

// The folders a commit leaves empty go up to the installation folder, which
// stays; the user's empty folders around it, or around a file elsewhere,
// are never the installation's to remove.
TEST_P(DeleteFileEmptiedFoldersTest, GoOnlyBelowTheInstallationFolder) {
  const EmptiedFoldersCase& c = GetParam();
  file_ = dir_.Append(c.file);
  ASSERT_TRUE(base::CreateDirectory(file_.DirName()));
  WriteText(file_, "b");
  if (c.install_folder)
    factory_->run_journal()->Start(dir_.Append(c.install_folder));
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove =
        MakeDelete(ProgramInUse::kDelete, EmptyParents::kRemoveOnCommit);
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
  }
  factory_->run_journal()->Close();
  const base::FilePath left = dir_.Append(c.deepest_left);
  EXPECT_TRUE(base::DirectoryExists(left));
  EXPECT_THAT(FileNamesIn(left), IsEmpty());
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll", L"user"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    DeleteFileEmptiedFoldersTest,
    ::testing::Values(
        EmptiedFoldersCase{"BelowTheInstallationFolder", L"user\\Velta\\x\\y\\b.dll",
                           L"user\\Velta", L"user\\Velta"},
        EmptiedFoldersCase{"OutsideTheInstallationFolder", L"user\\shared\\x\\b.dll",
                           L"user\\Velta", L"user\\shared\\x"},
        EmptiedFoldersCase{"BeforeTheJournalStarts", L"user\\Velta\\x\\b.dll", nullptr,
                           L"user\\Velta\\x"}),
    [](const auto& info) { return std::string(info.param.name); });

// Wine passes every access check, so the roads without access go through the
// fake.
class DeleteFileWithoutAccessTest : public DeleteFileOperationTest {
 protected:
  void SetUp() override {
    DeleteFileOperationTest::SetUp();
    security_.DenyAccess(file_.value());
    factory_ = std::make_unique<OperationFactory>(&security_);
  }

  FakeSecurityUtils security_;
};

TEST_F(DeleteFileWithoutAccessTest, AccessIsGrantedAndTheCommitNeedsNoRestore) {
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove = MakeDelete();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    ASSERT_THAT(security_.grants(), SizeIs(1));
    EXPECT_EQ(file_.value(), security_.grants()[0].path);
    EXPECT_EQ(SE_FILE_OBJECT, security_.grants()[0].type);
    EXPECT_EQ(kWriteAndDeleteAccess, security_.grants()[0].access);
    EXPECT_FALSE(security_.grants()[0].permanent);
  }
  EXPECT_THAT(FileNamesIn(dir_), IsEmpty());
  EXPECT_THAT(security_.restores(), IsEmpty());
}

TEST_F(DeleteFileWithoutAccessTest, AccessListIsRestoredOnceTheFileIsBack) {
  Transaction transaction;
  std::unique_ptr<Operation> remove = MakeDelete();
  std::string error;
  ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
  EXPECT_THAT(security_.restores(), IsEmpty());
  transaction.Rollback();
  ASSERT_THAT(security_.restores(), SizeIs(1));
  EXPECT_EQ(file_.value(), security_.restores()[0].path);
  EXPECT_EQ("original", ReadText(file_));
}

TEST_F(DeleteFileWithoutAccessTest, AccessListIsRestoredWhenTheFileStaysInUse) {
  HANDLE in_use = OpenAsInUse(file_);
  ASSERT_NE(INVALID_HANDLE_VALUE, in_use);
  Transaction transaction;
  std::unique_ptr<Operation> remove = MakeDelete(ProgramInUse::kKeep);
  std::string error;
  EXPECT_FALSE(transaction.Execute(remove, &error));
  ::CloseHandle(in_use);
  EXPECT_THAT(security_.grants(), SizeIs(1));
  ASSERT_THAT(security_.restores(), SizeIs(1));
  EXPECT_EQ(file_.value(), security_.restores()[0].path);
}

TEST_F(DeleteFileWithoutAccessTest, NoRestoreOntoWhatTookTheName) {
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove = MakeDelete();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
    ASSERT_TRUE(::CreateDirectoryW(file_.value().c_str(), nullptr));
    transaction.Rollback();
  }
  EXPECT_THAT(security_.restores(), IsEmpty());
  EXPECT_THAT(ParkedNames(), SizeIs(1));
}

TEST_F(DeleteFileWithoutAccessTest, RefusedGrantFailsAndLeavesTheFile) {
  security_.FailGrant(file_.value());
  Transaction transaction;
  std::unique_ptr<Operation> remove = MakeDelete();
  std::string error;
  EXPECT_FALSE(transaction.Execute(remove, &error));
  EXPECT_EQ("Cannot obtain proper permissions on the file", error);
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"a.dll"));
}

}  // namespace
}  // namespace velta
