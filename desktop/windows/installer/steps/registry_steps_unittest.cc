// Copyright 2026 Velta Software. All rights reserved.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/registry_sandbox.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/steps/install_tracking_data_step.h"
#include "desktop/windows/installer/steps/register_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/setup_registry_step.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::IsEmpty;
using test::ReadText;
using test::SnapshotRegistry;

TEST(InstallTrackingDataStepTest, WritesTheSerialisedDataOnlyWhenThereIsAny) {
  test::TestInstallerContext context;
  ASSERT_TRUE(context.is_valid());
  ScopedInstallerProcess process({L"backend"});
  const base::FilePath file = context.install_folder().Append(L"server_tracking_data");
  InstallTrackingDataStep step(&context);
  EXPECT_EQ("install_tracking_data", step.name());
  ASSERT_TRUE(GetTrackingData()->Serialize().empty());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(file));

  GetTrackingData()->SetLocalValue("uuid", "1234");
  test::WriteText(file, "older");
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_EQ(GetTrackingData()->Serialize(), ReadText(file));
  // A rolled-back job leaves the older file as it was.
  context.transaction.Rollback();
  EXPECT_EQ("older", ReadText(file));

  // A folder that cannot take the file is no failure.
  ASSERT_TRUE(base::DeletePathRecursively(context.install_folder()));
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
}

// An operation that fails without changing anything.
class FailingOperation : public Operation {
 public:
  bool Do(Transaction*, std::string* error) override {
    if (error)
      *error = "refused by the test";
    return false;
  }
  void Rollback() override {}
};

// Refuses every value written below an uninstall key.
class UninstallRefusingFactory : public OperationFactory {
 public:
  std::unique_ptr<Operation> CreateChangeRegValue(HKEY root,
                                                  const std::wstring& key,
                                                  const std::wstring& name,
                                                  std::optional<RegistryValue> value,
                                                  RegistryView view) override {
    if (key.find(L"\\Uninstall\\") != std::wstring::npos)
      return std::make_unique<FailingOperation>();
    return OperationFactory::CreateChangeRegValue(root, key, name, std::move(value), view);
  }
};

// The step with HKCU and HKLM of this process pointed at sandbox keys.
class SetupRegistryStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    ASSERT_TRUE(user_.is_valid());
    ASSERT_TRUE(machine_.is_valid());
    user_override_.emplace(HKEY_CURRENT_USER, user_);
    machine_override_.emplace(HKEY_LOCAL_MACHINE, machine_);
    ASSERT_TRUE(user_override_->is_valid());
    ASSERT_TRUE(machine_override_->is_valid());
    // As on any system, each root holds "Software" already.
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      ASSERT_NO_FATAL_FAILURE(CreateKey32(root, L"Software"));
      HKEY key = nullptr;
      ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, L"Software", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
      ::RegCloseKey(key);
    }
  }

  void TearDown() override {
    machine_override_.reset();
    user_override_.reset();
  }

  static std::wstring UninstallKey(const std::wstring& suffix) {
    return GetUninstallRegistryPath() + L"\\" +
           base::UTF8ToWide(GetBrandName() + " " + GetProductVersion()) + suffix;
  }

  static void CreateKey32(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                                               nullptr));
    ::RegCloseKey(key);
  }

  // The value `name` of `root`\`key` in the 32-bit view, or "<missing>".
  static std::wstring ReadString32(HKEY root, const std::wstring& key, const wchar_t* name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS) {
      return L"<missing>";
    }
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    const LSTATUS status = ::RegQueryValueExW(opened, name, nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(opened);
    return status == ERROR_SUCCESS ? std::wstring(buffer) : L"<missing>";
  }

  StepResult Run() {
    SetupRegistryStep step(&context_, &context_.scheduler_text);
    return test::RunStep(step);
  }

  test::TestInstallerContext context_;
  test::RegistrySandbox user_;
  test::RegistrySandbox machine_;
  std::optional<test::ScopedRegistryRootOverride> user_override_;
  std::optional<test::ScopedRegistryRootOverride> machine_override_;
};

struct RegistryCase {
  const char* name;
  bool all_users;
  // Uninstall keys that exist before, by suffix.
  std::vector<std::wstring> existing;
  std::wstring chosen_suffix;
};

class SetupRegistryNameTest : public SetupRegistryStepTest,
                              public ::testing::WithParamInterface<RegistryCase> {};

// The first free name is chosen and the uninstall entry is written there,
// in the 32-bit view with the real security utilities, and recorded.
TEST_P(SetupRegistryNameTest, WritesTheUninstallEntryUnderTheFirstFreeName) {
  const RegistryCase& c = GetParam();
  ScopedInstallerProcess process({L"backend"});
  context_.settings.set_option(SettingsOption::ALL_USERS_FLAG, c.all_users);
  const HKEY root = c.all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const HKEY other_root = c.all_users ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  for (const std::wstring& suffix : c.existing)
    CreateKey32(root, UninstallKey(suffix));
  StepResult result = Run();
  ASSERT_EQ(StepResult::kSuccess, result.code) << result.text;
  const std::wstring key = UninstallKey(c.chosen_suffix);
  EXPECT_EQ(key, context_.scheduler_text);
  EXPECT_EQ(context_.install_folder().value(), ReadString32(root, key, L"InstallLocation"));
  EXPECT_EQ(L"<missing>", ReadString32(other_root, key, L"InstallLocation"));
  EXPECT_FALSE(context_.recording);

  const std::vector<RegistryKeyEntry>& recorded =
      c.all_users ? context_.new_status.hklm_keys : context_.new_status.hkcu_keys;
  EXPECT_THAT(c.all_users ? context_.new_status.hkcu_keys : context_.new_status.hklm_keys,
              IsEmpty());
  bool found = false;
  for (const RegistryKeyEntry& entry : recorded)
    found |= entry.path == base::WideToUTF8(key);
  EXPECT_TRUE(found);

  // The job's rollback takes the entries away again.
  context_.transaction.Rollback();
  EXPECT_EQ(L"<missing>", ReadString32(root, key, L"InstallLocation"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    SetupRegistryNameTest,
    ::testing::Values(RegistryCase{"CurrentUser", false, {}, L""},
                      RegistryCase{"AllUsers", true, {}, L""},
                      RegistryCase{"NameTakenOnce", false, {L""}, L"1"},
                      RegistryCase{"NameTakenTwice", true, {L"", L"1"}, L"2"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SetupRegistryStepTest, CopyOnlyWritesNothing) {
  ScopedInstallerProcess process({L"backend"});
  context_.settings.set_option(SettingsOption::COPY_ONLY, true);
  const auto user_before = SnapshotRegistry(HKEY_CURRENT_USER, L"Software", 0);
  const auto machine_before = SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY);
  EXPECT_EQ(StepResult::kSuccess, Run().code);
  EXPECT_TRUE(context_.scheduler_text.empty());
  EXPECT_EQ(user_before, SnapshotRegistry(HKEY_CURRENT_USER, L"Software", 0));
  EXPECT_EQ(machine_before, SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY));
}

TEST_F(SetupRegistryStepTest, RunOnceOnlyWithLaunchOnStart) {
  const std::wstring run_once = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  {
    ScopedInstallerProcess process({L"backend"});
    EXPECT_EQ(StepResult::kSuccess, Run().code);
    EXPECT_THAT(SnapshotRegistry(HKEY_CURRENT_USER, run_once, 0), IsEmpty());
  }
  context_.transaction.Rollback();
  ScopedInstallerProcess process({L"backend", L"launchvelta-on-os-start"});
  EXPECT_EQ(StepResult::kSuccess, Run().code);
  EXPECT_FALSE(SnapshotRegistry(HKEY_CURRENT_USER, run_once, 0).empty());
}

// Only the uninstall entry is essential.
TEST_F(SetupRegistryStepTest, FailedUninstallEntryFailsTheJob) {
  ScopedInstallerProcess process({L"backend"});
  UninstallRefusingFactory factory;
  context_.factory = &factory;
  StepResult result = Run();
  context_.factory = &context_.real_factory;
  EXPECT_EQ(StepResult::kFailure, result.code);
  EXPECT_EQ(1u, result.subcode);
  EXPECT_EQ("Failed writing uninstallation information", result.text);
  EXPECT_FALSE(context_.recording);
}

// Every candidate name taken: the search ends at its bound with the same
// failure instead of running for ever.
TEST_F(SetupRegistryStepTest, NameSearchIsBounded) {
  ScopedInstallerProcess process({L"backend"});
  for (int i = 0; i < SetupRegistryStep::kMaxUninstallKeyCandidates; ++i)
    CreateKey32(HKEY_CURRENT_USER, UninstallKey(i == 0 ? L"" : std::to_wstring(i)));
  StepResult result = Run();
  EXPECT_EQ(StepResult::kFailure, result.code);
  EXPECT_EQ("Failed writing uninstallation information", result.text);
  EXPECT_TRUE(context_.scheduler_text.empty());
  EXPECT_THAT(context_.new_status.hkcu_keys, IsEmpty());
}

struct ProtocolCase {
  const char* name;
  const wchar_t* protocol;
  bool has_installation;
  bool key_recorded;
  bool written;
};

class RegisterProtocolHandlersTest : public SetupRegistryStepTest,
                                     public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(RegisterProtocolHandlersTest, WritesOnlyARecordedKey) {
  const ProtocolCase& c = GetParam();
  ScopedInstallerProcess process(
      {L"backend", std::wstring(L"register-velta-as-protocol-handler=") + c.protocol});
  const std::wstring client = base::UTF8ToWide(GetBrandName() + GetChannelName());
  const std::wstring key =
      L"SOFTWARE\\Clients\\StartMenuInternet\\" + client + L"\\Capabilities\\URLAssociations";
  if (c.has_installation) {
    context_.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
    if (c.key_recorded) {
      RegistryKeyEntry entry;
      // Compared without regard to case.
      entry.path = base::WideToUTF8(
          L"Software\\Clients\\StartMenuInternet\\" + client + L"\\Capabilities\\UrlAssociations");
      context_.folder_details.existing->hklm_keys.push_back(entry);
    }
  }
  const auto before = SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", 0);
  RegisterProtocolHandlersStep step(&context_);
  EXPECT_EQ("register_protocol_handlers", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  std::optional<RegistryValue> value =
      test::ReadRegistryValue(HKEY_LOCAL_MACHINE, key, c.protocol);
  if (c.written) {
    ASSERT_TRUE(value);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
    const std::wstring data(reinterpret_cast<const wchar_t*>(value->data.data()));
    EXPECT_EQ(client, data);
  } else {
    EXPECT_EQ(before, SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    RegisterProtocolHandlersTest,
    ::testing::Values(ProtocolCase{"Recorded", L"irc", true, true, true},
                      ProtocolCase{"NotRecorded", L"irc", true, false, false},
                      ProtocolCase{"NoInstallation", L"irc", false, false, false},
                      ProtocolCase{"NotAScheme", L"..\\x", true, true, false},
                      ProtocolCase{"Empty", L"", true, true, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace velta
