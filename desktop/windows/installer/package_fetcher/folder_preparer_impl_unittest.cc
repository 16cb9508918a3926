// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"

#include <memory>
#include <ostream>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/package_fetcher/package_folder_mark.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

class FolderPreparerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    download_folder_ = dir_.GetPath().Append(L"downloads");
  }

  std::unique_ptr<FolderPreparerImpl> MakePreparer(bool install_assistant = false) {
    return std::make_unique<FolderPreparerImpl>(download_folder_, install_assistant, now_);
  }

  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir dir_;
  base::FilePath download_folder_;
  // Two installers started within the same second name their folders alike.
  const base::Time now_ = base::Time::Now();
};

TEST_F(FolderPreparerTest, PreparersOfTheSameSecondGetFoldersOfTheirOwn) {
  auto first = MakePreparer();
  auto second = MakePreparer();
  ASSERT_EQ(first->GetPackageFolder(), second->GetPackageFolder());
  const base::FilePath first_folder = first->PrepareFolder();
  const base::FilePath second_folder = second->PrepareFolder();
  ASSERT_FALSE(first_folder.empty());
  ASSERT_FALSE(second_folder.empty());
  EXPECT_NE(first_folder, second_folder);
  EXPECT_EQ(first->GetPackageFolder().value() + L"1", first_folder.value());
  EXPECT_EQ(first->GetPackageFolder().value() + L"2", second_folder.value());
  ASSERT_TRUE(base::WriteFile(second_folder.Append(L"velta_package"), "verified"));

  // The first one's next attempt neither reuses nor deletes the second's
  // folder, and its end removes only its own folders.
  const base::FilePath retry_folder = first->PrepareFolder();
  ASSERT_FALSE(retry_folder.empty());
  EXPECT_NE(second_folder, retry_folder);
  EXPECT_FALSE(base::PathExists(first_folder));
  first.reset();
  EXPECT_FALSE(base::PathExists(retry_folder));
  std::string content;
  ASSERT_TRUE(base::ReadFileToString(second_folder.Append(L"velta_package"), &content));
  EXPECT_EQ("verified", content);
}

// What earlier runs left in the shared download folder, as the first
// folder of a run finds it.
struct LeftFolderCase {
  const char* name;
  // The folder's name in the download folder.
  const wchar_t* folder;
  // It holds the mark of the run that made it ("fetch.lock").
  bool marked;
  // Whether the run that made it has ended (no one holds the mark).
  bool run_ended;
  bool removed;
};

void PrintTo(const LeftFolderCase& c, std::ostream* os) {
  *os << c.name;
}

class LeftFolderTest : public FolderPreparerTest,
                       public testing::WithParamInterface<LeftFolderCase> {};

// A run's first folder comes after the package folders of ended runs are
// removed with what they hold (a part of a package, temporary files); a
// running installer's folder, one no run marked and a folder that is no
// package folder stay.
TEST_P(LeftFolderTest, FirstFolderRemovesOnlyEndedRunsPackageFolders) {
  const LeftFolderCase& c = GetParam();
  const base::FilePath left = download_folder_.Append(c.folder);
  ASSERT_TRUE(base::CreateDirectory(left));
  ASSERT_TRUE(base::WriteFile(left.Append(L"velta_package"), "part of a package"));
  ASSERT_TRUE(base::WriteFile(left.Append(L"5A3F.tmp"), "unpacking"));
  std::unique_ptr<PackageFolderMark> live_mark;
  if (c.marked && !c.run_ended)
    live_mark = std::make_unique<PackageFolderMark>(left);
  if (c.marked && c.run_ended) {
    ASSERT_TRUE(base::WriteFile(left.Append(L"fetch.lock"), ""));
  }

  auto preparer = MakePreparer();
  const base::FilePath folder = preparer->PrepareFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(left, folder);
  EXPECT_EQ(!c.removed, base::PathExists(left.Append(L"5A3F.tmp")));
  EXPECT_EQ(!c.removed, base::PathExists(left));
  // This run's own folder carries its mark until the run ends.
  EXPECT_FALSE(base::DeleteFile(folder.Append(L"fetch.lock")));
  preparer.reset();
  EXPECT_FALSE(base::PathExists(folder));
}

INSTANTIATE_TEST_SUITE_P(
    Runs,
    LeftFolderTest,
    testing::Values(
        LeftFolderCase{"EndedRun", L"velta_package_202401020304051", true, true, true},
        LeftFolderCase{"RunningInstaller", L"velta_package_202401020304051", true, false, false},
        LeftFolderCase{"Unmarked", L"velta_package_202401020304051", false, false, false},
        LeftFolderCase{"NotAPackageFolder", L"velta_assets", true, true, false}),
    [](const testing::TestParamInfo<LeftFolderCase>& info) { return std::string(info.param.name); });

TEST_F(FolderPreparerTest, AFileInTheWayIsSkippedLikeAFolder) {
  ASSERT_TRUE(base::CreateDirectory(download_folder_));
  auto preparer = MakePreparer();
  const base::FilePath taken(preparer->GetPackageFolder().value() + L"1");
  ASSERT_TRUE(base::WriteFile(taken, "someone else's"));
  const base::FilePath folder = preparer->PrepareFolder();
  EXPECT_EQ(preparer->GetPackageFolder().value() + L"2", folder.value());
  EXPECT_TRUE(base::DirectoryExists(folder));
  preparer.reset();
  EXPECT_TRUE(base::PathExists(taken));
}

TEST_F(FolderPreparerTest, AssistantFoldersOfTheSameSecondAreMadeApart) {
  // A file in the way of the first name counts as taken, like a folder.
  ASSERT_TRUE(base::CreateDirectory(download_folder_));
  auto probe = MakePreparer();
  const std::wstring suffix = probe->GetPackageFolder().BaseName().value().substr(
      std::wstring(L"velta_package").size());
  probe.reset();
  const base::FilePath in_the_way = download_folder_.Append(L"assistant" + suffix + L"1");
  ASSERT_TRUE(base::WriteFile(in_the_way, "someone else's"));

  auto first = MakePreparer(true);
  auto second = MakePreparer(true);
  auto third = MakePreparer(true);
  EXPECT_EQ(download_folder_.Append(L"assistant" + suffix), first->GetAssistantFolder());
  EXPECT_EQ(download_folder_.Append(L"assistant" + suffix + L"2"), second->GetAssistantFolder());
  EXPECT_EQ(download_folder_.Append(L"assistant" + suffix + L"3"), third->GetAssistantFolder());
  for (const FolderPreparerImpl* preparer : {first.get(), second.get(), third.get()})
    EXPECT_TRUE(base::DirectoryExists(preparer->GetAssistantFolder()));
  ASSERT_TRUE(base::WriteFile(second->GetAssistantFolder().Append(L"assistant_installer.exe"),
                              "installed"));

  // One installer's end removes its own assistant folder only.
  const base::FilePath first_assistant = first->GetAssistantFolder();
  first.reset();
  EXPECT_FALSE(base::PathExists(first_assistant));
  EXPECT_TRUE(base::PathExists(second->GetAssistantFolder().Append(L"assistant_installer.exe")));
  EXPECT_TRUE(base::DirectoryExists(third->GetAssistantFolder()));
  EXPECT_TRUE(base::PathExists(in_the_way));
  const base::FilePath second_assistant = second->GetAssistantFolder();
  second.reset();
  EXPECT_FALSE(base::PathExists(second_assistant));
}

TEST_F(FolderPreparerTest, ADownloadFolderThatCannotBeMadeFailsWithCode19) {
  ASSERT_TRUE(base::WriteFile(dir_.GetPath().Append(L"downloads"), "a file"));
  auto preparer = MakePreparer();
  EXPECT_TRUE(preparer->PrepareFolder().empty());
  EXPECT_EQ(19u, GetInstallerErrorCode());
  EXPECT_EQ("Could not create a download folder", GetInstallerErrorDetail());
}

}  // namespace
}  // namespace velta
