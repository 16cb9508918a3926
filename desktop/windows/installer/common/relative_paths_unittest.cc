// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/relative_paths.h"

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_folder_link.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// An installation folder whose version folder holds a folder replaced by a
// link to a folder outside, and a link standing for a whole version folder.
// (Under Wine the links are Unix symbolic links: see ScopedFolderLink.)
TEST(LiesUnderLinkTest, FindsEveryLinkOnTheWayDown) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath folder = dir.GetPath().Append(L"Velta");
  const base::FilePath outside = dir.GetPath().Append(L"outside");
  ASSERT_TRUE(base::CreateDirectory(folder.Append(L"1.0")));
  ASSERT_TRUE(base::CreateDirectory(outside.Append(L"sub")));
  ASSERT_TRUE(base::WriteFile(folder.Append(L"1.0\\velta.dll"), "x"));
  ASSERT_TRUE(base::WriteFile(outside.Append(L"de.pak"), "x"));
  const test::ScopedFolderLink localization(folder.Append(L"1.0\\localization"), outside);
  const test::ScopedFolderLink version(folder.Append(L"2.0"), outside);
  ASSERT_TRUE(localization.is_valid());
  ASSERT_TRUE(version.is_valid());

  const struct {
    const wchar_t* path;
    bool under_link;
    bool removable;
    // The first link on the way, relative to the folder ("" for none).
    const wchar_t* link;
  } kCases[] = {
      {L"1.0\\velta.dll", false, true, L""},
      {L"1.0\\missing\\x.dll", false, true, L""},
      {L"launcher.exe", false, true, L""},
      // The link itself is reached without one; it stands where a folder is.
      {L"1.0\\localization", false, false, L""},
      {L"1.0\\localization\\de.pak", true, false, L"1.0\\localization"},
      {L"1.0\\localization\\sub\\x.pak", true, false, L"1.0\\localization"},
      {L"2.0\\de.pak", true, false, L"2.0"},
      // A folder where a file is recorded is not the installation's either.
      {L"1.0", false, false, L""},
      {L"..\\outside\\de.pak", true, false, L""},
  };
  for (const auto& c : kCases) {
    const base::FilePath path = folder.Append(c.path);
    EXPECT_EQ(c.under_link, LiesUnderLink(folder, path)) << c.path;
    EXPECT_EQ(*c.link ? folder.Append(c.link) : base::FilePath(), FindLinkOnTheWay(folder, path))
        << c.path;
    EXPECT_EQ(c.removable, MayRemoveRecordedFile(folder, path)) << c.path;
  }
  EXPECT_TRUE(LiesUnderLink(folder, outside.Append(L"de.pak")));
}

}  // namespace
}  // namespace velta
