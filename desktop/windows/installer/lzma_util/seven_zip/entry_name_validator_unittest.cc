// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/entry_name_validator.h"

#include <string>

#include "gtest/gtest.h"

namespace velta::seven_zip {
namespace {

class SafeEntryNameTest : public testing::TestWithParam<std::u16string> {};

TEST_P(SafeEntryNameTest, IsAccepted) {
  std::string reason;
  EXPECT_TRUE(EntryNameValidator::IsSafe(GetParam(), &reason)) << reason;
}

INSTANTIATE_TEST_SUITE_P(Names, SafeEntryNameTest,
                         testing::Values(u"a", u"file.txt", u"dir/file.txt", u"dir\\sub\\file",
                                         u".hidden", u"a..b", u"..a", u"name with spaces.txt",
                                         u"gr\u00fc\u00dfe/\u65e5\u672c.txt",
                                         u"emoji_\U0001F600.txt", u"console.log", u"com10",
                                         u"lpt", u"nul_file", u"a/b/c/d/e/f/g"));

class UnsafeEntryNameTest : public testing::TestWithParam<std::u16string> {};

TEST_P(UnsafeEntryNameTest, IsRefusedWithAReason) {
  std::string reason;
  EXPECT_FALSE(EntryNameValidator::IsSafe(GetParam(), &reason));
  EXPECT_FALSE(reason.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeEntryNameTest,
    testing::Values(u"", u"..", u".", u"../x", u"..\\..\\x", u"a/../../x", u"a\\..\\b", u"a/./b",
                    u"/etc/passwd", u"\\x", u"\\\\server\\share", u"C:\\x", u"C:x", u"c:/x",
                    u"file.txt:stream", u"a:b", u"a//b", u"a\\\\b", u"dir/", u"dir\\",
                    u"con", u"CON", u"NUL.txt", u"lpt1", u"Com9.log", u"aux/x", u"dir/prn",
                    u"x|y", u"x?y", u"x*y", u"x<y", u"x>y", u"x\"y", std::u16string(u"a\0b", 3),
                    u"tab\x01x", u"trailingdot.", u"trailingspace ", u".. /x", u"a/.. \\x",
                    u"dir./x"));

}  // namespace
}  // namespace velta::seven_zip
