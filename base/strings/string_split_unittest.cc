// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/string_split.h"

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(StringSplitTest, EmptyPiecesKeptOrDropped) {
  EXPECT_THAT(SplitString("a,,b,", ",", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("a", "", "b", ""));
  EXPECT_THAT(SplitString("a,,b,", ",", KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY),
              ElementsAre("a", "b"));
  EXPECT_THAT(SplitString(",", ",", KEEP_WHITESPACE, SPLIT_WANT_ALL), ElementsAre("", ""));
  // An empty input has no pieces at all.
  EXPECT_THAT(SplitString("", ",", KEEP_WHITESPACE, SPLIT_WANT_ALL), IsEmpty());
  EXPECT_THAT(SplitString("abc", "", KEEP_WHITESPACE, SPLIT_WANT_ALL), ElementsAre("abc"));
}

TEST(StringSplitTest, SeparatorsAreACharacterSet) {
  EXPECT_THAT(SplitString("a;b,c", ",;", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("a", "b", "c"));
  EXPECT_THAT(SplitStringPiece("1.2.3.4", ".", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("1", "2", "3", "4"));
}

TEST(StringSplitTest, TrimWhitespaceBeforeDroppingEmpties) {
  EXPECT_THAT(SplitString(" a , \t, b\n", ",", TRIM_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitString(" a , \t, b\n", ",", TRIM_WHITESPACE, SPLIT_WANT_NONEMPTY),
              ElementsAre("a", "b"));
  EXPECT_THAT(SplitString(" a , \t, b\n", ",", KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY),
              ElementsAre(" a ", " \t", " b\n"));
}

TEST(StringSplitTest, WideTrimsUnicodeSpace) {
  EXPECT_THAT(SplitString(L"\u00A0x\u3000;y", L";", TRIM_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre(L"x", L"y"));
  EXPECT_THAT(SplitStringPiece(L"C:\\a\\\\b", L"\\", KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY),
              ElementsAre(L"C:", L"a", L"b"));
}

TEST(StringSplitTest, PiecesViewTheInput) {
  const std::string input = "key=value";
  const std::vector<std::string_view> pieces =
      SplitStringPiece(input, "=", KEEP_WHITESPACE, SPLIT_WANT_ALL);
  ASSERT_EQ(2u, pieces.size());
  EXPECT_EQ(input.data() + 4, pieces[1].data());
}

TEST(StringSplitTest, UsingSubstr) {
  EXPECT_THAT(SplitStringUsingSubstr("a\r\nb\r\n\r\nc", "\r\n", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("a", "b", "", "c"));
  EXPECT_THAT(
      SplitStringUsingSubstr("a\r\nb\r\n\r\nc", "\r\n", KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY),
      ElementsAre("a", "b", "c"));
  // Unlike SplitString, an empty input is one empty piece.
  EXPECT_THAT(SplitStringUsingSubstr("", "::", KEEP_WHITESPACE, SPLIT_WANT_ALL), ElementsAre(""));
  EXPECT_THAT(SplitStringUsingSubstr("a::b", "", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("a::b"));
  EXPECT_THAT(SplitStringUsingSubstr("::a::", "::", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("", "a", ""));
  // Overlapping delimiters: the scan moves past each match.
  EXPECT_THAT(SplitStringUsingSubstr("aaa", "aa", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("", "a"));
  EXPECT_THAT(SplitStringUsingSubstr(L" x -- y ", L"--", TRIM_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre(L"x", L"y"));
  EXPECT_THAT(SplitStringPieceUsingSubstr("1<>2", "<>", KEEP_WHITESPACE, SPLIT_WANT_ALL),
              ElementsAre("1", "2"));
}

}  // namespace
}  // namespace base
