// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/copy_file_operation.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
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
using test::FileNamesIn;
using test::IsReadOnly;
using test::ReadText;
using test::WriteText;

class CopyFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
    src_ = dir_.Append(L"src.dll");
    dest_ = dir_.Append(L"dest.dll");
  }

  bool Copy(const base::FilePath& from, const base::FilePath& to, std::string* error) {
    std::unique_ptr<Operation> copy = factory_.CreateCopyFile(from, to);
    return transaction_.Execute(copy, error);
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath dir_;
  base::FilePath src_;
  base::FilePath dest_;
  OperationFactory factory_;
  Transaction transaction_;
};

TEST_F(CopyFileOperationTest, RollbackRestoresFileReplacedByCopy) {
  WriteText(dest_, "previous");
  WriteText(src_, "next");
  std::string error;
  ASSERT_TRUE(Copy(src_, dest_, &error)) << error;
  EXPECT_EQ("next", ReadText(dest_));
  EXPECT_EQ(2u, transaction_.size());  // The parking, then the copy.
  transaction_.Rollback();
  EXPECT_EQ("previous", ReadText(dest_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"dest.dll", L"src.dll"));
}

TEST_F(CopyFileOperationTest, CommitDeletesTheReplacedFile) {
  WriteText(dest_, "previous");
  WriteText(src_, "next");
  {
    Transaction transaction;
    std::unique_ptr<Operation> copy = factory_.CreateCopyFile(src_, dest_);
    std::string error;
    ASSERT_TRUE(transaction.Execute(copy, &error)) << error;
    EXPECT_EQ(3u, FileNamesIn(dir_).size());  // The parked ".old" file too.
  }
  EXPECT_EQ("next", ReadText(dest_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"dest.dll", L"src.dll"));
}

TEST_F(CopyFileOperationTest, CreatesMissingFoldersAndRollbackRemovesThem) {
  WriteText(src_, "data");
  const base::FilePath to = dir_.Append(L"a").Append(L"b").Append(L"c.dll");
  std::string error;
  ASSERT_TRUE(Copy(src_, to, &error)) << error;
  EXPECT_EQ("data", ReadText(to));
  transaction_.Rollback();
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"src.dll"));
}

TEST_F(CopyFileOperationTest, MissingSourceFailsAndKeepsTheDestination) {
  WriteText(dest_, "previous");
  std::string error;
  EXPECT_FALSE(Copy(dir_.Append(L"absent.dll"), dest_, &error));
  EXPECT_THAT(error, HasSubstr("The source file " + dir_.Append(L"absent.dll").AsUTF8Unsafe() +
                               " does not exist."));
  EXPECT_TRUE(transaction_.empty());
  EXPECT_EQ("previous", ReadText(dest_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"dest.dll"));
}

TEST_F(CopyFileOperationTest, CopyOntoReadOnlyFileAndBack) {
  // Wine derives a file's access list from its Unix mode: a read-only file
  // denies writing, and writing any access list back clears the attribute.
  // Windows keeps the two apart, as the fake does.
  FakeSecurityUtils security;
  OperationFactory factory(&security);
  Transaction transaction;
  WriteText(dest_, "previous");
  ASSERT_TRUE(::SetFileAttributesW(dest_.value().c_str(), FILE_ATTRIBUTE_READONLY));
  WriteText(src_, "next");
  ASSERT_TRUE(::SetFileAttributesW(src_.value().c_str(), FILE_ATTRIBUTE_READONLY));
  std::unique_ptr<Operation> copy = factory.CreateCopyFile(src_, dest_);
  std::string error;
  ASSERT_TRUE(transaction.Execute(copy, &error)) << error;
  EXPECT_EQ("next", ReadText(dest_));
  EXPECT_FALSE(IsReadOnly(dest_));
  transaction.Rollback();
  EXPECT_EQ("previous", ReadText(dest_));
  EXPECT_TRUE(IsReadOnly(dest_));
  EXPECT_TRUE(IsReadOnly(src_));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"dest.dll", L"src.dll"));
  ::SetFileAttributesW(dest_.value().c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetFileAttributesW(src_.value().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CopyFileOperationTest, PathWithParentReferenceIsRefused) {
  WriteText(src_, "data");
  ASSERT_TRUE(::CreateDirectoryW(dir_.Append(L"sub").value().c_str(), nullptr));
  std::string error;
  EXPECT_FALSE(Copy(src_, dir_.Append(L"sub").Append(L"..").Append(L"dest.dll"), &error));
  EXPECT_THAT(error, HasSubstr("One of the paths references parent."));
  EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"src.dll", L"sub"));
}

// Paths are refused from 260 characters on, whatever the file system takes.
class CopyFilePathLengthTest : public CopyFileOperationTest,
                               public ::testing::WithParamInterface<std::pair<size_t, bool>> {};

TEST_P(CopyFilePathLengthTest, DestinationLength) {
  const auto [length, accepted] = GetParam();
  WriteText(src_, "data");
  const size_t prefix = dir_.value().size() + 1;
  ASSERT_LT(prefix + 4, length);
  const base::FilePath to = dir_.Append(std::wstring(length - prefix - 4, L'x') + L".dll");
  ASSERT_EQ(length, to.value().size());
  std::string error;
  EXPECT_EQ(accepted, Copy(src_, to, &error)) << error;
  if (accepted) {
    EXPECT_EQ("data", ReadText(to));
  } else {
    EXPECT_THAT(error, HasSubstr("One of the paths is too long."));
    EXPECT_THAT(FileNamesIn(dir_), ElementsAre(L"src.dll"));
  }
}

INSTANTIATE_TEST_SUITE_P(AroundTheLimit,
                         CopyFilePathLengthTest,
                         ::testing::Values(std::make_pair(size_t{258}, true),
                                           std::make_pair(size_t{259}, true),
                                           std::make_pair(size_t{260}, false),
                                           std::make_pair(size_t{261}, false)));

TEST_F(CopyFileOperationTest, LongSourcePathIsRefused) {
  const base::FilePath from = dir_.Append(std::wstring(260 - dir_.value().size() - 1, L'y'));
  ASSERT_EQ(260u, from.value().size());
  // Made through the long-path prefix, which the copy itself never uses.
  WriteText(base::FilePath(L"\\\\?\\" + from.value()), "data");
  // Windows itself may not see the file under its plain name; either way the
  // copy must be refused.
  std::string error;
  EXPECT_FALSE(Copy(from, dest_, &error));
  EXPECT_FALSE(base::PathExists(dest_));
}

}  // namespace
}  // namespace velta
