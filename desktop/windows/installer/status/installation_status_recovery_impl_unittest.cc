// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_recovery_impl.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_path_override.h"
#include "base/time/time.h"
#include "base/version.h"
#include "base/win/registry.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/status/installation_status_recovery.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

constexpr wchar_t kUninstallList[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kEntryName[] = L"Velta marlin";
constexpr wchar_t kVersionFolder[] = L"12.0.345.6";

// Shell links do not keep their AppUserModelID under every shell, so the
// tests give each link's app id here; the target is read from the real link.
std::map<std::wstring, std::wstring>& TestAppIds() {
  static std::map<std::wstring, std::wstring> app_ids;
  return app_ids;
}

bool ReadTestShortcut(const base::FilePath& shortcut, base::FilePath* target, std::wstring* app_id) {
  if (!base::win::ResolveShortcut(shortcut, target, nullptr))
    return false;
  *app_id = TestAppIds()[shortcut.BaseName().value()];
  return true;
}

std::vector<std::wstring> Names(const std::vector<base::FilePath>& paths) {
  std::vector<std::wstring> names;
  for (const base::FilePath& path : paths)
    names.push_back(path.value());
  return names;
}

// An old installation in a scratch folder, with HKCU and HKLM of this
// process pointed at sandbox keys and the shortcut folders at scratch
// folders.
class StatusRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(user_sandbox_.is_valid());
    ASSERT_TRUE(machine_sandbox_.is_valid());
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    folder_ = dir_.GetPath().Append(L"Velta");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    user_override_ = std::make_unique<test::ScopedRegistryRootOverride>(HKEY_CURRENT_USER,
                                                                         user_sandbox_);
    machine_override_ = std::make_unique<test::ScopedRegistryRootOverride>(HKEY_LOCAL_MACHINE,
                                                                            machine_sandbox_);
    ASSERT_TRUE(user_override_->is_valid());
    ASSERT_TRUE(machine_override_->is_valid());
    for (int key : {int{base::DIR_USER_DESKTOP}, int{base::DIR_COMMON_DESKTOP},
                    int{base::DIR_USER_QUICK_LAUNCH}, int{base::DIR_START_MENU},
                    int{base::DIR_COMMON_START_MENU}}) {
      path_overrides_.push_back(std::make_unique<base::ScopedPathOverride>(
          key, dir_.GetPath().Append(L"shortcuts").AppendASCII(std::to_string(key))));
      ASSERT_TRUE(path_overrides_.back()->is_valid());
    }
    TestAppIds().clear();
  }

  void TearDown() override {
    path_overrides_.clear();
    machine_override_.reset();
    user_override_.reset();
  }

  // A version folder with the browser, a real installer.exe (with its
  // library) that prints the product version, and `extra` files.
  void MakeVersionFolder(const std::wstring& name, const std::vector<std::wstring>& extra = {}) {
    const base::FilePath version = folder_.Append(name);
    ASSERT_TRUE(base::CreateDirectory(version));
    ASSERT_TRUE(base::WriteFile(version.Append(L"velta.exe"), "browser"));
    ASSERT_TRUE(test::CopyInstallerFiles(version));
    for (const std::wstring& file : extra) {
      ASSERT_TRUE(base::CreateDirectory(version.Append(file).DirName()));
      ASSERT_TRUE(base::WriteFile(version.Append(file), "x"));
    }
  }

  // An uninstall entry as an old installer wrote it, under `root` (which
  // points at its sandbox).
  void WriteUninstallEntry(HKEY root,
                           const std::wstring& name,
                           const std::wstring& publisher,
                           const std::wstring& location) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(root, (std::wstring(kUninstallList) + L"\\" + name).c_str(),
                                        KEY_WRITE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"Publisher", publisher.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"InstallLocation", location.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"DisplayName", L"Velta marlin 12.0.345.6"));
  }

  void WriteValue(HKEY root, const std::wstring& key_path, const wchar_t* name) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(root, key_path.c_str(), KEY_WRITE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(name, L"x"));
  }

  // A shortcut in the folder of path key `key` to `target`, with `app_id`.
  base::FilePath MakeShortcut(int key,
                              const std::wstring& name,
                              const base::FilePath& target,
                              const std::wstring& app_id) {
    base::FilePath shortcut_folder;
    EXPECT_TRUE(base::PathService::Get(key, &shortcut_folder));
    const base::FilePath shortcut = shortcut_folder.Append(name);
    base::win::ShortcutProperties properties;
    properties.set_target(target);
    EXPECT_TRUE(base::win::CreateOrUpdateShortcutLink(shortcut, properties,
                                                      base::win::SHORTCUT_CREATE_ALWAYS));
    TestAppIds()[name] = app_id;
    return shortcut;
  }

  std::unique_ptr<InstallationStatus> Recover() {
    InstallationStatusRecoveryImpl recovery(&ReadTestShortcut);
    std::unique_ptr<InstallationStatus> status;
    recovery.Recover(&status, folder_);
    return status;
  }

  base::win::ScopedCOMInitializer com_;
  test::RegistrySandbox user_sandbox_;
  test::RegistrySandbox machine_sandbox_;
  base::ScopedTempDir dir_;
  base::FilePath folder_;
  std::unique_ptr<test::ScopedRegistryRootOverride> user_override_;
  std::unique_ptr<test::ScopedRegistryRootOverride> machine_override_;
  std::vector<std::unique_ptr<base::ScopedPathOverride>> path_overrides_;
};

TEST_F(StatusRecoveryTest, RebuildsACurrentUserInstallation) {
  ASSERT_NO_FATAL_FAILURE(MakeVersionFolder(kVersionFolder, {L"locales\\en-US.pak"}));
  ASSERT_NO_FATAL_FAILURE(MakeVersionFolder(L"11.0.299.37"));
  ASSERT_TRUE(base::CreateDirectory(folder_.Append(L"Assets\\icons")));
  ASSERT_TRUE(base::WriteFile(folder_.Append(L"Assets\\icons\\a.png"), "png"));
  ASSERT_TRUE(base::WriteFile(folder_.Append(L"Resources.pri"), "pri"));
  ASSERT_NO_FATAL_FAILURE(WriteUninstallEntry(HKEY_CURRENT_USER, kEntryName, L"Velta Software",
                                              folder_.value()));
  // What the templates wrote: two values of one ProgID key, its open
  // command (a deeper clean-up), and the uninstall entry's own values.
  ASSERT_NO_FATAL_FAILURE(
      WriteValue(HKEY_CURRENT_USER, L"Software\\Classes\\Veltamarlin", L"FriendlyTypeName"));
  ASSERT_NO_FATAL_FAILURE(
      WriteValue(HKEY_CURRENT_USER, L"Software\\Classes\\Veltamarlin", L"URL Protocol"));
  ASSERT_NO_FATAL_FAILURE(WriteValue(
      HKEY_CURRENT_USER, L"Software\\Classes\\Veltamarlin\\shell\\open\\command", nullptr));
  const base::FilePath launcher = folder_.Append(L"launcher.exe");
  const base::FilePath desktop =
      MakeShortcut(base::DIR_USER_DESKTOP, L"Velta.lnk", launcher,
                   L"VeltaSoftware.VeltaWebBrowser.1234567");
  const base::FilePath menu =
      MakeShortcut(base::DIR_START_MENU, L"Velta.lnk", launcher, L"VeltaSoftware.VeltaWebBrowser.99");

  std::unique_ptr<InstallationStatus> status = Recover();
  ASSERT_TRUE(status);
  EXPECT_EQ(StatusSource::kFullyRecovered, status->source);
  EXPECT_FALSE(status->all_users);
  EXPECT_FALSE(status->copy_only);
  EXPECT_EQ(folder_, status->path);
  EXPECT_EQ(kVersionFolder, status->subfolder.value());
  EXPECT_EQ(GetProductVersion(), status->version);
  EXPECT_THAT(Names(status->files),
              UnorderedElementsAre(L"velta.exe", L"installer.exe", L"velta_installer.dll",
                                   L"locales\\en-US.pak"));
  EXPECT_THAT(Names(status->root_files),
              ElementsAre(L"Assets\\icons\\a.png", L"Resources.pri"));
  EXPECT_EQ(desktop, status->desktop_shortcut);
  EXPECT_EQ(menu, status->menu_shortcut);
  EXPECT_TRUE(status->quick_launch_shortcut.empty());
  // The later shortcut's id wins.
  EXPECT_EQ(L"99", status->app_id);

  EXPECT_TRUE(status->hklm_keys.empty());
  const std::string uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                    base::WideToUTF8(kEntryName);
  auto named = [](const std::string& name) { return RegistryValueEntry{"", name, ""}; };
  EXPECT_THAT(
      status->hkcu_keys,
      ElementsAre(RegistryKeyEntry{1,
                                   "Software\\Classes\\Veltamarlin",
                                   {named("FriendlyTypeName"), named("URL Protocol")}},
                  RegistryKeyEntry{2, "Software\\Classes\\Veltamarlin\\shell\\open\\command",
                                   {named("")}},
                  RegistryKeyEntry{1,
                                   uninstall_key,
                                   {named("DisplayName"), named("InstallLocation"),
                                    named("Publisher")}}));
}

TEST_F(StatusRecoveryTest, RecordsAllUsersValuesUnderTheMachine) {
  ASSERT_NO_FATAL_FAILURE(MakeVersionFolder(kVersionFolder));
  ASSERT_NO_FATAL_FAILURE(WriteUninstallEntry(HKEY_LOCAL_MACHINE, kEntryName, L"Velta Software",
                                              folder_.value()));
  ASSERT_NO_FATAL_FAILURE(WriteValue(HKEY_CURRENT_USER,
                                     L"Software\\Classes\\Veltamarlin", L"FriendlyTypeName"));
  const base::FilePath common_desktop = MakeShortcut(
      base::DIR_COMMON_DESKTOP, L"Velta.lnk", folder_.Append(L"launcher.exe"), L"a.b.42");
  MakeShortcut(base::DIR_USER_DESKTOP, L"Mine.lnk", folder_.Append(L"launcher.exe"), L"a.b.7");

  std::unique_ptr<InstallationStatus> status = Recover();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->all_users);
  EXPECT_EQ(common_desktop, status->desktop_shortcut);
  EXPECT_EQ(L"42", status->app_id);
  EXPECT_TRUE(status->hkcu_keys.empty());
  ASSERT_EQ(1u, status->hklm_keys.size());
  EXPECT_EQ(3u, status->hklm_keys[0].values.size());
}

struct UninstallCase {
  const char* name;
  // Where the entry is listed.
  bool under_user;
  bool under_machine;
  const wchar_t* entry_name;
  const wchar_t* publisher;
  // The folder's path with its letters upper-cased, or another folder.
  bool upper_case_location;
  bool other_location;
  bool recognised;
  bool all_users;
};

class StatusRecoveryUninstallTest : public StatusRecoveryTest,
                                    public ::testing::WithParamInterface<UninstallCase> {};

TEST_P(StatusRecoveryUninstallTest, RecognisesOnlyTheFoldersOwnSingleEntry) {
  const UninstallCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(MakeVersionFolder(kVersionFolder));
  std::wstring location = folder_.value();
  if (c.upper_case_location)
    std::transform(location.begin(), location.end(), location.begin(), ::towupper);
  if (c.other_location)
    location = dir_.GetPath().Append(L"Other").value();
  if (c.under_user) {
    ASSERT_NO_FATAL_FAILURE(
        WriteUninstallEntry(HKEY_CURRENT_USER, c.entry_name, c.publisher, location));
  }
  if (c.under_machine) {
    ASSERT_NO_FATAL_FAILURE(
        WriteUninstallEntry(HKEY_LOCAL_MACHINE, c.entry_name, c.publisher, location));
  }
  // An unrelated entry listed first changes nothing.
  ASSERT_NO_FATAL_FAILURE(
      WriteUninstallEntry(HKEY_CURRENT_USER, L"Another App", L"Velta Software", folder_.value()));

  std::unique_ptr<InstallationStatus> status = Recover();
  ASSERT_EQ(c.recognised, status != nullptr);
  if (status) {
    EXPECT_EQ(c.all_users, status->all_users);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Entries,
    StatusRecoveryUninstallTest,
    ::testing::Values(
        UninstallCase{"UserEntryWithLongerPublisherAndOtherCase", true, false, L"Velta marlin",
                      L"Velta Software Ltd.", true, false, true, false},
        UninstallCase{"MachineEntry", false, true, L"Velta", L"Velta Software", false, false, true,
                      true},
        UninstallCase{"ListedUnderBothRoots", true, true, L"Velta marlin", L"Velta Software",
                      false, false, false, false},
        UninstallCase{"LowerCaseName", true, false, L"velta marlin", L"Velta Software", false,
                      false, false, false},
        UninstallCase{"OtherPublisher", true, false, L"Velta marlin", L"Northwind Traders", false,
                      false, false, false},
        UninstallCase{"OtherFolder", false, true, L"Velta marlin", L"Velta Software", false, true,
                      false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusRecoveryTest, FailsWithoutAUsableVersionFolder) {
  ASSERT_NO_FATAL_FAILURE(WriteUninstallEntry(HKEY_CURRENT_USER, kEntryName, L"Velta Software",
                                              folder_.value()));
  // No version folder at all.
  EXPECT_FALSE(Recover());

  // A version folder whose installer.exe prints nothing.
  const base::FilePath version = folder_.Append(kVersionFolder);
  ASSERT_TRUE(base::CreateDirectory(version));
  ASSERT_TRUE(base::WriteFile(version.Append(L"velta.exe"), "browser"));
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"signing_test_program.exe"),
                             version.Append(L"installer.exe")));
  EXPECT_FALSE(Recover());

  // A folder that does not exist.
  folder_ = dir_.GetPath().Append(L"Missing");
  EXPECT_FALSE(Recover());
}

struct VersionOutputCase {
  const char* name;
  // What the version folder's installer.exe does when asked for its
  // version (see testdata/recovery_installer.c).
  const char* does;
  base::TimeDelta timeout;
  // The version recovered; null: the folder is not recognised.
  const char* version;
};

class StatusRecoveryVersionTest : public StatusRecoveryTest,
                                  public ::testing::WithParamInterface<VersionOutputCase> {};

// The old installation's installer.exe is not trusted: one that does not
// end in time or prints too much is ended, and what it prints must be a
// version, as the folder's statuses are named after it.
TEST_P(StatusRecoveryVersionTest, TakesOnlyAVersionPrintedInTime) {
  const VersionOutputCase& c = GetParam();
  const base::FilePath version = folder_.Append(kVersionFolder);
  ASSERT_TRUE(base::CreateDirectory(version));
  ASSERT_TRUE(base::WriteFile(version.Append(L"velta.exe"), "browser"));
  ASSERT_TRUE(base::CopyFile(
      test::GetPathBesideTestExecutable(L"recovery_installer_test_program.exe"),
      version.Append(L"installer.exe")));
  ASSERT_TRUE(base::WriteFile(version.Append(L"installer.exe.does"), c.does));
  ASSERT_NO_FATAL_FAILURE(WriteUninstallEntry(HKEY_CURRENT_USER, kEntryName, L"Velta Software",
                                              folder_.value()));

  InstallationStatusRecoveryImpl recovery(&ReadTestShortcut, c.timeout);
  std::unique_ptr<InstallationStatus> status;
  recovery.Recover(&status, folder_);
  if (!c.version) {
    EXPECT_FALSE(status) << status->version.size() << " bytes: " << status->version.substr(0, 80);
    return;
  }
  ASSERT_TRUE(status);
  EXPECT_EQ(c.version, status->version);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs,
    StatusRecoveryVersionTest,
    ::testing::Values(
        VersionOutputCase{"Version", "12.0.345.6",
                          InstallationStatusRecoveryImpl::kVersionTimeout, "12.0.345.6"},
        VersionOutputCase{"Hangs", "hang", base::TimeDelta::FromMilliseconds(200), nullptr},
        VersionOutputCase{"Floods", "flood", InstallationStatusRecoveryImpl::kVersionTimeout,
                          nullptr},
        VersionOutputCase{"PathOutside", "..\\x",
                          InstallationStatusRecoveryImpl::kVersionTimeout, nullptr},
        VersionOutputCase{"VersionAndMore", "12.0.345.6\\..",
                          InstallationStatusRecoveryImpl::kVersionTimeout, nullptr},
        // A version printed as a line: the line break is not recorded.
        VersionOutputCase{"VersionLine", "12.0.345.6\r\n",
                          InstallationStatusRecoveryImpl::kVersionTimeout, "12.0.345.6"},
        VersionOutputCase{"VersionUnixLine", "12.0.345.6\n",
                          InstallationStatusRecoveryImpl::kVersionTimeout, "12.0.345.6"},
        // Only line ends go: a second line or a line break first stays.
        VersionOutputCase{"TwoLines", "12.0.345.6\r\n12.0.345.7\r\n",
                          InstallationStatusRecoveryImpl::kVersionTimeout, nullptr},
        VersionOutputCase{"LineBreakFirst", "\r\n12.0.345.6",
                          InstallationStatusRecoveryImpl::kVersionTimeout, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusRecoveryTest, SkipsShortcutsOutsideTheFolderOrWithoutANumericId) {
  ASSERT_NO_FATAL_FAILURE(MakeVersionFolder(kVersionFolder));
  ASSERT_NO_FATAL_FAILURE(WriteUninstallEntry(HKEY_CURRENT_USER, kEntryName, L"Velta Software",
                                              folder_.value()));
  const base::FilePath launcher = folder_.Append(L"launcher.exe");
  MakeShortcut(base::DIR_USER_DESKTOP, L"a.lnk", launcher, L"VeltaSoftware.VeltaWebBrowser.abc");
  MakeShortcut(base::DIR_USER_DESKTOP, L"b.lnk", dir_.GetPath().Append(L"Other\\launcher.exe"),
               L"VeltaSoftware.VeltaWebBrowser.5");
  MakeShortcut(base::DIR_USER_DESKTOP, L"c.lnk", launcher, L" . ");
  const base::FilePath quick_launch = MakeShortcut(base::DIR_USER_QUICK_LAUNCH, L"d.lnk", launcher,
                                                   L"VeltaSoftware.VeltaWebBrowser.12.");

  std::unique_ptr<InstallationStatus> status = Recover();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->desktop_shortcut.empty());
  EXPECT_EQ(quick_launch, status->quick_launch_shortcut);
  EXPECT_EQ(L"12", status->app_id);
}

TEST_F(StatusRecoveryTest, OrdersVersionFoldersByMajorThenByAge) {
  const base::Time now = base::Time::Now();
  const struct {
    const wchar_t* name;
    std::vector<std::wstring> extra;
    int age_days;
  } kFolders[] = {
      {L"11.0.299.37", {}, 0},
      {L"12.0.345.6", {}, 10},
      {L"12.0.400.1", {}, 2},
      {L"12.0.345", {}, 0},              // Three parts: not a version folder.
      {L"13.0.1.1", {L"files_list"}, 0},  // An unfinished installation.
      {L"9.0.0.0.1", {}, 0},
  };
  for (const auto& f : kFolders) {
    ASSERT_NO_FATAL_FAILURE(MakeVersionFolder(f.name, f.extra));
    const base::Time time = now - base::TimeDelta::FromDays(f.age_days);
    ASSERT_TRUE(base::TouchFile(folder_.Append(f.name), time, time));
  }
  // Without installer.exe.
  ASSERT_TRUE(base::CreateDirectory(folder_.Append(L"14.0.0.0")));
  ASSERT_TRUE(base::WriteFile(folder_.Append(L"14.0.0.0\\velta.exe"), "x"));

  InstallationStatusRecoveryImpl recovery(&ReadTestShortcut);
  std::vector<base::FilePath> folders;
  recovery.FindVersionFolders(&folders, folder_);
  EXPECT_THAT(Names(folders),
              ElementsAre(L"12.0.400.1", L"12.0.345.6", L"11.0.299.37", L"9.0.0.0.1"));

  recovery.FindVersionFoldersMatching(&folders, folder_, base::Version("12.0.345.6"));
  EXPECT_THAT(Names(folders), ElementsAre(L"12.0.345.6"));
}

}  // namespace
}  // namespace velta
