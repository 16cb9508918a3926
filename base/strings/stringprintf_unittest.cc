// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/stringprintf.h"

#include <errno.h>
#include <windows.h>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(StringPrintfTest, FormatsNarrowAndWide) {
  EXPECT_EQ("", StringPrintf("%s", ""));
  EXPECT_EQ("5 0x1F -3 2.50 x", StringPrintf("%d 0x%X %lld %.2f %c", 5, 31, -3LL, 2.5, 'x'));
  EXPECT_EQ(L"C:\\\u00DC 7 abc", StringPrintf(L"%ls %d %hs", L"C:\\\u00DC", 7, "abc"));
  EXPECT_EQ("100%", StringPrintf("%d%%", 100));
}

TEST(StringPrintfTest, LargeOutputsAreComplete) {
  // Around the first buffer's size and far past it, both widths.
  for (size_t size : {1022u, 1023u, 1024u, 1025u, 5000u, 1024u * 1024u}) {
    const std::string text(size, 'x');
    const std::string narrow = StringPrintf("<%s>", text.c_str());
    ASSERT_EQ(size + 2, narrow.size());
    EXPECT_EQ('>', narrow.back());
    const std::wstring wide_text(size, L'\u00E9');
    const std::wstring wide = StringPrintf(L"<%ls>", wide_text.c_str());
    ASSERT_EQ(size + 2, wide.size());
    EXPECT_EQ(L'>', wide.back());
    EXPECT_EQ(wide_text, wide.substr(1, size));
  }
}

TEST(StringPrintfTest, AppendKeepsExistingText) {
  std::string narrow = "log: ";
  StringAppendF(&narrow, "%d files", 3);
  StringAppendF(&narrow, "%s", "");
  EXPECT_EQ("log: 3 files", narrow);
  std::wstring wide = L"x=";
  StringAppendF(&wide, L"%u", 42u);
  EXPECT_EQ(L"x=42", wide);
}

TEST(StringPrintfTest, FailedFormatGivesEmptyAndKeepsErrors) {
  // A wide argument the narrow runtime cannot convert (no ANSI code page
  // holds this character) makes the format fail.
  ::SetLastError(1234);
  errno = 33;
  EXPECT_EQ("", StringPrintf("%ls", L"\U0001F600\u4E2D"));
  std::string appended = "kept";
  StringAppendF(&appended, "%ls", L"\U0001F600\u4E2D");
  EXPECT_EQ("kept", appended);
  EXPECT_EQ(1234u, ::GetLastError());
  EXPECT_EQ(33, errno);
}

std::string CallStringPrintV(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string result = StringPrintV(format, ap);
  va_end(ap);
  return result;
}

TEST(StringPrintfTest, PrintVUsesTheArgumentsOnceEach) {
  // The list is copied for each attempt, so a retry with a larger buffer sees
  // the same arguments.
  const std::string big(3000, 'b');
  EXPECT_EQ("1" + big + "2", CallStringPrintV("%d%s%d", 1, big.c_str(), 2));
}

}  // namespace
}  // namespace base
