// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/leftover_remover.h"

#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::UnorderedElementsAreArray;

TEST(IsParkedFileNameTest, KnowsTheNamesATransactionParksUnder) {
  const struct {
    const wchar_t* name;
    bool parked;
  } kCases[] = {
      {.name = L"velta.dll.1765000000.old", .parked = true},
      {.name = L"velta.dll.1765000000.2.old", .parked = true},
      {.name = L"launcher.exe.123456789.old", .parked = true},
      {.name = L"velta.dll.old", .parked = false},
      {.name = L"notes.2024.old", .parked = false},
      {.name = L".1765000000.old", .parked = false},
      {.name = L"velta.dll.1765000000", .parked = false},
      {.name = L"velta.dll.1765000000.x.old", .parked = false},
      {.name = L"1765000000.old", .parked = false},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(c.parked, IsParkedFileName(c.name)) << c.name;
}

// An installation folder as killed runs leave it beside what the statuses
// record.
class LeftoverRemoverTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.CreateUniqueTempDir()); }

  base::FilePath Folder() const { return dir_.GetPath(); }

  void Write(const std::wstring& relative) {
    const base::FilePath file = Folder().Append(relative);
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(base::WriteFile(file, "x"));
  }

  InstallationStatus Status(const std::wstring& subfolder, std::vector<base::FilePath> files) {
    InstallationStatus status(StatusSource::kGenerated);
    status.version = "1.0.0.1";
    status.path = Folder();
    status.subfolder = base::FilePath(subfolder);
    status.files = std::move(files);
    return status;
  }

  // Every file and folder below the folder, relative to it.
  std::vector<std::wstring> Left() const {
    std::vector<std::wstring> left;
    base::FileEnumerator entries(Folder(), /*recursive=*/true,
                                 base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
    for (base::FilePath entry = entries.Next(); !entry.empty(); entry = entries.Next())
      left.push_back(entry.value().substr(Folder().value().size() + 1));
    return left;
  }

  base::ScopedTempDir dir_;
};

TEST_F(LeftoverRemoverTest, RemovesUnrecordedVersionFoldersAndParkedFilesOnly) {
  // The version folders the statuses record (the current one, an old_status
  // copy, a copy a transaction parked in old_status) with their files, a
  // parked name a status lists, the root files, and what lies outside the
  // version folders.
  const std::vector<std::wstring> kept_files = {
      L"1.0.0.1\\velta.dll",
      L"1.0.0.1\\listed.dll.1765000000.old",
      L"1.0.0.3\\velta.dll",
      L"1.0.0.4\\velta.dll",
      L"launcher.exe",
      L"notes.2024.old",
      L"User Data\\cache.1765000000.old",
  };
  for (const std::wstring& file : kept_files)
    Write(file);
  for (const wchar_t* debris :
       {L"1.0.0.1\\velta.dll.1765000000.old", L"1.0.0.1\\locales\\de.pak.1765000001.2.old",
        L"1.0.0.2\\velta.dll", L"1.0.0.2_0\\locales\\de.pak", L"launcher.exe.1765000000.old"}) {
    Write(debris);
  }
  const base::FilePath old_status = Folder().Append(kOldStatusFolderName);
  ASSERT_TRUE(base::CreateDirectory(old_status));
  ASSERT_TRUE(WriteInstallationStatusJson(Status(L"1.0.0.3", {}),
                                          old_status.Append(L"installation_status.json.3")));
  ASSERT_TRUE(WriteInstallationStatusJson(
      Status(L"1.0.0.4", {}), old_status.Append(L"installation_status.json.4.1765000000.old")));

  LeftoverRemover remover(Folder());
  remover.Keep(Status(
      L"1.0.0.1", {base::FilePath(L"velta.dll"), base::FilePath(L"listed.dll.1765000000.old")}));
  remover.Run();

  std::vector<std::wstring> expected = kept_files;
  for (const wchar_t* folder :
       {L"1.0.0.1", L"1.0.0.1\\locales", L"1.0.0.3", L"1.0.0.4", L"User Data", L"old_status",
        L"old_status\\installation_status.json.3",
        L"old_status\\installation_status.json.4.1765000000.old"}) {
    expected.push_back(folder);
  }
  EXPECT_THAT(Left(), UnorderedElementsAreArray(expected));
}

}  // namespace
}  // namespace velta
