// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_registry_key.h"

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "base/test/registry_sandbox.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using Names = std::set<std::wstring>;

// Under HKEY_LOCAL_MACHINE\Software the two registry views are separate keys.
class WinApiRegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    // The sandbox exists in the process's default view only (the 32-bit one
    // for a 32-bit process); make it in both.
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      base::win::RegKey key;
      ASSERT_EQ(ERROR_SUCCESS,
                key.Create(sandbox_.root(), sandbox_.path().c_str(), KEY_ALL_ACCESS | view));
    }
  }

  // Creates sandbox\`name` in `view` with the value "Name" = `name`.
  void CreateSubKey(const std::wstring& name, REGSAM view) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              key.Create(sandbox_.root(), sandbox_.Path(name).c_str(), KEY_ALL_ACCESS | view));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"Name", name.c_str()));
  }

  // The names of the sub-keys the iterator hands out, each checked to be
  // open in the same view (its value names itself).
  Names SubKeysIn(REGSAM view) {
    std::unique_ptr<WinApiRegistryKey> key =
        WinApi::GetInstance()->OpenRegKey(sandbox_.root(), sandbox_.path(), KEY_READ | view);
    EXPECT_TRUE(key->IsValid());
    std::unique_ptr<WinApiRegistryKeyIterator> iterator = key->CreateSubKeyIterator();
    Names names;
    while (std::unique_ptr<WinApiRegistryKey> sub_key = iterator->TakeSubKey()) {
      EXPECT_TRUE(sub_key->IsValid());
      EXPECT_EQ(sandbox_.root(), sub_key->root());
      EXPECT_EQ(KEY_READ | view, sub_key->access());
      std::wstring value;
      EXPECT_TRUE(sub_key->ReadValue(L"Name", &value));
      EXPECT_EQ(sub_key->GetName(), value);
      names.insert(sub_key->GetName());
    }
    EXPECT_FALSE(iterator->TakeSubKey());
    return names;
  }

  test::RegistrySandbox sandbox_{HKEY_LOCAL_MACHINE};
};

TEST_F(WinApiRegistryKeyTest, IteratesTheSubKeysOfEachViewSeparately) {
  CreateSubKey(L"first64", KEY_WOW64_64KEY);
  CreateSubKey(L"second64", KEY_WOW64_64KEY);
  CreateSubKey(L"only32", KEY_WOW64_32KEY);

  EXPECT_EQ((Names{L"first64", L"second64"}), SubKeysIn(KEY_WOW64_64KEY));
  EXPECT_EQ((Names{L"only32"}), SubKeysIn(KEY_WOW64_32KEY));
}

TEST_F(WinApiRegistryKeyTest, KeyWithoutSubKeysGivesNone) {
  EXPECT_EQ(Names(), SubKeysIn(KEY_WOW64_64KEY));
}

TEST_F(WinApiRegistryKeyTest, ReadsStringValuesAndTellsWhichExist) {
  CreateSubKey(L"key", KEY_WOW64_64KEY);
  auto key = WinApi::GetInstance()->OpenRegKey(sandbox_.root(), sandbox_.Path(L"key"),
                                               KEY_READ | KEY_WOW64_64KEY);
  ASSERT_TRUE(key->IsValid());
  EXPECT_TRUE(key->HasValue(L"Name"));
  EXPECT_FALSE(key->HasValue(L"Missing"));
  std::wstring value = L"untouched";
  EXPECT_FALSE(key->ReadValue(L"Missing", &value));
  EXPECT_EQ(L"untouched", value);
  EXPECT_TRUE(key->ReadValue(L"Name", &value));
  EXPECT_EQ(L"key", value);
}

TEST_F(WinApiRegistryKeyTest, MissingKeyIsNotCreatedAndHasNoSubKeys) {
  auto key = WinApi::GetInstance()->OpenRegKey(sandbox_.root(), sandbox_.Path(L"missing"),
                                               KEY_ALL_ACCESS);
  EXPECT_FALSE(key->IsValid());
  EXPECT_FALSE(key->CreateSubKeyIterator()->TakeSubKey());
  base::win::RegKey check;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            check.Open(sandbox_.root(), sandbox_.Path(L"missing").c_str(), KEY_READ));
}

TEST(WinApiRegistryKeyNameTest, NameIsTheLastComponentOrTheWholePath) {
  EXPECT_EQ(L"Velta", WinApiRegistryKey(HKEY_CURRENT_USER, L"Velta", KEY_READ).GetName());
  EXPECT_EQ(L"Uninstall",
            WinApiRegistryKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Uninstall", KEY_READ)
                .GetName());
  EXPECT_EQ(L"", WinApiRegistryKey(HKEY_CURRENT_USER, L"Software\\", KEY_READ).GetName());
}

}  // namespace
}  // namespace velta
