// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/runnable_folder.h"

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/child_process.h"
#include "base/test/scoped_path_override.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr wchar_t kPrefix[] = L"Velta Installer";

class RunnableFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  // A real program that answers --version: the installer beside the tests.
  base::FilePath Installer() const {
    return velta::test::GetPathBesideTestExecutable(L"installer.exe");
  }

  base::ScopedTempDir temp_;
};

TEST_F(RunnableFolderTest, WithoutExecutableOnlyMakesTheFolder) {
  base::FilePath folder = temp_.GetPath();
  ASSERT_TRUE(PrepareRunnableFolder(kPrefix, base::FilePath(), &folder));
  EXPECT_EQ(temp_.GetPath().Append(kPrefix), folder);
  EXPECT_TRUE(base::DirectoryExists(folder));
}

TEST_F(RunnableFolderTest, ProbeRunsTheCopyAndRemovesIt) {
  base::FilePath folder = temp_.GetPath();
  ASSERT_TRUE(PrepareRunnableFolder(kPrefix, Installer(), &folder));
  EXPECT_EQ(temp_.GetPath().Append(kPrefix), folder);
  EXPECT_TRUE(base::IsDirectoryEmpty(folder));
}

TEST_F(RunnableFolderTest, FolderWhereNothingRunsIsRemovedWhenEmpty) {
  // Not a program: copying works, starting it does not.
  const base::FilePath fake_program = temp_.GetPath().Append(L"fake.exe");
  ASSERT_TRUE(base::WriteFile(fake_program, "not a program"));
  base::FilePath folder = temp_.GetPath();
  EXPECT_FALSE(PrepareRunnableFolder(kPrefix, fake_program, &folder));
  EXPECT_EQ(temp_.GetPath(), folder);
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(kPrefix)));

  // A folder that holds someone's files is never removed.
  const base::FilePath kept = temp_.GetPath().Append(kPrefix);
  ASSERT_TRUE(base::CreateDirectory(kept));
  ASSERT_TRUE(base::WriteFile(kept.Append(L"keep.txt"), "mine"));
  EXPECT_FALSE(PrepareRunnableFolder(kPrefix, temp_.GetPath().Append(L"missing.exe"), &folder));
  EXPECT_TRUE(base::PathExists(kept.Append(L"keep.txt")));
}

TEST_F(RunnableFolderTest, PrepareAtUsesThePathServiceKey) {
  base::ScopedPathOverride temp_override(base::DIR_TEMP, temp_.GetPath());
  base::FilePath folder;
  ASSERT_TRUE(PrepareRunnableFolderAt(kPrefix, base::FilePath(), &folder, base::DIR_TEMP));
  EXPECT_EQ(temp_.GetPath().Append(kPrefix), folder);
}

TEST_F(RunnableFolderTest, DownloadFolderFallsBackWhenTempIsUnusable) {
  // A temporary folder whose prefix folder cannot be made: a file is in the way.
  ASSERT_TRUE(base::WriteFile(temp_.GetPath().Append(kPrefix), "in the way"));
  base::ScopedPathOverride temp_override(base::DIR_TEMP, temp_.GetPath());
  base::FilePath folder;
  ASSERT_TRUE(GetDownloadFolder(kPrefix, Installer(), &folder));
  EXPECT_NE(temp_.GetPath().Append(kPrefix), folder);
  EXPECT_EQ(kPrefix, folder.BaseName().value());
  EXPECT_TRUE(base::DirectoryExists(folder));
  base::DeletePathRecursively(folder);
}

}  // namespace
}  // namespace velta
