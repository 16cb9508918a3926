// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/additional_file_name.h"

#include <string>
#include <string_view>

#include "gtest/gtest.h"

namespace velta {
namespace {

using namespace std::literals;

// The name under which Windows creates a file: cut at a NUL, each
// component without the dots and spaces that end it.
TEST(FileSystemNameTest, IsTheNameWindowsCreates) {
  const struct {
    std::wstring_view name;
    const wchar_t* kept;
  } cases[] = {
      {L"tool.bat", L"tool.bat"},
      {L"tool.bat.", L"tool.bat"},
      {L"tool.bat . .", L"tool.bat"},
      {L"tool.bat.\0"sv, L"tool.bat"},
      {L"tool.bat\0x.txt"sv, L"tool.bat"},
      {L"resources.pak\0"sv, L"resources.pak"},
      {L"packs. /a.pak", L"packs\\a.pak"},
      {L"packs\\sub\\ a.pak", L"packs\\sub\\ a.pak"},
      {L"\0tool.bat"sv, L""},
  };
  for (const auto& test_case : cases) {
    const std::wstring name(test_case.name);
    EXPECT_EQ(test_case.kept, FileSystemName(name)) << NameForLog(name);
  }
}

// The type is read from the name the file system keeps, and from the short
// name Windows may give it.
TEST(IsRunnableNameTest, JudgesTheKeptAndTheShortName) {
  const struct {
    std::wstring_view name;
    bool runnable;
  } cases[] = {
      {L"tool.bat.\0"sv, true},
      {L"tool.bat\0.txt"sv, true},
      {L"tool.BAT .", true},
      {L"setup.batx", true},
      {L"setup.cmdline", true},
      {L"setup.ex e", true},
      {L"partner.SearchConnector-MS", true},
      {L"user.js", true},
      {L"tools.exe\\readme", false},
      {L"tools.exe/readme.txt", false},
      {L"readme.txt\0.exe"sv, false},
      {L"setup.ba", false},
      {L"setup.jsx", false},
      {L"bookmarks.json", false},
      {L"exe", false},
  };
  for (const auto& test_case : cases) {
    const std::wstring name(test_case.name);
    EXPECT_EQ(test_case.runnable, IsRunnableName(name)) << NameForLog(name);
  }
}

TEST(NameForLogTest, ShowsControlCharacters) {
  EXPECT_EQ("tool.bat.\\u0000", NameForLog(L"tool.bat.\0"s));
  EXPECT_EQ("a\\u0009b\\u007f \xc3\xa4", NameForLog(L"a\tb\x7f \u00e4"));
}

}  // namespace
}  // namespace velta
