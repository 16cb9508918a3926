// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_file_names.h"

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

class PackageFileNamesTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.CreateUniqueTempDir()); }

  // A package folder whose archive holds "velta.exe" and
  // "resources/en-US.pak".
  void PutArchive() {
    ASSERT_TRUE(base::CopyFile(
        test::FromBuildPath(VELTA_PAYLOAD_TEST_FILES).Append(L"package.7z"),
        folder_.GetPath().Append(kPackageFileName)));
  }

  base::ScopedTempDir folder_;
  LzmaUtil lzma_util_;
  PackageFileNames names_;
};

TEST_F(PackageFileNamesTest, HoldsEverySpellingOfThePackagesFiles) {
  PutArchive();
  ASSERT_TRUE(names_.AddPackageArchive(folder_.GetPath(), &lzma_util_));
  struct {
    const wchar_t* name;
    bool held;
  } cases[] = {
      // The archive's entry, as Windows would open it.
      {L"velta.exe", true},
      {L"VELTA.EXE", true},
      {L"Velta.Exe", true},
      {L"velta.exe.", true},
      {L"velta.exe .. ", true},
      {L"resources\\en-US.pak", true},
      {L"Resources/EN-us.pak", true},
      {L"resources", true},
      // The installer's own files and the fetch's files of a package folder.
      {L"installer.exe", true},
      {L"Velta_Installer.DLL", true},
      {L"files_list", true},
      {L"ROOT_FILES_LIST", true},
      {L"velta_package", true},
      {L"ready", true},
      {L"launcher.exe", true},
      {L"installer_prefs_include.json", true},
      {L"pref_default_overrides", true},
      {L"done", true},
      // The fetch's temporary downloads and running archives, any of them.
      {L"additional_file0.tmp", true},
      {L"Additional_File17.TMP.", true},
      {L"partner_content_sfx.exe", true},
      {L"packs/partner_SFX.EXE", true},
      {L"additional_file.tmp", false},
      {L"additional_file1a.tmp", false},
      {L"packs\\additional_file0.tmp", false},
      {L"sfx.exe", false},
      // Short names that Windows may give them.
      {L"VELTA_~1.DLL", true},
      {L"velta_~2.dll", true},
      {L"INSTAL~1.JSO", true},
      {L"VELTA_~1", true},
      {L"RESOUR~1\\en-US.pak", true},
      {L"PREF_D~1", true},
      {L"ADDITI~1.TMP", true},
      // Conservative: "en-US.pak" needs no short name, yet the shape fits.
      {L"RESOUR~1\\EN-US~1.PAK", true},
      {L"VE4F2A~1.DLL", true},
      {L"PARTNE~1.JSO", false},
      {L"VELTA_~1.EXE", false},
      {L"VELTA_~.DLL", false},
      {L"VELTA_~X.DLL", false},
      {L"VELTA_INS~1.DLL", false},
      // Other names, the same name in a subfolder among them.
      {L"partner_bookmarks.json", false},
      {L"packs\\velta.exe", false},
      {L"packs/velta.exe", false},
      {L"velta.exe.bak", false},
      {L"velta", false},
  };
  for (const auto& test_case : cases)
    EXPECT_EQ(test_case.held, names_.Holds(test_case.name)) << test_case.name;
}

TEST_F(PackageFileNamesTest, AFolderWithoutAnArchiveHoldsTheInstallersOwnNames) {
  ASSERT_TRUE(names_.AddPackageArchive(folder_.GetPath(), &lzma_util_));
  // Without an archive (a fetch of additional files only) only the
  // installer's own names are held.
  EXPECT_FALSE(names_.Holds(L"velta.exe"));
  EXPECT_TRUE(names_.Holds(L"installer.exe"));
  EXPECT_FALSE(names_.Holds(L"resources\\en-US.pak"));
}

TEST_F(PackageFileNamesTest, AnArchiveThatCannotBeListedIsAFailure) {
  ASSERT_TRUE(base::WriteFile(folder_.GetPath().Append(kPackageFileName), "not an archive"));
  EXPECT_FALSE(names_.AddPackageArchive(folder_.GetPath(), &lzma_util_));
}

}  // namespace
}  // namespace velta
