// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/registry_template_entry.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/process_wide.h"
#include "base/test/registry_sandbox.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"
#include "desktop/windows/installer/transactions/registry_templates.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using test::ReadRegistryValue;
using test::SnapshotRegistry;
using test::StringValue;

// A folder named after a GUID, below one that looks like a placeholder.
constexpr wchar_t kBracedFolder[] =
    L"C:\\Users\\u\\{InstallFolder}\\{6F9619FF-8B86-D011-B42D-00C04FC964FF}";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velta 1.2.3.4";

// Answers from a table; an unknown name gives an empty value.
class TemplateTestResolver : public PlaceholderResolver {
 public:
  explicit TemplateTestResolver(std::map<std::wstring, std::wstring> values)
      : values_(std::move(values)) {}
  std::wstring GetPlaceholderValue(const std::wstring& name) override {
    const auto it = values_.find(name);
    return it == values_.end() ? std::wstring() : it->second;
  }
  std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY) override { return nullptr; }

 private:
  std::map<std::wstring, std::wstring> values_;
};

TEST(ExpandPlaceholdersTest, ExpandsInOneForwardPass) {
  TemplateTestResolver resolver({{L"A", L"1"},
                                 {L"Product", L"Velta"},
                                 {L"Guid", L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
                                 {L"InstallFolder", L"C:\\{InstallFolder}\\x"}});
  const struct {
    const wchar_t* text;
    const wchar_t* expanded;
  } kCases[] = {
      {L"no placeholders", L"no placeholders"},
      {L"{Product} {A}\\{A}", L"Velta 1\\1"},
      {L"{A}{Product}{A}", L"1Velta1"},
      {L"x{Unknown}y{}z", L"xyz"},
      {L"a{A", L"a{A"},
      {L"{A}}{Product", L"1}{Product"},
      {L"{A{A}}", L"}"},
      {L"{Guid}\\{A}", L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}\\1"},
      {L"\"{InstallFolder}\\Launcher.exe\"", L"\"C:\\{InstallFolder}\\x\\Launcher.exe\""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expanded, ExpandPlaceholders(c.text, &resolver));
  }
}

class ProductInfoAsGranite : public ProductInfo {
 public:
  uint32_t GetStream() const override { return 4; }
};

// Equal types and bytes, or both missing.
void ExpectSameValue(const std::optional<RegistryValue>& expected,
                     const std::optional<RegistryValue>& found) {
  ASSERT_EQ(expected.has_value(), found.has_value());
  if (expected) {
    EXPECT_EQ(expected->type, found->type);
    EXPECT_EQ(expected->data, found->data);
  }
}

// Applies records under HKEY_CURRENT_USER, which points at a sandbox key.
class RegistryTemplateEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    ASSERT_TRUE(current_user_.is_valid());
    // As under every real root: the operations create keys below an
    // existing one.
    ASSERT_EQ(ERROR_SUCCESS,
              base::win::RegKey().Create(HKEY_CURRENT_USER, L"Software", KEY_WRITE));
  }

  bool Apply(const RegistryTemplate& record,
             HKEY root,
             std::optional<WrittenRegistryValue>* written = nullptr) {
    return RegistryTemplateEntry(record, &resolver_)
        .Apply(root, &transaction_, &factory_, written);
  }

  TemplateTestResolver resolver_{{{L"ProgID", L"Veltamarlin"},
                                  {L"Product", L"Velta"},
                                  {L"Stream", L"marlin"},
                                  {L"Version", L"1.2.3.4"},
                                  {L"Executable", L"launcher.exe"},
                                  {L"InstallFolder", kBracedFolder},
                                  {L"Uninstall", kUninstallKey}}};
  test::RegistrySandbox sandbox_;
  FakeSecurityUtils security_;
  test::FailingOperationFactory factory_{&security_};
  test::ScopedRegistryRootOverride current_user_{HKEY_CURRENT_USER, sandbox_};
  Transaction transaction_;
};

TEST_F(RegistryTemplateEntryTest, TableAppliesUnderCurrentUserAndRollsBackToNothing) {
  const auto before = SnapshotRegistry(HKEY_CURRENT_USER, L"Software", 0);
  // The sandbox's empty key, not the user's real ones.
  ASSERT_EQ(1u, before.size());
  std::vector<WrittenRegistryValue> written;
  for (const RegistryTemplate& record : GetRegistryTemplates()) {
    std::optional<WrittenRegistryValue> value;
    ASSERT_TRUE(Apply(record, HKEY_CURRENT_USER, &value)) << record.key;
    if (value)
      written.push_back(*value);
  }
  // All but the machine-wide deletion of ddeexec and three Granite records.
  ASSERT_EQ(GetRegistryTemplates().size() - 4, written.size());
  for (const WrittenRegistryValue& value : written) {
    SCOPED_TRACE(value.key + L" " + value.name);
    EXPECT_EQ(HKEY_CURRENT_USER, value.root);
    ExpectSameValue(value.value, ReadRegistryValue(HKEY_CURRENT_USER, value.key, value.name));
  }

  const std::wstring folder = kBracedFolder;
  const DWORD kAssistantFlag = 32;
  const uint8_t* flag = reinterpret_cast<const uint8_t*>(&kAssistantFlag);
  const struct {
    std::wstring key;
    std::wstring name;
    std::optional<RegistryValue> value;
  } kExpected[] = {
      {L"Software\\Classes\\Veltamarlin\\shell\\open\\command", L"",
       StringValue(L"\"" + folder + L"\\Launcher.exe\" -noautoupdate -- \"%1\"")},
      {L"Software\\Classes\\Veltamarlin", L"URL Protocol", RegistryValue{REG_SZ, {}}},
      {L"Software\\Classes\\Veltamarlin\\shell\\open\\ddeexec\\Topic", L"",
       RegistryValue{REG_SZ, {}}},
      {L"Software\\Classes\\.htm\\OpenWithProgIDs", L"Veltamarlin", RegistryValue{REG_NONE, {}}},
      {L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
       L"Assistant\\Persisted",
       folder + L"\\Launcher.exe", RegistryValue{REG_DWORD, {flag, flag + 4}}},
      {kUninstallKey, L"DisplayName", StringValue(L"Velta marlin 1.2.3.4")},
      {kUninstallKey, L"InstallLocation", StringValue(folder)},
      {L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\launcher.exe", L"",
       std::nullopt},
  };
  for (const auto& expected : kExpected) {
    SCOPED_TRACE(expected.key + L" " + expected.name);
    ExpectSameValue(expected.value,
                    ReadRegistryValue(HKEY_CURRENT_USER, expected.key, expected.name));
  }

  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotRegistry(HKEY_CURRENT_USER, L"Software", 0));
}

// A row whose data sits in a field its type does not read would write an
// empty value or a zero, silently.
TEST(RegistryTemplatesTest, EveryRowKeepsItsDataInTheFieldItsTypeReads) {
  for (const RegistryTemplate& record : GetRegistryTemplates()) {
    SCOPED_TRACE(std::wstring(record.key) + L" " +
                 (record.value_name ? record.value_name : L"(default)"));
    const bool is_string = record.type == REG_SZ || record.type == REG_EXPAND_SZ;
    EXPECT_TRUE(is_string || !record.text);
    EXPECT_TRUE(record.type == REG_BINARY || !record.bytes);
    EXPECT_TRUE(record.type == REG_DWORD || record.number == 0);
  }
}

TEST_F(RegistryTemplateEntryTest, DdeexecIsDeletedOnlyUnderLocalMachine) {
  test::RegistrySandbox machine_sandbox;
  test::ScopedRegistryRootOverride local_machine(HKEY_LOCAL_MACHINE, machine_sandbox);
  ASSERT_TRUE(local_machine.is_valid());
  const wchar_t kDdeexec[] = L"Software\\Classes\\{ProgID}\\shell\\open\\ddeexec";
  const std::wstring ddeexec = L"Software\\Classes\\Veltamarlin\\shell\\open\\ddeexec";
  base::win::RegKey(HKEY_LOCAL_MACHINE, ddeexec.c_str(), KEY_WRITE).WriteValue(L"", L"old");
  const auto machine_before = SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", 0);

  // The records that delete the ddeexec key or give it empty values.
  for (size_t i = 4; i < 8; ++i) {
    const RegistryTemplate& record = GetRegistryTemplates()[i];
    ASSERT_EQ(0u, std::wstring(record.key).find(kDdeexec));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      std::optional<WrittenRegistryValue> written;
      ASSERT_TRUE(Apply(record, root, &written));
      EXPECT_EQ(i != 4 && root == HKEY_CURRENT_USER, written.has_value()) << i;
    }
  }
  EXPECT_FALSE(base::win::RegKey(HKEY_LOCAL_MACHINE, ddeexec.c_str(), KEY_READ).Valid());
  for (const wchar_t* key : {L"", L"\\Application", L"\\Topic"})
    ExpectSameValue(RegistryValue{REG_SZ, {}},
                    ReadRegistryValue(HKEY_CURRENT_USER, ddeexec + key, L""));

  transaction_.Rollback();
  EXPECT_EQ(machine_before, SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", 0));
}

TEST_F(RegistryTemplateEntryTest, SingleRecordsWriteSkipOrFailAsTheirFieldsSay) {
  enum class Run { kPlain, kGranite, kFailingOperation };
  const wchar_t kKey[] = L"Software\\Velta Templates\\{ProgID}";
  const std::wstring key = L"Software\\Velta Templates\\Veltamarlin";
  const RegistryValue old = StringValue(L"old");
  // `data` (its type and data) as a value named after the product in kKey.
  auto record = [&](RegistryTemplate data) {
    data.key = kKey;
    data.value_name = L"{Product}";
    data.clean = 1;
    return data;
  };
  RegistryTemplate newer_windows = record({.type = REG_DWORD, .number = 1});
  newer_windows.min_windows = base::win::VERSION_WIN_LAST;
  RegistryTemplate granite = record({.type = REG_SZ, .text = L"new"});
  granite.min_stream = 4;
  RegistryTemplate machine_only = granite;
  machine_only.root = HKEY_LOCAL_MACHINE;

  const struct {
    const char* name;
    RegistryTemplate record;
    Run run;
    bool applied;
    std::optional<RegistryValue> value;
    bool reported;
  } kCases[] = {
      {"expand string", record({.type = REG_EXPAND_SZ, .text = L"%TEMP%\\{Product}"}),
       Run::kPlain, true, StringValue(L"%TEMP%\\Velta", REG_EXPAND_SZ), true},
      {"binary", record({.type = REG_BINARY, .bytes = "\x01\x7f\xff"}), Run::kPlain, true,
       RegistryValue{REG_BINARY, {0x01, 0x7f, 0xff}}, true},
      {"null string", record({.type = REG_SZ}), Run::kPlain, true, RegistryValue{REG_SZ, {}}, true},
      {"remove value", record({.type = RegistryTemplate::kRemoveValue}), Run::kPlain, true,
       std::nullopt, false},
      {"delete key", record({.type = RegistryTemplate::kDeleteKey}), Run::kPlain, true,
       std::nullopt, false},
      {"newer Windows", newer_windows, Run::kPlain, true, old, false},
      {"Granite only", granite, Run::kPlain, true, old, false},
      {"Granite only, as Granite", granite, Run::kGranite, true, StringValue(L"new"), true},
      {"other root", machine_only, Run::kGranite, true, old, false},
      {"unknown type", record({.type = REG_MULTI_SZ}), Run::kPlain, false, old, false},
      {"failing operation", record({.type = REG_DWORD, .number = 7}), Run::kFailingOperation,
       false, old, false},
  };
  ProductInfoAsGranite as_granite;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(ERROR_SUCCESS,
              base::win::RegKey(HKEY_CURRENT_USER, key.c_str(), KEY_WRITE)
                  .WriteValue(L"Velta", old.data.data(), old.data.size(), old.type));
    std::optional<base::ProcessWide<ProductInfo>::ScopedOverride> stream;
    if (c.run == Run::kGranite)
      stream.emplace(&as_granite);
    if (c.run == Run::kFailingOperation)
      factory_.Fail(0, test::FailingOperationFactory::Failure::kAfterDo);
    std::optional<WrittenRegistryValue> written;
    EXPECT_EQ(c.applied, Apply(c.record, HKEY_CURRENT_USER, &written));
    const std::optional<RegistryValue> found =
        ReadRegistryValue(HKEY_CURRENT_USER, key, L"Velta");
    ExpectSameValue(c.value, found);
    ASSERT_EQ(c.reported, written.has_value());
    if (written) {
      EXPECT_EQ(key, written->key);
      EXPECT_EQ(L"Velta", written->name);
      EXPECT_EQ(1u, written->clean);
      ExpectSameValue(written->value, found);
    }
    transaction_.Rollback();
    ExpectSameValue(old, ReadRegistryValue(HKEY_CURRENT_USER, key, L"Velta"));
  }
}

}  // namespace
}  // namespace velta
