// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/protocol_handler_setup_impl.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "base/test/registry_sandbox.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using test::SnapshotRegistry;

// The setup on HKCU, HKLM and HKCR of this process pointed at sandbox keys.
class ProtocolHandlerSetupImplTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    for (const test::RegistrySandbox* sandbox : {&user_, &machine_, &classes_})
      ASSERT_TRUE(sandbox->is_valid());
    user_override_.emplace(HKEY_CURRENT_USER, user_);
    machine_override_.emplace(HKEY_LOCAL_MACHINE, machine_);
    classes_override_.emplace(HKEY_CLASSES_ROOT, classes_);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      HKEY key = nullptr;
      ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, L"Software\\Classes", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
      ::RegCloseKey(key);
    }
    status_.path = context_.install_folder();
    status_.app_id = L"TESTAPP";
  }

  void TearDown() override {
    classes_override_.reset();
    machine_override_.reset();
    user_override_.reset();
  }

  base::win::ScopedCOMInitializer com_;
  ScopedInstallerProcess process_{{L"backend"}};
  test::TestInstallerContext context_;
  InstallationStatus status_{StatusSource::kGenerated};
  test::RegistrySandbox user_;
  test::RegistrySandbox machine_;
  test::RegistrySandbox classes_;
  std::optional<test::ScopedRegistryRootOverride> user_override_;
  std::optional<test::ScopedRegistryRootOverride> machine_override_;
  std::optional<test::ScopedRegistryRootOverride> classes_override_;
};

TEST_F(ProtocolHandlerSetupImplTest, CopyOnlyTouchesNoHandler) {
  context_.settings.set_option(SettingsOption::COPY_ONLY, true);
  context_.settings.set_option(SettingsOption::DEFAULT_BROWSER, true);
  const auto before = SnapshotRegistry(HKEY_CURRENT_USER, L"Software", 0);
  CreateProtocolHandlerSetup()->Setup(&context_.settings, &status_);
  EXPECT_EQ(before, SnapshotRegistry(HKEY_CURRENT_USER, L"Software", 0));
}

// Without the default-browser choice only the user's file handlers (the
// ProgID class) are registered; machine-wide nothing changes.
TEST_F(ProtocolHandlerSetupImplTest, RegistersTheUsersFileHandlers) {
  const auto user_before = SnapshotRegistry(HKEY_CURRENT_USER, L"Software\\Classes", 0);
  const auto machine_before = SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", 0);
  ProtocolHandlerSetupImpl setup;
  setup.Setup(&context_.settings, &status_);
  EXPECT_NE(user_before, SnapshotRegistry(HKEY_CURRENT_USER, L"Software\\Classes", 0));
  EXPECT_EQ(machine_before, SnapshotRegistry(HKEY_LOCAL_MACHINE, L"Software", 0));
}

}  // namespace
}  // namespace velta
