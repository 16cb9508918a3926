// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/runnable_folder.h"

#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/scoped_path_override.h"
#include "desktop/windows/installer/common/win/test/access_list_sddl.h"
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
  // The probe's own folder is gone too.
  ASSERT_TRUE(base::DeleteFile(folder));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
}

// What another user or another installer left in a folder of the same name
// that existed already (the shared temporary folder of an installer running
// as SYSTEM is everyone's): the probe never runs its copy there, so a
// library planted beside it is not loaded, and another run's copy of the
// same name is neither replaced nor deleted.
struct LeftBehindCase {
  const char* name;
  const wchar_t* file_name;
  // The planted library (else a text file).
  bool is_library;
};

class RunnableFolderLeftBehindTest : public RunnableFolderTest,
                                     public ::testing::WithParamInterface<LeftBehindCase> {};

TEST_P(RunnableFolderLeftBehindTest, ProbeRunsInAFolderOfItsOwn) {
  const base::FilePath shared = temp_.GetPath().Append(kPrefix);
  ASSERT_TRUE(base::CreateDirectory(shared));
  const base::FilePath left = shared.Append(GetParam().file_name);
  if (GetParam().is_library) {
    ASSERT_TRUE(base::CopyFile(
        velta::test::GetPathBesideTestExecutable(L"planted_library.dll"), left));
  } else {
    ASSERT_TRUE(base::WriteFile(left, "another run's copy"));
  }
  std::string before;
  ASSERT_TRUE(base::ReadFileToString(left, &before));

  base::FilePath folder = temp_.GetPath();
  ASSERT_TRUE(PrepareRunnableFolder(kPrefix, Installer(), &folder));
  EXPECT_EQ(shared, folder);
  EXPECT_FALSE(base::PathExists(shared.Append(L"planted_library_loaded")));
  std::string after;
  EXPECT_TRUE(base::ReadFileToString(left, &after));
  EXPECT_EQ(before, after);
  ASSERT_TRUE(base::DeletePathRecursively(shared));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    RunnableFolderLeftBehindTest,
    ::testing::Values(LeftBehindCase{"PlantedLibrary", L"velta_installer.dll", true},
                      LeftBehindCase{"AnotherRunsCopy", L"installer.exe", false}),
    [](const ::testing::TestParamInfo<LeftBehindCase>& info) { return info.param.name; });

// The probe's own folder does not take the access list of the folder it is
// made in (a shared temporary folder lets others in): only the user, SYSTEM
// and Administrators have entries, as the program run there reads them.
// (Wine keeps no access list as such: it shows a folder's as the entries of
// its Unix owner, SYSTEM and, when the folder is open to all, Everyone.)
TEST_F(RunnableFolderTest, ProbeFolderLetsOnlyTheUserSystemAndAdministratorsIn) {
  const test::CurrentUser user = test::GetCurrentUser();
  ASSERT_FALSE(user.sid.empty());
  base::FilePath folder = temp_.GetPath();
  ASSERT_TRUE(PrepareRunnableFolder(
      kPrefix, velta::test::GetPathBesideTestExecutable(L"probe_folder_reporter.exe"), &folder));
  std::string sddl;
  ASSERT_TRUE(
      base::ReadFileToString(temp_.GetPath().Append(L"probe_folder_access.txt"), &sddl));
  test::SddlDacl access(base::UTF8ToWide("D:" + sddl.substr(sddl.find(':') + 1)));
  ASSERT_TRUE(access.dacl) << sddl;
  const std::vector<std::wstring> entries = test::AccessListEntries(access.dacl);
  EXPECT_FALSE(entries.empty()) << sddl;
  for (const std::wstring& entry : entries) {
    const std::wstring sid = entry.substr(entry.rfind(L' ') + 1);
    EXPECT_TRUE(sid == user.sid || sid == L"S-1-5-18" || sid == L"S-1-5-32-544") << sddl;
  }
}

TEST_F(RunnableFolderTest, FolderWhereNothingRunsIsRemovedWhenEmpty) {
  // Not a program: copying works, starting it does not.
  const base::FilePath fake_program = temp_.GetPath().Append(L"fake.exe");
  ASSERT_TRUE(base::WriteFile(fake_program, "not a program"));
  base::FilePath folder = temp_.GetPath();
  EXPECT_FALSE(PrepareRunnableFolder(kPrefix, fake_program, &folder));
  EXPECT_EQ(temp_.GetPath(), folder);
  ASSERT_TRUE(base::DeleteFile(fake_program));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));

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
