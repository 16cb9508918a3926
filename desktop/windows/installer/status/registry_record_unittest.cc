// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/registry_record.h"

#include <windows.h>

#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/registry_sandbox.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/status/json_installation_status_reader.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"
#include "desktop/windows/installer/transactions/registry_templates.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

RegistryValue Bytes(DWORD type, std::vector<uint8_t> data) {
  return RegistryValue{type, std::move(data)};
}

RegistryValue Text(const std::wstring& text, DWORD type = REG_SZ) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
  return {type, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}};
}

TEST(RecordRegistryValueTest, RecordsEachTypeAsText) {
  const struct {
    const char* name;
    RegistryValue value;
    const char* type;
    const char* data;
  } kCases[] = {
      {"string", Text(L"C:\\{Guid}\\Caf\u00e9"), "REG_SZ", "C:\\{Guid}\\Caf\xc3\xa9"},
      {"empty string", Bytes(REG_SZ, {}), "REG_SZ", ""},
      {"string without its NUL", Bytes(REG_SZ, {'a', 0, 'b', 0}), "REG_SZ", "ab"},
      {"expandable string", Text(L"%TEMP%\\x", REG_EXPAND_SZ), "REG_EXPAND_SZ", "%TEMP%\\x"},
      {"binary", Bytes(REG_BINARY, {0x01, 0xab, 0x00}), "REG_BINARY", "01,ab,00"},
      {"no bytes", Bytes(REG_BINARY, {}), "REG_BINARY", ""},
      {"number", Bytes(REG_DWORD, {0x20, 0, 0, 0}), "REG_DWORD", "00000020"},
      {"large number", Bytes(REG_DWORD, {0xef, 0xbe, 0xad, 0xde}), "REG_DWORD", "deadbeef"},
      {"none", Bytes(REG_NONE, {}), "REG_NONE", ""},
      {"quad word", Bytes(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), "REG_QWORD", ""},
      {"unknown type", Bytes(12, {1}), "", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<RegistryKeyEntry> keys;
    RecordRegistryValue(WrittenRegistryValue{HKEY_CURRENT_USER, L"Software\\K", L"v", c.value, 1},
                        &keys);
    ASSERT_EQ(1u, keys.size());
    EXPECT_THAT(keys[0].values, ElementsAre(RegistryValueEntry{c.type, "v", c.data}));
  }
}

TEST(RecordRegistryValueTest, MergesValuesOfOneKeyAndKeepsTheDeeperCleanUp) {
  std::vector<RegistryKeyEntry> keys;
  auto record = [&keys](const wchar_t* key, const wchar_t* name, uint32_t clean) {
    RecordRegistryValue(WrittenRegistryValue{HKEY_CURRENT_USER, key, name, Text(L"x"), clean},
                        &keys);
  };
  record(L"Software\\Classes\\Veltamarlin", L"a", 1);
  record(L"Software\\Other", L"", 0);
  record(L"software\\CLASSES\\veltamarlin", L"b", 2);
  record(L"Software\\Classes\\Veltamarlin", L"c", 0);
  const RegistryValueEntry x{"REG_SZ", "", "x"};
  auto named = [](const char* name) { return RegistryValueEntry{"REG_SZ", name, "x"}; };
  EXPECT_THAT(keys, ElementsAre(RegistryKeyEntry{2,
                                                 "Software\\Classes\\Veltamarlin",
                                                 {named("a"), named("b"), named("c")}},
                                RegistryKeyEntry{0, "Software\\Other", {x}}));
}

// Gives placeholder values from a table and records into a status while
// recording is on, as the installer does.
class RecordingResolver : public PlaceholderResolver {
 public:
  explicit RecordingResolver(InstallationStatus* status) : status_(status) {}
  std::wstring GetPlaceholderValue(const std::wstring& name) override {
    static const std::map<std::wstring, std::wstring> kValues = {
        {L"ProgID", L"Veltamarlin"},
        {L"Product", L"Velta"},
        {L"Stream", L"marlin"},
        {L"Version", L"1.2.3.4"},
        {L"InstallFolder", L"C:\\Users\\u\\{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
        {L"Uninstall", L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velta"}};
    const auto it = kValues.find(name);
    return it == kValues.end() ? std::wstring() : it->second;
  }
  std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY root) override {
    if (!recording_)
      return nullptr;
    return root == HKEY_LOCAL_MACHINE ? &status_->hklm_keys : &status_->hkcu_keys;
  }
  void set_recording(bool recording) { recording_ = recording; }

 private:
  InstallationStatus* const status_;
  bool recording_ = true;
};

// The value's type and bytes as the registry holds them.
std::optional<RegistryValue> ReadValue(HKEY root, const std::string& key, const std::string& name) {
  return test::ReadRegistryValue(root, base::UTF8ToWide(key), base::UTF8ToWide(name));
}

class ApplyRegistryTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    ASSERT_TRUE(current_user_.is_valid());
    ASSERT_EQ(ERROR_SUCCESS,
              base::win::RegKey().Create(HKEY_CURRENT_USER, L"Software", KEY_WRITE));
  }

  test::RegistrySandbox sandbox_;
  test::ScopedRegistryRootOverride current_user_{HKEY_CURRENT_USER, sandbox_};
  InstallationStatus status_{StatusSource::kGenerated};
  RecordingResolver resolver_{&status_};
  // Key access lists are not what these tests are about (the real ones are
  // tested with the registry operations).
  FakeSecurityUtils security_;
  OperationFactory factory_{&security_};
  Transaction transaction_;
};

TEST_F(ApplyRegistryTemplateTest, RecordsWhatTheTableWroteAndTheRecordSurvivesTheStatusFile) {
  for (const RegistryTemplate& record : GetRegistryTemplates()) {
    ASSERT_TRUE(
        ApplyRegistryTemplate(record, HKEY_CURRENT_USER, &resolver_, &transaction_, &factory_))
        << record.key;
  }
  EXPECT_TRUE(status_.hklm_keys.empty());
  size_t recorded = 0;
  for (const RegistryKeyEntry& key : status_.hkcu_keys) {
    for (const RegistryValueEntry& value : key.values) {
      SCOPED_TRACE(key.path + " " + value.name);
      ++recorded;
      // Every recorded value is in the registry with the recorded type.
      const std::optional<RegistryValue> found = ReadValue(HKEY_CURRENT_USER, key.path, value.name);
      ASSERT_TRUE(found);
      EXPECT_EQ(value.type, GetRegistryTypeName(found->type));
    }
  }
  // All but the machine-wide deletion of ddeexec and three Granite records.
  EXPECT_EQ(GetRegistryTemplates().size() - 4, recorded);

  // Two records of one key make one entry; the open command's deeper
  // clean-up is kept; the launcher's compatibility flag is a number.
  const auto find = [this](const std::string& path) -> const RegistryKeyEntry* {
    for (const RegistryKeyEntry& key : status_.hkcu_keys) {
      if (key.path == path)
        return &key;
    }
    return nullptr;
  };
  const RegistryKeyEntry* urls =
      find("Software\\Clients\\StartMenuInternet\\Veltamarlin\\Capabilities\\UrlAssociations");
  ASSERT_TRUE(urls);
  EXPECT_EQ(4u, urls->values.size());
  const RegistryKeyEntry* command = find("Software\\Classes\\Veltamarlin\\shell\\open\\command");
  ASSERT_TRUE(command);
  EXPECT_EQ(2, command->clean);
  EXPECT_EQ("\"C:\\Users\\u\\{6F9619FF-8B86-D011-B42D-00C04FC964FF}\\Launcher.exe\" "
            "-noautoupdate -- \"%1\"",
            command->values[0].data);
  const RegistryKeyEntry* flags = find(
      "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
      "Assistant\\Persisted");
  ASSERT_TRUE(flags);
  EXPECT_THAT(flags->values,
              ElementsAre(RegistryValueEntry{
                  "REG_DWORD", "C:\\Users\\u\\{6F9619FF-8B86-D011-B42D-00C04FC964FF}\\Launcher.exe",
                  "00000020"}));

  // The record goes through installation_status.json unchanged.
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath file = dir.GetPath().Append(L"installation_status.json");
  status_.version = "1.2.3.4";
  ASSERT_TRUE(WriteInstallationStatusJson(status_, file));
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(file, &text));
  std::unique_ptr<InstallationStatus> read;
  JsonInstallationStatusReader reader;
  ASSERT_TRUE(reader.Read(&read, text, StatusSource::kPrimary)) << reader.GetError();
  EXPECT_EQ(status_.hkcu_keys, read->hkcu_keys);
}

TEST_F(ApplyRegistryTemplateTest, RecordsNothingWhileRecordingIsOffOrAfterAFailure) {
  const RegistryTemplate& friendly_name = GetRegistryTemplates()[0];
  resolver_.set_recording(false);
  ASSERT_TRUE(ApplyRegistryTemplate(friendly_name, HKEY_CURRENT_USER, &resolver_, &transaction_,
                                    &factory_));
  EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, "Software\\Classes\\Veltamarlin", "FriendlyTypeName"));
  EXPECT_TRUE(status_.hkcu_keys.empty());

  resolver_.set_recording(true);
  RegistryTemplate unknown_type = friendly_name;
  unknown_type.type = REG_MULTI_SZ;
  EXPECT_FALSE(
      ApplyRegistryTemplate(unknown_type, HKEY_CURRENT_USER, &resolver_, &transaction_, &factory_));
  // A record for the other root is skipped, and nothing is recorded.
  RegistryTemplate machine_only = friendly_name;
  machine_only.root = HKEY_LOCAL_MACHINE;
  EXPECT_TRUE(
      ApplyRegistryTemplate(machine_only, HKEY_CURRENT_USER, &resolver_, &transaction_, &factory_));
  EXPECT_TRUE(status_.hkcu_keys.empty());
  EXPECT_TRUE(status_.hklm_keys.empty());
}

}  // namespace
}  // namespace velta
