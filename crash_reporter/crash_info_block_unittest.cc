// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_info_block.h"

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "crash_reporter/crash_counter.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

class RestartCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeCrashpadInfo(false);
    dictionary_ = GetCrashpadInfo()->simple_annotations;
    ASSERT_NE(nullptr, dictionary_);
  }
  void TearDown() override {
    SetRestartCommandLine(nullptr);
    for (int i = 0; i < 64; ++i)
      dictionary_->RemoveKey("other" + std::to_string(i));
  }
  void FillOthers(int count) {
    for (int i = 0; i < count; ++i)
      dictionary_->SetKeyValue("other" + std::to_string(i), "x");
  }
  size_t RestartEntries() const {
    size_t found = 0;
    for (int i = 0; i < 64; ++i)
      found += dictionary_->GetValueForKey(RestartKey(i)) != nullptr;
    return found;
  }

  SimpleStringDictionary* dictionary_ = nullptr;
};

TEST_F(RestartCommandLineTest, StoresThenClears) {
  const std::vector<std::string> arguments = {"installer.exe", "--silent", "C:\\a b"};
  SetRestartCommandLine(&arguments);
  EXPECT_STREQ("installer.exe", dictionary_->GetValueForKey("restart_cmd_line_key_0"));
  EXPECT_STREQ("C:\\a b", dictionary_->GetValueForKey("restart_cmd_line_key_2"));
  EXPECT_EQ(3u, GetCrashpadInfo()->restart_argument_count);
  EXPECT_EQ(TriState::kEnabled, GetCrashpadInfo()->restart);

  SetRestartCommandLine(nullptr);
  EXPECT_EQ(0u, RestartEntries());
  EXPECT_EQ(0u, GetCrashpadInfo()->restart_argument_count);
  EXPECT_EQ(TriState::kDisabled, GetCrashpadInfo()->restart);
}

struct RefusalCase {
  const char* label;
  int other_entries;
  std::vector<std::string> arguments;
  bool stored;
};

class RestartRefusalTest : public RestartCommandLineTest,
                           public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RestartRefusalTest, StoresAllOrNothing) {
  FillOthers(GetParam().other_entries);
  SetRestartCommandLine(&GetParam().arguments);
  EXPECT_EQ(GetParam().stored ? GetParam().arguments.size() : 0u, RestartEntries());
  EXPECT_EQ(GetParam().stored ? TriState::kEnabled : TriState::kDisabled,
            GetCrashpadInfo()->restart);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartRefusalTest,
    ::testing::Values(RefusalCase{"ThreeBeside62Refused", 62, {"a", "b", "c"}, false},
                      RefusalCase{"TwoBeside62Stored", 62, {"a", "b"}, true},
                      RefusalCase{"Argument255Stored", 0, {"a", std::string(255, 'x')}, true},
                      RefusalCase{"Argument256Refused", 0, {"a", std::string(256, 'x')}, false}),
    [](const auto& info) { return std::string(info.param.label); });

struct ParseCase {
  const char* key;
  bool taken;
};

class ParseRestartAnnotationTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseRestartAnnotationTest, TakesOnlyStrictSmallIndexes) {
  std::vector<std::string> arguments;
  EXPECT_EQ(GetParam().taken, ParseRestartAnnotation(&arguments, GetParam().key, "v"));
  EXPECT_EQ(GetParam().taken ? 1u : 0u, std::count(arguments.begin(), arguments.end(), "v"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseRestartAnnotationTest,
    ::testing::Values(ParseCase{"restart_cmd_line_key_0", true},
                      ParseCase{"restart_cmd_line_key_63", true},
                      // The dictionary holds 64 entries: a larger index is corrupt.
                      ParseCase{"restart_cmd_line_key_64", false},
                      ParseCase{"restart_cmd_line_key_4294967295", false},
                      ParseCase{"restart_cmd_line_key_4294967296", false},
                      ParseCase{"restart_cmd_line_key_", false},
                      ParseCase{"restart_cmd_line_key_a", false},
                      ParseCase{"restart_cmd_line_key_+1", false},
                      ParseCase{"restart_cmd_line_key_ 1", false},
                      ParseCase{"crash_counter_name", false}));

TEST(BuildRestartCommandLineTest, MissingIndexGivesEmptyArgument) {
  std::vector<std::string> arguments;
  ASSERT_TRUE(ParseRestartAnnotation(&arguments, "restart_cmd_line_key_2", "b"));
  ASSERT_TRUE(ParseRestartAnnotation(&arguments, "restart_cmd_line_key_0", "C:\\p q\\i.exe"));
  EXPECT_THAT(arguments, ElementsAre("C:\\p q\\i.exe", "", "b"));
  EXPECT_EQ(L"\"C:\\p q\\i.exe\" \"\" b", BuildRestartCommandLine(arguments));
  EXPECT_EQ(L"", BuildRestartCommandLine({}));
}

TEST(CrashCounterNameTest, SetAndRemove) {
  InitializeCrashpadInfo(false);
  SetCrashCounterName("installer");
  EXPECT_STREQ("installer", GetCrashpadInfo()->simple_annotations->GetValueForKey(
                                GetCrashCounterNameKey()));
  SetCrashCounterName("");
  EXPECT_EQ(nullptr, GetCrashpadInfo()->simple_annotations->GetValueForKey(
                         GetCrashCounterNameKey()));
}

// A handler finds the block through the module's section table.
TEST(CrashpadInfoTest, BlockLiesInItsOwnSection) {
  auto* base = reinterpret_cast<const uint8_t*>(::GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  const IMAGE_SECTION_HEADER* found = nullptr;
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (memcmp(section->Name, "CPADinfo", 8) == 0)
      found = section;
  }
  ASSERT_NE(nullptr, found);
  EXPECT_GE(found->Misc.VirtualSize, sizeof(CrashpadInfo));
  const auto* block = reinterpret_cast<const CrashpadInfo*>(base + found->VirtualAddress);
  EXPECT_EQ(GetCrashpadInfo(), block);
  EXPECT_EQ(0x43506164u, block->signature);
  EXPECT_EQ(sizeof(void*) == 8 ? 64u : 48u, block->size);
  EXPECT_EQ(1u, block->version);
}

}  // namespace
}  // namespace velta
