// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/install_folder_path.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct SpellingCase {
  const wchar_t* typed;
  const wchar_t* canonical;
};

void PrintTo(const SpellingCase& spelling, std::ostream* os) {
  *os << base::WideToUTF8(spelling.typed);
}

class CanonicalInstallFolderTest : public ::testing::TestWithParam<SpellingCase> {};

// Folders on drives and shares that do not exist: the text alone decides.
TEST_P(CanonicalInstallFolderTest, EverySpellingOfAFolderHasOneForm) {
  EXPECT_EQ(GetParam().canonical,
            CanonicalInstallFolder(base::FilePath(GetParam().typed)).value());
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, CanonicalInstallFolderTest,
    ::testing::Values(
        SpellingCase{L"Q:\\x\\Velta", L"Q:\\x\\Velta"},
        SpellingCase{L"Q:/x/Velta", L"Q:\\x\\Velta"},
        SpellingCase{L"Q:/x/Velta/", L"Q:\\x\\Velta"},
        SpellingCase{L"Q:\\x\\\\Velta", L"Q:\\x\\Velta"},
        SpellingCase{L"Q:\\x\\Velta\\\\", L"Q:\\x\\Velta"},
        SpellingCase{L"q:\\x/\\/Velta", L"Q:\\x\\Velta"},
        SpellingCase{L"\\\\?\\Q:\\x\\Velta", L"Q:\\x\\Velta"},
        SpellingCase{L"\\\\?\\Q:\\x\\Velta\\", L"Q:\\x\\Velta"},
        SpellingCase{L"\\\\?\\UNC\\server\\share\\Velta", L"\\\\server\\share\\Velta"},
        SpellingCase{L"\\\\?\\unc\\server\\share\\Velta\\", L"\\\\server\\share\\Velta"},
        SpellingCase{L"//server/share//Velta/", L"\\\\server\\share\\Velta"},
        SpellingCase{L"\\\\server\\share\\", L"\\\\server\\share"},
        SpellingCase{L"Q:\\", L"Q:\\"},
        SpellingCase{L"Q:/", L"Q:\\"},
        SpellingCase{L"q:\\\\", L"Q:\\"},
        // What the settings refuse stays as typed, to be refused as given.
        SpellingCase{L"", L""},
        SpellingCase{L"x/Velta", L"x/Velta"},
        SpellingCase{L"Q:x\\Velta", L"Q:x\\Velta"},
        SpellingCase{L"Q:/x/../Velta", L"Q:/x/../Velta"},
        SpellingCase{L"Q:/x/./Velta", L"Q:/x/./Velta"},
        SpellingCase{L"Q:/x/Ve|ta", L"Q:/x/Ve|ta"}));

TEST(CanonicalInstallFolderCaseTest, ExistingComponentsAreSpelledAsTheFileSystemSpellsThem) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath root = CanonicalInstallFolder(dir.GetPath());
  ASSERT_TRUE(base::CreateDirectory(root.Append(L"Velta").Append(L"Sub")));
  const std::wstring typed =
      base::ToLowerASCII(root.value()) + L"/vELTA//sUB/New Folder/";
  EXPECT_EQ(root.Append(L"Velta").Append(L"Sub").Append(L"New Folder"),
            CanonicalInstallFolder(base::FilePath(typed)));
  EXPECT_TRUE(IsSameInstallFolder(base::FilePath(typed), root.Append(L"VELTA\\SUB\\new folder")));
  EXPECT_FALSE(IsSameInstallFolder(base::FilePath(typed), root.Append(L"Velta")));
}

TEST(FoldInstallFolderCaseTest, SpellingsThatDifferInCaseFoldAlike) {
  EXPECT_EQ(FoldInstallFolderCase(L"C:\\x\\Velta \u00e9\u0434"),
            FoldInstallFolderCase(L"c:\\X\\vELTA \u00c9\u0414"));
  EXPECT_NE(FoldInstallFolderCase(L"C:\\x\\Velta"), FoldInstallFolderCase(L"C:\\x\\Velta2"));
}

}  // namespace
}  // namespace velta
