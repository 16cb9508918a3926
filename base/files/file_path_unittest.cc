// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file_path.h"

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

struct PathCase {
  const wchar_t* input;
  const wchar_t* expected;
};

TEST(FilePathTest, DirNameAndBaseName) {
  const PathCase dir_cases[] = {
      {L"C:\\a\\b", L"C:\\a"}, {L"C:\\a\\", L"C:\\"},   {L"C:\\", L"C:\\"},
      {L"C:", L"C:"},          {L"C:a", L"C:"},         {L"a\\b", L"a"},
      {L"b", L"."},            {L"\\\\server\\share", L"\\\\server"},
      {L"C:/a/b/", L"C:/a"},   {L"", L"."},
  };
  for (const PathCase& c : dir_cases)
    EXPECT_EQ(c.expected, FilePath(c.input).DirName().value()) << c.input;

  const PathCase base_cases[] = {
      {L"C:\\a\\b", L"b"}, {L"C:\\a\\b\\", L"b"}, {L"C:\\", L"\\"}, {L"C:", L""},
      {L"b", L"b"},        {L"a/b.pak", L"b.pak"},
  };
  for (const PathCase& c : base_cases)
    EXPECT_EQ(c.expected, FilePath(c.input).BaseName().value()) << c.input;
}

TEST(FilePathTest, AppendUsesOneSeparator) {
  EXPECT_EQ(L"C:\\a\\b", FilePath(L"C:\\a").Append(L"b").value());
  EXPECT_EQ(L"C:\\a\\b", FilePath(L"C:\\a\\").Append(L"b").value());
  EXPECT_EQ(L"C:\\b", FilePath(L"C:\\").Append(L"b").value());
  EXPECT_EQ(L"C:b", FilePath(L"C:").Append(L"b").value());
  EXPECT_EQ(L"b", FilePath().Append(L"b").value());
  EXPECT_EQ(L"b", FilePath(L".").Append(L"b").value());
  EXPECT_EQ(L"a\\x.log", FilePath(L"a").AppendASCII("x.log").value());
  // Text after a NUL never reaches the path.
  EXPECT_EQ(L"a\\b", FilePath(L"a").Append(std::wstring(L"b\0c", 3)).value());
}

TEST(FilePathTest, Extensions) {
  EXPECT_EQ(L".pak", FilePath(L"C:\\r\\velta_100_percent.pak").Extension());
  EXPECT_EQ(L".info", FilePath(L"en-US.pak.info").Extension());
  EXPECT_EQ(L".tar.gz", FilePath(L"a.tar.gz").Extension());
  EXPECT_EQ(L".gz", FilePath(L"a.tar.gz").FinalExtension());
  EXPECT_EQ(L"", FilePath(L"C:\\dir.d\\file").Extension());
  EXPECT_EQ(L"a.old", FilePath(L"a.dll").ReplaceExtension(L"old").value());
  EXPECT_EQ(L"a.dll.old", FilePath(L"a.dll").AddExtension(L".old").value());
  EXPECT_EQ(L"a", FilePath(L"a.dll").RemoveExtension().value());
  EXPECT_TRUE(FilePath(L"x.PAK").MatchesExtension(L".pak"));
}

TEST(FilePathTest, AbsoluteAndParents) {
  EXPECT_TRUE(FilePath(L"C:\\a").IsAbsolute());
  EXPECT_TRUE(FilePath(L"\\\\server\\share").IsAbsolute());
  EXPECT_FALSE(FilePath(L"C:a").IsAbsolute());
  EXPECT_FALSE(FilePath(L"\\a").IsAbsolute());
  EXPECT_FALSE(FilePath(L"a\\b").IsAbsolute());

  EXPECT_TRUE(FilePath(L"C:\\a").IsParent(FilePath(L"c:\\a\\b")));
  EXPECT_FALSE(FilePath(L"C:\\a").IsParent(FilePath(L"C:\\ab")));
  EXPECT_FALSE(FilePath(L"C:\\a").IsParent(FilePath(L"C:\\a")));
  FilePath relative;
  EXPECT_TRUE(FilePath(L"C:\\a").AppendRelativePath(FilePath(L"C:\\a\\b\\c"), &relative));
  EXPECT_EQ(L"b\\c", relative.value());

  EXPECT_TRUE(FilePath(L"a\\..\\b").ReferencesParent());
  EXPECT_TRUE(FilePath(L"..").ReferencesParent());
  EXPECT_FALSE(FilePath(L"a\\..b\\c").ReferencesParent());
}

TEST(FilePathTest, ComponentsAndComparison) {
  EXPECT_THAT(FilePath(L"C:\\a\\b").GetComponents(), ElementsAre(L"C:", L"\\", L"a", L"b"));
  EXPECT_THAT(FilePath(L"a/b").GetComponents(), ElementsAre(L"a", L"b"));
  EXPECT_EQ(FilePath(L"c:\\x"), FilePath(L"C:\\x"));
  EXPECT_NE(FilePath(L"C:\\X"), FilePath(L"C:\\x"));
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(L"C:\\Program Files", L"c:\\PROGRAM FILES"));
  EXPECT_EQ(L"C:\\a\\b", FilePath(L"C:/a/b").NormalizePathSeparators().value());
  EXPECT_EQ(L"C:\\a", FilePath(L"C:\\a\\\\").StripTrailingSeparators().value());
  EXPECT_EQ(L"\\\\", FilePath(L"\\\\").StripTrailingSeparators().value());
}

TEST(FilePathTest, Utf8RoundTrip) {
  const std::string utf8 = "C:\\Users\\J\xc3\xb8rgen\\\xe6\x97\xa5\xe6\x9c\xac";
  EXPECT_EQ(utf8, FilePath::FromUTF8Unsafe(utf8).AsUTF8Unsafe());
  EXPECT_EQ("", FilePath::FromUTF8Unsafe(utf8).MaybeAsASCII());
  EXPECT_EQ("C:\\a", FilePath(L"C:\\a").MaybeAsASCII());
}

}  // namespace
}  // namespace base
