// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/utf_string_conversions.h"

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(UTFStringConversionsTest, RoundTripsAllPlanes) {
  const std::wstring wide = L"a\u00e5\u65e5\U0001F600z";
  const std::string utf8 = WideToUTF8(wide);
  EXPECT_EQ("a\xc3\xa5\xe6\x97\xa5\xf0\x9f\x98\x80z", utf8);
  EXPECT_EQ(wide, UTF8ToWide(utf8));
  EXPECT_EQ(u"a\u00e5\u65e5\U0001F600z", UTF8ToUTF16(utf8));
  EXPECT_EQ(utf8, UTF16ToUTF8(u"a\u00e5\u65e5\U0001F600z"));
}

TEST(UTFStringConversionsTest, InvalidInputGivesReplacementAndFalse) {
  struct Case {
    std::string input;
    std::wstring expected;
  } cases[] = {
      {"\xff", L"\ufffd"},                 // not a lead byte
      {"a\xc3", L"a\ufffd"},               // truncated
      {"\xc0\xaf", L"\ufffd\ufffd"},       // overlong '/'
      {"\xed\xa0\x80", L"\ufffd\ufffd\ufffd"},  // encoded surrogate
      {"\xf4\x90\x80\x80", L"\ufffd\ufffd\ufffd\ufffd"},  // above U+10FFFF
  };
  for (const Case& c : cases) {
    std::wstring output;
    EXPECT_FALSE(UTF8ToWide(c.input.data(), c.input.size(), &output));
    EXPECT_EQ(c.expected, output);
    EXPECT_FALSE(IsStringUTF8(c.input));
  }
  std::string narrow;
  const wchar_t lone_surrogate[] = {L'x', 0xD800, L'y'};
  EXPECT_FALSE(WideToUTF8(lone_surrogate, 3, &narrow));
  EXPECT_EQ("x\xef\xbf\xbdy", narrow);
}

TEST(UTFStringConversionsTest, Ascii) {
  EXPECT_TRUE(IsStringASCII(std::string_view("plain")));
  EXPECT_FALSE(IsStringASCII(std::wstring_view(L"\u00e5")));
  EXPECT_EQ(L"abc", ASCIIToWide("abc"));
  EXPECT_EQ("abc", WideToASCII(L"abc"));
}

}  // namespace
}  // namespace base
