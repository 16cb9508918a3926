// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/registry.h"

#include <stdint.h>

#include <set>
#include <string>
#include <vector>

#include "base/test/registry_sandbox.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base::win {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;
// The view a process lands in without a view flag.
constexpr REGSAM kNativeView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

class RegKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    ASSERT_EQ(ERROR_SUCCESS, key_.Open(sandbox_.root(), sandbox_.path().c_str(), kReadWrite));
  }

  bool KeyExists(const std::wstring& relative, REGSAM view = 0) {
    RegKey key;
    return key.Open(sandbox_.root(), sandbox_.Path(relative).c_str(), KEY_READ | view) ==
           ERROR_SUCCESS;
  }

  velta::test::RegistrySandbox sandbox_;
  RegKey key_;
};

TEST_F(RegKeyTest, ValuesOfEachTypeRoundTrip) {
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"dword", 0xFFFFFFFEu));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"string", L"Velta \u00e5\u65e5"));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"", L"the default value"));
  const int64_t qword = -1234567890123LL;
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"qword", &qword, sizeof(qword), REG_QWORD));
  const BYTE binary[] = {0, 1, 2, 0xFF, 0};
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"binary", binary, sizeof(binary), REG_BINARY));

  DWORD dword = 0;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValueDW(L"dword", &dword));
  EXPECT_EQ(0xFFFFFFFEu, dword);
  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"string", &text));
  EXPECT_EQ(L"Velta \u00e5\u65e5", text);
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(nullptr, &text));
  EXPECT_EQ(L"the default value", text);
  int64_t read_qword = 0;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadInt64(L"qword", &read_qword));
  EXPECT_EQ(qword, read_qword);

  BYTE read_binary[16] = {};
  DWORD size = sizeof(read_binary);
  DWORD type = REG_NONE;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"binary", read_binary, &size, &type));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  ASSERT_EQ(sizeof(binary), size);
  EXPECT_EQ(0, memcmp(binary, read_binary, sizeof(binary)));
  // Too small a buffer reports the size needed.
  size = 2;
  EXPECT_EQ(ERROR_MORE_DATA, key_.ReadValue(L"binary", read_binary, &size, &type));
  EXPECT_EQ(sizeof(binary), size);
}

TEST_F(RegKeyTest, ExpandableStringIsReadAsStored) {
  const wchar_t kStored[] = L"%SystemRoot%\\velta";
  ASSERT_EQ(ERROR_SUCCESS,
            key_.WriteValue(L"expand", kStored, sizeof(kStored), REG_EXPAND_SZ));
  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"expand", &text));
  EXPECT_EQ(kStored, text);
}

TEST_F(RegKeyTest, StringsOfAnyLengthAndWithoutTerminatorAreRead) {
  const std::wstring long_text(40000, L'x');
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"long", long_text.c_str()));
  // Written by another program without the terminating NUL, with an odd byte.
  const wchar_t kUnterminated[] = {L'a', L'b', L'c'};
  ASSERT_EQ(ERROR_SUCCESS,
            key_.WriteValue(L"unterminated", kUnterminated, sizeof(kUnterminated), REG_SZ));
  const char kOdd[] = {'h', 0, 'i', 0, '!'};
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"odd", kOdd, sizeof(kOdd), REG_SZ));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"empty", nullptr, 0, REG_SZ));

  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"long", &text));
  EXPECT_EQ(long_text, text);
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"unterminated", &text));
  EXPECT_EQ(L"abc", text);
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"odd", &text));
  EXPECT_EQ(L"hi", text);
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"empty", &text));
  EXPECT_EQ(L"", text);
}

TEST_F(RegKeyTest, MultiStringListsEndAtTheFirstEmptyString) {
  const wchar_t kList[] = L"one\0two words\0\0";
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"list", kList, sizeof(kList), REG_MULTI_SZ));
  const wchar_t kEmpty[] = L"\0";
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"empty", kEmpty, sizeof(kEmpty), REG_MULTI_SZ));
  const wchar_t kUnterminated[] = {L'a', 0, L'b'};
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"unterminated", kUnterminated,
                                           sizeof(kUnterminated), REG_MULTI_SZ));

  std::vector<std::wstring> values = {L"stale"};
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValues(L"list", &values));
  EXPECT_THAT(values, ElementsAre(L"one", L"two words"));
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValues(L"empty", &values));
  EXPECT_THAT(values, IsEmpty());
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValues(L"unterminated", &values));
  EXPECT_THAT(values, ElementsAre(L"a", L"b"));
}

TEST_F(RegKeyTest, WrongTypeOrSizeIsCantReadAndLeavesOutputsAlone) {
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"string", L"text"));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"dword", 7u));
  const BYTE two_bytes[] = {1, 2};
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"short", two_bytes, sizeof(two_bytes), REG_DWORD));
  const BYTE eight_bytes[8] = {};
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"long", eight_bytes, sizeof(eight_bytes), REG_DWORD));

  DWORD dword = 42;
  EXPECT_EQ(ERROR_CANTREAD, key_.ReadValueDW(L"string", &dword));
  EXPECT_EQ(ERROR_CANTREAD, key_.ReadValueDW(L"short", &dword));
  EXPECT_EQ(ERROR_CANTREAD, key_.ReadValueDW(L"long", &dword));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadValueDW(L"missing", &dword));
  EXPECT_EQ(42u, dword);
  int64_t qword = 42;
  EXPECT_EQ(ERROR_CANTREAD, key_.ReadInt64(L"dword", &qword));
  EXPECT_EQ(42, qword);
  std::wstring text = L"kept";
  EXPECT_EQ(ERROR_CANTREAD, key_.ReadValue(L"dword", &text));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadValue(L"missing", &text));
  EXPECT_EQ(L"kept", text);
  std::vector<std::wstring> values = {L"kept"};
  EXPECT_EQ(ERROR_CANTREAD, key_.ReadValues(L"string", &values));
  EXPECT_THAT(values, ElementsAre(L"kept"));
}

TEST_F(RegKeyTest, ValueNamesCountsAndDeletion) {
  EXPECT_EQ(0u, key_.GetValueCount());
  EXPECT_FALSE(key_.HasValue(L"a"));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"a", 1u));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"b", L"2"));
  EXPECT_TRUE(key_.HasValue(L"a"));
  EXPECT_EQ(2u, key_.GetValueCount());
  std::vector<std::wstring> names;
  std::wstring name;
  for (DWORD i = 0; key_.GetValueNameAt(i, &name) == ERROR_SUCCESS; ++i)
    names.push_back(name);
  EXPECT_THAT(names, UnorderedElementsAre(L"a", L"b"));
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, key_.GetValueNameAt(2, &name));

  EXPECT_EQ(ERROR_SUCCESS, key_.DeleteValue(L"a"));
  EXPECT_FALSE(key_.HasValue(L"a"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.DeleteValue(L"a"));
  EXPECT_EQ(1u, key_.GetValueCount());
}

TEST_F(RegKeyTest, CreateReportsDispositionAndSubkeyCallsMoveTheKey) {
  RegKey key;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, key.CreateWithDisposition(sandbox_.root(),
                                                     sandbox_.Path(L"a\\b").c_str(),
                                                     &disposition, kReadWrite));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  ASSERT_EQ(ERROR_SUCCESS, key.CreateWithDisposition(sandbox_.root(),
                                                     sandbox_.Path(L"a\\b").c_str(),
                                                     &disposition, kReadWrite));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);

  ASSERT_EQ(ERROR_SUCCESS, key.CreateKey(L"c", kReadWrite));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"where", L"c"));
  EXPECT_TRUE(KeyExists(L"a\\b\\c"));
  std::wstring where;
  RegKey c(sandbox_.root(), sandbox_.Path(L"a\\b\\c").c_str(), KEY_READ);
  ASSERT_TRUE(c.Valid());
  EXPECT_EQ(ERROR_SUCCESS, c.ReadValue(L"where", &where));
  EXPECT_EQ(L"c", where);

  // A failed OpenKey keeps the key it had.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.OpenKey(L"missing", KEY_READ));
  EXPECT_TRUE(key.Valid());
  EXPECT_TRUE(key.HasValue(L"where"));

  RegKey absent;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            absent.Open(sandbox_.root(), sandbox_.Path(L"missing").c_str(), KEY_READ));
  EXPECT_FALSE(absent.Valid());
  EXPECT_EQ(ERROR_INVALID_HANDLE, absent.WriteValue(L"x", 1u));
  EXPECT_EQ(ERROR_INVALID_HANDLE, absent.DeleteKey(L"x"));
}

TEST_F(RegKeyTest, DeleteKeyRemovesAWholeTreeAndNothingElse) {
  for (const wchar_t* path : {L"tree\\a\\b\\c", L"tree\\d", L"sibling"}) {
    RegKey key(sandbox_.root(), sandbox_.Path(path).c_str(), kReadWrite);
    ASSERT_TRUE(key.Valid());
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"v", L"x"));
  }
  EXPECT_EQ(ERROR_SUCCESS, key_.DeleteKey(L"tree"));
  EXPECT_FALSE(KeyExists(L"tree"));
  EXPECT_TRUE(KeyExists(L"sibling"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.DeleteKey(L"tree"));
  // An empty name would otherwise empty the key itself.
  EXPECT_EQ(ERROR_INVALID_PARAMETER, key_.DeleteKey(L""));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, key_.DeleteKey(nullptr));
  EXPECT_TRUE(KeyExists(L"sibling"));
}

TEST_F(RegKeyTest, DeleteEmptyKeyRefusesKeysWithContent) {
  RegKey with_value(sandbox_.root(), sandbox_.Path(L"with_value").c_str(), kReadWrite);
  ASSERT_EQ(ERROR_SUCCESS, with_value.WriteValue(L"v", 1u));
  RegKey with_subkey(sandbox_.root(), sandbox_.Path(L"with_subkey\\child").c_str(), kReadWrite);
  RegKey empty(sandbox_.root(), sandbox_.Path(L"empty").c_str(), kReadWrite);
  ASSERT_TRUE(with_subkey.Valid() && empty.Valid());
  with_value.Close();
  with_subkey.Close();
  empty.Close();

  EXPECT_EQ(ERROR_DIR_NOT_EMPTY, key_.DeleteEmptyKey(L"with_value"));
  EXPECT_EQ(ERROR_DIR_NOT_EMPTY, key_.DeleteEmptyKey(L"with_subkey"));
  EXPECT_EQ(ERROR_SUCCESS, key_.DeleteEmptyKey(L"empty"));
  EXPECT_TRUE(KeyExists(L"with_value"));
  EXPECT_TRUE(KeyExists(L"with_subkey\\child"));
  EXPECT_FALSE(KeyExists(L"empty"));
}

TEST_F(RegKeyTest, IteratorsWalkEveryEntryAndAllowDeletingTheCurrentOne) {
  for (const wchar_t* name : {L"k1", L"k2", L"k3"})
    ASSERT_TRUE(RegKey(sandbox_.root(), sandbox_.Path(name).c_str(), kReadWrite).Valid());
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"dword", 5u));
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"text", L"hello"));
  const wchar_t kUnterminated[] = {L'n', L'o'};
  ASSERT_EQ(ERROR_SUCCESS,
            key_.WriteValue(L"unterminated", kUnterminated, sizeof(kUnterminated), REG_SZ));

  std::set<std::wstring> seen;
  for (RegistryValueIterator it(sandbox_.root(), sandbox_.path().c_str()); it.Valid(); ++it) {
    seen.insert(it.Name());
    if (std::wstring(it.Name()) == L"text") {
      EXPECT_EQ(static_cast<DWORD>(REG_SZ), it.Type());
      EXPECT_STREQ(L"hello", it.Value());
      EXPECT_EQ(sizeof(L"hello"), it.ValueSize());
    } else if (std::wstring(it.Name()) == L"unterminated") {
      EXPECT_STREQ(L"no", it.Value());
    } else {
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), it.Type());
      EXPECT_EQ(5u, *reinterpret_cast<const DWORD*>(it.Value()));
    }
    EXPECT_EQ(ERROR_SUCCESS, key_.DeleteValue(it.Name()));
  }
  EXPECT_THAT(seen, UnorderedElementsAre(L"dword", L"text", L"unterminated"));
  EXPECT_EQ(0u, key_.GetValueCount());

  std::set<std::wstring> keys;
  RegistryKeyIterator it(sandbox_.root(), sandbox_.path().c_str());
  EXPECT_EQ(3u, it.SubkeyCount());
  for (; it.Valid(); ++it) {
    keys.insert(it.Name());
    EXPECT_EQ(ERROR_SUCCESS, key_.DeleteKey(it.Name()));
  }
  EXPECT_THAT(keys, UnorderedElementsAre(L"k1", L"k2", L"k3"));
  EXPECT_FALSE(KeyExists(L"k1"));

  EXPECT_FALSE(RegistryKeyIterator(sandbox_.root(), sandbox_.Path(L"missing").c_str()).Valid());
  EXPECT_FALSE(
      RegistryValueIterator(sandbox_.root(), sandbox_.Path(L"missing").c_str()).Valid());
}

// Under HKLM\Software the two views are different keys: the 32-bit one lives
// under WOW6432Node. Run from the x64 and the x86 binary.
class RegKeyViewTest : public ::testing::TestWithParam<REGSAM> {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox_.is_valid()); }

  REGSAM view() const { return GetParam(); }
  REGSAM other_view() const {
    return view() == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  }
  // The key's path as the 64-bit view spells it.
  std::wstring PhysicalPath(REGSAM view, const std::wstring& relative) const {
    std::wstring path = sandbox_.Path(relative);
    if (view == KEY_WOW64_32KEY)
      path.insert(std::wstring(L"Software\\").size(), L"WOW6432Node\\");
    return path;
  }
  std::wstring ReadMarker(REGSAM view, const std::wstring& relative) {
    RegKey key;
    std::wstring marker;
    if (key.Open(HKEY_LOCAL_MACHINE, sandbox_.Path(relative).c_str(), KEY_READ | view) ==
        ERROR_SUCCESS) {
      key.ReadValue(L"marker", &marker);
    }
    return marker;
  }
  void WriteMarker(REGSAM view, const std::wstring& relative, const wchar_t* marker) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, sandbox_.Path(relative).c_str(),
                                        kReadWrite | view));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"marker", marker));
  }

  velta::test::RegistrySandbox sandbox_{HKEY_LOCAL_MACHINE};
};

TEST_P(RegKeyViewTest, WritesLandInTheRequestedView) {
  WriteMarker(view(), L"app", L"mine");
  EXPECT_EQ(L"mine", ReadMarker(view(), L"app"));
  EXPECT_EQ(L"", ReadMarker(other_view(), L"app"));
  RegKey physical;
  ASSERT_EQ(ERROR_SUCCESS, physical.Open(HKEY_LOCAL_MACHINE,
                                         PhysicalPath(view(), L"app").c_str(),
                                         KEY_READ | KEY_WOW64_64KEY));
  std::wstring marker;
  EXPECT_EQ(ERROR_SUCCESS, physical.ReadValue(L"marker", &marker));
  EXPECT_EQ(L"mine", marker);
  // Without a flag the process lands in its own view.
  EXPECT_EQ(view() == kNativeView ? L"mine" : L"", ReadMarker(0, L"app"));
}

TEST_P(RegKeyViewTest, SubkeysFollowTheViewOfTheirParent) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(HKEY_LOCAL_MACHINE, sandbox_.path().c_str(), kReadWrite | view()));
  EXPECT_EQ(view(), key.wow64access());
  ASSERT_EQ(ERROR_SUCCESS, key.CreateKey(L"child", kReadWrite));
  EXPECT_EQ(view(), key.wow64access());
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"marker", L"child"));
  EXPECT_EQ(L"child", ReadMarker(view(), L"child"));
  EXPECT_EQ(L"", ReadMarker(other_view(), L"child"));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, key.OpenKey(L"x", KEY_READ | other_view()));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            key.Open(HKEY_LOCAL_MACHINE, sandbox_.path().c_str(),
                     KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY));
}

TEST_P(RegKeyViewTest, DeleteKeyRemovesOnlyItsOwnViewsTree) {
  WriteMarker(KEY_WOW64_32KEY, L"app\\sub", L"32");
  WriteMarker(KEY_WOW64_64KEY, L"app\\sub", L"64");
  RegKey parent;
  ASSERT_EQ(ERROR_SUCCESS,
            parent.Open(HKEY_LOCAL_MACHINE, sandbox_.path().c_str(), kReadWrite | view()));
  EXPECT_EQ(ERROR_SUCCESS, parent.DeleteKey(L"app"));
  EXPECT_EQ(L"", ReadMarker(view(), L"app\\sub"));
  EXPECT_EQ(view() == KEY_WOW64_32KEY ? L"64" : L"32", ReadMarker(other_view(), L"app\\sub"));
}

// Below a handle that is already inside WOW6432Node every path is physical;
// the view flag decides only where a path from the root leads.
TEST_P(RegKeyViewTest, DeleteKeyFromTheRootUsesTheView) {
  WriteMarker(KEY_WOW64_32KEY, L"app\\sub", L"32");
  WriteMarker(KEY_WOW64_64KEY, L"app\\sub", L"64");
  RegKey root;
  ASSERT_EQ(ERROR_SUCCESS, root.Open(HKEY_LOCAL_MACHINE, L"", kReadWrite | view()));
  EXPECT_EQ(ERROR_SUCCESS, root.DeleteKey(sandbox_.Path(L"app").c_str()));
  EXPECT_EQ(L"", ReadMarker(view(), L"app\\sub"));
  EXPECT_EQ(view() == KEY_WOW64_32KEY ? L"64" : L"32", ReadMarker(other_view(), L"app\\sub"));
}

TEST_P(RegKeyViewTest, IteratorsListTheRequestedView) {
  WriteMarker(view(), L"list\\mine", L"x");
  WriteMarker(other_view(), L"list\\theirs", L"x");
  std::vector<std::wstring> names;
  for (RegistryKeyIterator it(HKEY_LOCAL_MACHINE, sandbox_.Path(L"list").c_str(), view());
       it.Valid(); ++it) {
    names.push_back(it.Name());
  }
  EXPECT_THAT(names, ElementsAre(L"mine"));
  names.clear();
  for (RegistryValueIterator it(HKEY_LOCAL_MACHINE, sandbox_.Path(L"list\\mine").c_str(),
                                view());
       it.Valid(); ++it) {
    names.push_back(it.Name());
  }
  EXPECT_THAT(names, ElementsAre(L"marker"));
}

INSTANTIATE_TEST_SUITE_P(Views, RegKeyViewTest,
                         ::testing::Values(KEY_WOW64_32KEY, KEY_WOW64_64KEY),
                         [](const ::testing::TestParamInfo<REGSAM>& info) {
                           return info.param == KEY_WOW64_32KEY ? std::string("View32")
                                                                : std::string("View64");
                         });

}  // namespace
}  // namespace base::win
