// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/rewrite_file_operation.h"

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
using test::FileNamesIn;
using test::ReadText;
using test::WriteText;

struct RewriteCase {
  const char* name;
  // The file before the operation; null: there is none.
  const char* before;
  bool roll_back;
  // The file afterwards; "<missing>" when it is gone.
  const char* after;
};

class RewriteFileOperationTest : public ::testing::TestWithParam<RewriteCase> {};

// The caller writes the file after Do, in several writes: a rollback puts
// the first file back, or takes the written one away; a commit keeps what
// was written. Nothing else is left in the folder either way.
TEST_P(RewriteFileOperationTest, RollbackPutsTheEarlierFileBack) {
  const RewriteCase& c = GetParam();
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath file = dir.GetPath().Append(L"installer_prefs.json");
  if (c.before)
    WriteText(file, c.before);
  OperationFactory factory;
  {
    Transaction transaction;
    std::unique_ptr<Operation> rewrite = factory.CreateRewriteFile(file);
    std::string error;
    ASSERT_TRUE(transaction.Execute(rewrite, &error)) << error;
    WriteText(file, "{\"written\":1}");
    WriteText(file, "{\"written\":2}");
    if (c.roll_back)
      transaction.Rollback();
  }
  EXPECT_EQ(c.after, ReadText(file));
  if (std::string(c.after) == "<missing>")
    EXPECT_THAT(FileNamesIn(dir.GetPath()), ElementsAre());
  else
    EXPECT_THAT(FileNamesIn(dir.GetPath()), ElementsAre(L"installer_prefs.json"));
}

INSTANTIATE_TEST_SUITE_P(
    Files,
    RewriteFileOperationTest,
    ::testing::Values(
        RewriteCase{"NewFileRolledBack", nullptr, true, "<missing>"},
        RewriteCase{"NewFileCommitted", nullptr, false, "{\"written\":2}"},
        RewriteCase{"EarlierFileRolledBack", "{\"earlier\":true}", true, "{\"earlier\":true}"},
        RewriteCase{"EmptyEarlierFileRolledBack", "", true, ""},
        RewriteCase{"EarlierFileCommitted", "{\"earlier\":true}", false, "{\"written\":2}"}),
    [](const auto& info) { return std::string(info.param.name); });

// What cannot be read cannot be put back: the operation fails and a
// rollback leaves the folder alone.
TEST(RewriteFileOperationFailureTest, AFolderOfThatNameFails) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath folder = dir.GetPath().Append(L"installation_status.json");
  ASSERT_TRUE(base::CreateDirectory(folder));
  OperationFactory factory;
  Transaction transaction;
  std::unique_ptr<Operation> rewrite = factory.CreateRewriteFile(folder);
  std::string error;
  EXPECT_FALSE(transaction.Execute(rewrite, &error));
  EXPECT_THAT(error, HasSubstr("Cannot read the file to be rewritten"));
  transaction.Rollback();
  EXPECT_TRUE(base::DirectoryExists(folder));
}

}  // namespace
}  // namespace velta
