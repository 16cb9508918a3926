// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/string_util.h"

#include <locale.h>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(StringUtilTest, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ("abc 123 xyz \xC3\x89", ToLowerASCII("AbC 123 XYZ \xC3\x89"));
  EXPECT_EQ(L"ABC \u00E9\u0130", ToUpperASCII(L"abc \u00E9\u0130"));
  EXPECT_EQ(L"i\u0130", ToLowerASCII(L"I\u0130"));
  EXPECT_EQ("", ToLowerASCII(""));
  // Bytes above 0x7F are not letters even where a code page says so.
  EXPECT_EQ(std::string("\xC0\xE0"), ToUpperASCII(std::string("\xC0\xE0")));
}

TEST(StringUtilTest, CaseFoldingIgnoresProcessLocale) {
  // A Turkish locale maps "I" to a dotless i in the C runtime; ours must not.
  const char* previous = setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  setlocale(LC_ALL, "Turkish");
  EXPECT_EQ("title", ToLowerASCII("TITLE"));
  EXPECT_TRUE(EqualsCaseInsensitiveASCII("FILE", "file"));
  EXPECT_EQ(L"I", ToUpperASCII(L"i"));
  setlocale(LC_ALL, saved.c_str());
}

TEST(StringUtilTest, CaseInsensitiveComparison) {
  EXPECT_EQ(0, CompareCaseInsensitiveASCII("Velta", "vELTA"));
  EXPECT_EQ(-1, CompareCaseInsensitiveASCII("a", "B"));
  EXPECT_EQ(1, CompareCaseInsensitiveASCII("b", "A"));
  EXPECT_EQ(-1, CompareCaseInsensitiveASCII("ab", "ABC"));
  EXPECT_EQ(1, CompareCaseInsensitiveASCII("abc", "AB"));
  EXPECT_EQ(0, CompareCaseInsensitiveASCII("", ""));
  // Bytes above 0x7F sort after ASCII, as std::string orders them.
  EXPECT_EQ(1, CompareCaseInsensitiveASCII("\xC3", "z"));
  EXPECT_EQ(0, CompareCaseInsensitiveASCII(L"Program Files", L"PROGRAM FILES"));
  EXPECT_TRUE(EqualsCaseInsensitiveASCII(L"Setup.EXE", L"setup.exe"));
  EXPECT_FALSE(EqualsCaseInsensitiveASCII(L"\u00C9", L"\u00E9"));
  EXPECT_FALSE(EqualsCaseInsensitiveASCII("abc", "abcd"));
  EXPECT_TRUE(LowerCaseEqualsASCII("HKLM", "hklm"));
  EXPECT_TRUE(LowerCaseEqualsASCII(L"HkCu", "hkcu"));
  EXPECT_FALSE(LowerCaseEqualsASCII(L"HKCU2", "hkcu"));
}

TEST(StringUtilTest, StartsWithAndEndsWith) {
  EXPECT_TRUE(StartsWith("--flag", "--"));
  EXPECT_FALSE(StartsWith("--flag", "--FLAG"));
  EXPECT_TRUE(StartsWith("--flag", "--FLAG", CompareCase::INSENSITIVE_ASCII));
  EXPECT_TRUE(StartsWith("x", ""));
  EXPECT_FALSE(StartsWith("", "x"));
  EXPECT_FALSE(StartsWith("ab", "abc"));
  EXPECT_TRUE(EndsWith(L"setup.EXE", L".exe", CompareCase::INSENSITIVE_ASCII));
  EXPECT_FALSE(EndsWith(L"setup.EXE", L".exe"));
  EXPECT_FALSE(EndsWith(L"exe", L".exe"));
  EXPECT_TRUE(EndsWith(L"", L""));
}

struct TrimCase {
  const wchar_t* input;
  TrimPositions positions;
  const wchar_t* output;
  TrimPositions trimmed;
};

TEST(StringUtilTest, TrimWhitespaceWideRemovesUnicodeSpaces) {
  const TrimCase cases[] = {
      {L" Google Video ", TRIM_LEADING, L"Google Video ", TRIM_LEADING},
      {L" Google Video ", TRIM_TRAILING, L" Google Video", TRIM_TRAILING},
      {L" Google Video ", TRIM_ALL, L"Google Video", TRIM_ALL},
      {L"Google Video", TRIM_ALL, L"Google Video", TRIM_NONE},
      {L"", TRIM_ALL, L"", TRIM_NONE},
      {L"  ", TRIM_LEADING, L"", TRIM_LEADING},
      {L"\t\r\n\v\f x", TRIM_ALL, L"x", TRIM_LEADING},
      {L"\u00A0\u3000C:\\path\u2028", TRIM_ALL, L"C:\\path", TRIM_ALL},
      {L"x \u200B", TRIM_ALL, L"x \u200B", TRIM_NONE},  // zero width: not space
  };
  for (const TrimCase& c : cases) {
    std::wstring output;
    EXPECT_EQ(c.trimmed, TrimWhitespace(c.input, c.positions, &output)) << c.input;
    EXPECT_EQ(c.output, output) << c.input;
    EXPECT_EQ(c.output, TrimWhitespace(c.input, c.positions)) << c.input;
  }
  // The output may be the input.
  std::wstring in_place = L"  both  ";
  TrimWhitespace(in_place, TRIM_ALL, &in_place);
  EXPECT_EQ(L"both", in_place);
}

TEST(StringUtilTest, TrimWhitespaceNarrowIsAsciiOnly) {
  std::string output;
  EXPECT_EQ(TRIM_ALL, TrimWhitespaceASCII("\v 12 \n", TRIM_ALL, &output));
  EXPECT_EQ("12", output);
  // A UTF-8 no-break space is two bytes of text, not white space.
  EXPECT_EQ(TRIM_NONE, TrimWhitespace("\xC2\xA0x", TRIM_ALL, &output));
  EXPECT_EQ("\xC2\xA0x", output);
  EXPECT_EQ("a b", TrimWhitespaceASCII("  a b", TRIM_LEADING));
}

TEST(StringUtilTest, CollapseWhitespaceASCII) {
  const struct {
    const char* input;
    bool trim_line_breaks;
    const char* output;
  } cases[] = {
      {"", false, ""},
      {" \t\r\n ", false, ""},
      {"Google Video", false, "Google Video"},
      {"  Google   Video  ", false, "Google Video"},
      {"Access is denied.\r\n", false, "Access is denied."},
      {"one\r\n\ttwo\v\fthree", false, "one two three"},
      {"one\r\ntwo  three\r\n", true, "onetwo three"},
      {"\r\nlead and trail \n", true, "lead and trail"},
      // Bytes above 0x7F (a UTF-8 no-break space here) are text.
      {"a\xC2\xA0 b", false, "a\xC2\xA0 b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.output, CollapseWhitespaceASCII(c.input, c.trim_line_breaks)) << c.input;
}

TEST(StringUtilTest, TrimString) {
  std::string output;
  EXPECT_TRUE(TrimString("\"quoted\"", "\"", &output));
  EXPECT_EQ("quoted", output);
  EXPECT_FALSE(TrimString("plain", "\"", &output));
  EXPECT_EQ("plain", output);
  EXPECT_TRUE(TrimString("xxxx", "x", &output));
  EXPECT_EQ("", output);
  std::wstring wide;
  EXPECT_TRUE(TrimString(L"\\\\dir\\", L"\\", &wide));
  EXPECT_EQ(L"dir", wide);
  EXPECT_EQ(L"dir\\", TrimString(L"\\dir\\", L"\\", TRIM_LEADING));
}

TEST(StringUtilTest, ReplaceSubstrings) {
  struct Case {
    const char* str;
    size_t offset;
    const char* find;
    const char* replace;
    const char* all;
    const char* first;
  } cases[] = {
      {"aaa", 0, "a", "b", "bbb", "baa"},
      {"aaa", 0, "aa", "a", "aa", "aa"},
      {"aaa", 0, "a", "aa", "aaaaaa", "aaaa"},  // does not rescan replacements
      {"abcabc", 1, "abc", "X", "abcX", "abcX"},
      {"abc", 3, "c", "X", "abc", "abc"},
      {"abc", 99, "a", "X", "abc", "abc"},  // offset past the end: nothing
      {"abc", 0, "", "X", "abc", "abc"},    // empty pattern: nothing
      {"a.b.c", 0, ".", "", "abc", "ab.c"},
      {"", 0, "a", "b", "", ""},
  };
  for (const Case& c : cases) {
    std::string all = c.str;
    ReplaceSubstringsAfterOffset(&all, c.offset, c.find, c.replace);
    EXPECT_EQ(c.all, all) << c.str << " " << c.find;
    std::string first = c.str;
    ReplaceFirstSubstringAfterOffset(&first, c.offset, c.find, c.replace);
    EXPECT_EQ(c.first, first) << c.str << " " << c.find;
  }
  std::wstring wide = L"%APPDATA%\\%APPDATA%";
  ReplaceSubstringsAfterOffset(&wide, 0, L"%APPDATA%", L"C:\\\u00DCser");
  EXPECT_EQ(L"C:\\\u00DCser\\C:\\\u00DCser", wide);
  // The pattern may view the string being changed.
  std::string self = "abab";
  ReplaceSubstringsAfterOffset(&self, 0, std::string_view(self).substr(0, 2), "x");
  EXPECT_EQ("xx", self);
}

TEST(StringUtilTest, ReplaceCharsAndContainsOnlyChars) {
  std::string output;
  EXPECT_TRUE(ReplaceChars("a/b\\c", "/\\", "::", &output));
  EXPECT_EQ("a::b::c", output);
  EXPECT_FALSE(ReplaceChars("abc", "/", "_", &output));
  EXPECT_EQ("abc", output);
  std::wstring wide;
  EXPECT_TRUE(ReplaceChars(L"a b", L" ", L"", &wide));
  EXPECT_EQ(L"ab", wide);

  EXPECT_TRUE(ContainsOnlyChars("0123", "0123456789"));
  EXPECT_FALSE(ContainsOnlyChars("01a", "0123456789"));
  EXPECT_TRUE(ContainsOnlyChars("", "0"));
  EXPECT_FALSE(ContainsOnlyChars("0", ""));
  EXPECT_TRUE(ContainsOnlyChars(L"_1_", L"_0123456789"));
}

TEST(StringUtilTest, JoinString) {
  EXPECT_EQ("", JoinString(std::vector<std::string>(), ","));
  EXPECT_EQ("a", JoinString(std::vector<std::string>{"a"}, ","));
  EXPECT_EQ("a, b, ", JoinString({"a", "b", ""}, ", "));
  EXPECT_EQ("ab", JoinString(std::vector<std::string_view>{"a", "b"}, ""));
  EXPECT_EQ(L"C:\\a\\b", JoinString(std::vector<std::wstring>{L"C:", L"a", L"b"}, L"\\"));
  EXPECT_EQ(L"x;y", JoinString({L"x", L"y"}, L";"));
}

TEST(StringUtilTest, CharacterClasses) {
  EXPECT_TRUE(IsAsciiDigit('0') && IsAsciiDigit(L'9'));
  EXPECT_FALSE(IsAsciiDigit(L'\u0660'));  // Arabic-Indic zero
  EXPECT_TRUE(IsAsciiAlpha('z') && IsAsciiAlpha(L'A'));
  EXPECT_FALSE(IsAsciiAlpha('@') || IsAsciiAlpha('[') || IsAsciiAlpha(L'\u00E9'));
  EXPECT_TRUE(IsAsciiWhitespace(' ') && IsAsciiWhitespace(L'\t'));
  EXPECT_FALSE(IsAsciiWhitespace(L'\u00A0'));
  EXPECT_TRUE(IsHexDigit('f') && IsHexDigit('F') && !IsHexDigit('g'));
  EXPECT_EQ(15, HexDigitToInt('f'));
  EXPECT_EQ(10, HexDigitToInt(L'A'));
}

TEST(StringUtilTest, WriteIntoSizesForTheTerminator) {
  std::wstring buffer;
  wchar_t* data = WriteInto(&buffer, 4);
  EXPECT_EQ(3u, buffer.size());
  data[0] = L'a';
  data[1] = L'b';
  data[2] = L'c';
  data[3] = L'\0';  // std::wstring keeps room for it
  EXPECT_EQ(L"abc", buffer);
}

struct PlaceholderCase {
  const wchar_t* format;
  std::vector<std::wstring> subst;
  const wchar_t* expected;
};

class ReplaceStringPlaceholdersTest : public testing::TestWithParam<PlaceholderCase> {};

TEST_P(ReplaceStringPlaceholdersTest, ReplacesInOneForwardPass) {
  EXPECT_EQ(GetParam().expected, ReplaceStringPlaceholders(GetParam().format, GetParam().subst));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    ReplaceStringPlaceholdersTest,
    testing::Values(
        PlaceholderCase{L"drive $1 ($2 MB needed)", {L"C:", L"512"}, L"drive C: (512 MB needed)"},
        PlaceholderCase{L"$2 before $1", {L"a", L"b"}, L"b before a"},
        PlaceholderCase{L"$1$1", {L"x"}, L"xx"},
        // Inserted text is not read again, even when it looks like a placeholder.
        PlaceholderCase{L"$1 and $2", {L"$2", L"y"}, L"$2 and y"},
        PlaceholderCase{L"$$1 costs $$", {L"no"}, L"$1 costs $"},
        PlaceholderCase{L"$9", {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"nine"}, L"nine"},
        // Missing arguments, "$0" and a lone "$" at the end stay visible.
        PlaceholderCase{L"$1 of $2", {L"one"}, L"one of $2"},
        PlaceholderCase{L"$0 $a $", {L"x"}, L"$0 $a $"},
        PlaceholderCase{L"", {L"x"}, L""}));

}  // namespace
}  // namespace base
