// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_key_table.h"

#include <string>
#include <utility>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/client_info_items.h"
#include "crash_reporter/crash_keys.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAreArray;

using NameValue = std::pair<std::string, std::string>;

// The used entries of the table as UTF-8 pairs, in array order.
std::vector<NameValue> UsedEntries(const CrashKeyTable& table) {
  std::vector<NameValue> result;
  for (size_t i = 0; i < table.used_count(); ++i) {
    const CrashKeyEntry& entry = table.entries()[i];
    result.emplace_back(base::UTF16ToUTF8(entry.name), base::UTF16ToUTF8(entry.value));
  }
  return result;
}

struct SetCase {
  const char* label;
  const char* name;
  size_t value_size;
  std::string value;
  std::vector<NameValue> expected;
};

class CrashKeyTableSetTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(CrashKeyTableSetTest, StoresEntries) {
  const SetCase& c = GetParam();
  CrashKeyTable table;
  table.Set(table.Allocate(c.name, c.value_size), c.value);
  EXPECT_THAT(UsedEntries(table), ElementsAreArray(c.expected));
}

const std::string k70 = std::string(63, 'a') + std::string(7, 'b');
// 62 ASCII bytes and a two-byte character across the 63-byte limit.
const std::string kLongName(70, 'n');
const std::string kCutInsideCharacter = std::string(62, 'x') + "\xC3\xA9";

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashKeyTableSetTest,
    ::testing::Values(
        SetCase{"SmallKeyKeeps63Bytes", "ver", 32, std::string(70, 'v'),
                {{"ver", std::string(63, 'v')}}},
        SetCase{"Size256MakesFiveChunks", "Email", 256, k70,
                {{"Email-1", std::string(63, 'a')},
                 {"Email-2", "bbbbbbb"},
                 {"Email-3", ""},
                 {"Email-4", ""},
                 {"Email-5", ""}}},
        SetCase{"CutsBeforeASplitCharacter", "ver", 32, kCutInsideCharacter,
                {{"ver", std::string(62, 'x')}}},
        SetCase{"LongNameLeavesRoomForChunkSuffix", kLongName.c_str(), 70,
                "v",
                {{std::string(61, 'n') + "-1", "v"}, {std::string(61, 'n') + "-2", ""}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CrashKeyTableTest, The257thNameIsDroppedButKnownNamesStillChange) {
  CrashKeyTable table;
  std::vector<std::string> names;
  for (int i = 0; i < 257; ++i)
    names.push_back("key" + std::to_string(i));
  for (const std::string& name : names)
    table.Set(table.Allocate(name.c_str(), 32), "v");
  EXPECT_EQ(256u, table.used_count());
  EXPECT_EQ(u"key255", std::u16string(table.entries()[255].name));
  table.Set(table.Allocate(names[3].c_str(), 32), "changed");
  EXPECT_EQ(u"changed", std::u16string(table.entries()[3].value));
}

TEST(CrashKeyTableTest, ClearKeepsNameAndSlot) {
  CrashKeyTable table;
  CrashKey* email = table.Allocate("Email", 256);
  CrashKey* ver = table.Allocate("ver", 32);
  table.Set(email, k70);
  table.Set(ver, "1.2");
  table.Clear(email);
  table.Clear(ver);
  EXPECT_THAT(UsedEntries(table),
              ElementsAreArray(std::vector<NameValue>{{"Email-1", ""},
                                                      {"Email-2", ""},
                                                      {"Email-3", ""},
                                                      {"Email-4", ""},
                                                      {"Email-5", ""},
                                                      {"ver", ""}}));
}

// What the reporter rebuilds from the table equals what the client set, also
// for characters of several bytes that cross a chunk boundary.
TEST(CrashKeyTableTest, ReporterRebuildsChunkedMultibyteValues) {
  CrashKeyTable table;
  std::string value;
  for (int i = 0; i < 100; ++i)
    value += "\xC3\xA9";  // 200 bytes
  table.Set(table.Allocate("harness_test", 256), value);
  table.Set(table.Allocate("ptype", 32), "installer");
  ClientInfoItems items(table.entries(), CrashKeyTable::kEntryCount);
  EXPECT_EQ(base::UTF8ToWide(value), items.Get("harness_test"));
  EXPECT_EQ(L"installer", items.Get("ptype"));
}

TEST(CrashKeysTest, BuildIdFollowsTheRule) {
  EXPECT_EQ("20261014903115", MakeBuildId("20261014_101530", 903115));
  EXPECT_EQ("20261000000042", MakeBuildId("20261", 42));
  EXPECT_EQ("20261014234567", MakeBuildId("20261014_1", 1234567));
}

TEST(CrashKeysTest, SymbolsPackageByExecutableName) {
  EXPECT_EQ("tests-symbols", GetSymbolsPackageName(base::FilePath(L"C:\\b\\x_ui_tests.exe")));
  EXPECT_EQ("tests-symbols", GetSymbolsPackageName(base::FilePath(L"C:\\b\\x_browsertests.exe")));
  EXPECT_EQ("browser-symbols", GetSymbolsPackageName(base::FilePath(L"C:\\b\\x_UI_TESTS.exe")));
  EXPECT_EQ("browser-symbols", GetSymbolsPackageName(base::FilePath(L"C:\\b\\installer.exe")));
}

TEST(CrashKeysTest, PlatformFollowsThePointerSize) {
  EXPECT_EQ(sizeof(void*) == 8 ? "Win64" : "Win32", GetPlatformName());
}

}  // namespace
}  // namespace velta
