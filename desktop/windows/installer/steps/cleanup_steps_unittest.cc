// Copyright 2026 Velta Software. All rights reserved.

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/process_wide.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_folder_link.h"
#include "base/win/registry.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/steps/clean_registry_step.h"
#include "desktop/windows/installer/steps/remove_old_files_step.h"
#include "desktop/windows/installer/steps/remove_old_root_files_step.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/steps/uninstall_cleanup_step.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using test::FileNamesIn;
using test::ReadText;
using test::WriteText;

class RemoveOldFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    old_status_ = context_.install_folder().Append(L"old_status");
    ASSERT_TRUE(base::CreateDirectory(old_status_));
  }

  // An old installation in `subfolder` with `files` (each written), kept as
  // old_status\`name`.
  void OldInstallation(const wchar_t* name,
                       const wchar_t* subfolder,
                       const std::vector<const wchar_t*>& files) {
    InstallationStatus status(StatusSource::kGenerated);
    status.path = context_.install_folder();
    status.subfolder = base::FilePath(subfolder);
    status.version = "1.0.0.1";
    for (const wchar_t* file : files) {
      status.files.emplace_back(file);
      const base::FilePath path = context_.install_folder().Append(subfolder).Append(file);
      if (path.value().find(L"..") == std::wstring::npos) {
        ASSERT_TRUE(test::WriteFileWithFolders(path, "old"));
      }
    }
    ASSERT_TRUE(WriteInstallationStatusJson(status, old_status_.Append(name)));
  }

  StepResult Run() {
    RemoveOldFilesStep step(&context_);
    return test::RunStep(step);
  }

  base::win::ScopedCOMInitializer com_;
  ScopedInstallerProcess process_{{L"backend"}};
  test::TestInstallerContext context_;
  base::FilePath old_status_;
};

TEST_F(RemoveOldFilesTest, RemovesEveryRecordedInstallation) {
  // As the installer does: the folders emptied below it go.
  context_.real_factory.run_journal()->Start(context_.install_folder());
  OldInstallation(L"installation_status.json.1", L"1.0", {L"a.dll", L"lib\\b.dll"});
  OldInstallation(L"installation_status.json.2", L"2.0", {L"c.dll"});
  EXPECT_EQ(StepResult::kSuccess, Run().code);
  for (const wchar_t* gone : {L"1.0\\a.dll", L"1.0\\lib\\b.dll", L"2.0\\c.dll", L"1.0", L"2.0"})
    EXPECT_FALSE(base::PathExists(context_.install_folder().Append(gone))) << gone;
  EXPECT_FALSE(base::PathExists(old_status_));
}

// Each record is its own transaction: a failure in the second keeps its
// files and its status file, but the first, already committed, stays
// removed even when the job is rolled back.
TEST_F(RemoveOldFilesTest, AFailedRecordIsKeptAndTheOthersStayRemoved) {
  context_.settings.operation = InstallOperation::kOverExistingInstallation;
  OldInstallation(L"installation_status.json.1", L"1.0", {L"a.dll"});
  OldInstallation(L"installation_status.json.2", L"2.0", {L"b.dll", L"held.dll"});
  base::win::ScopedHandle held =
      test::HoldWithoutSharing(context_.install_folder().Append(L"2.0\\held.dll"));
  ASSERT_TRUE(held.IsValid());
  EXPECT_EQ(StepResult::kSuccess, Run().code);
  context_.transaction.Rollback();
  held.Close();
  EXPECT_FALSE(base::PathExists(context_.install_folder().Append(L"1.0\\a.dll")));
  EXPECT_EQ("old", ReadText(context_.install_folder().Append(L"2.0\\b.dll")));
  EXPECT_THAT(FileNamesIn(old_status_), ElementsAre(L"installation_status.json.2"));
  // No parked copy is left beside the kept files.
  EXPECT_THAT(FileNamesIn(context_.install_folder().Append(L"2.0")),
              ElementsAre(L"b.dll", L"held.dll"));
}

// An uninstall goes on and drops the record anyway.
TEST_F(RemoveOldFilesTest, UninstallDropsARecordThatFailed) {
  context_.settings.operation = InstallOperation::kUninstall;
  OldInstallation(L"installation_status.json.2", L"2.0", {L"b.dll", L"held.dll"});
  base::win::ScopedHandle held =
      test::HoldWithoutSharing(context_.install_folder().Append(L"2.0\\held.dll"));
  ASSERT_TRUE(held.IsValid());
  EXPECT_EQ(StepResult::kSuccess, Run().code);
  EXPECT_FALSE(base::PathExists(context_.install_folder().Append(L"2.0\\b.dll")));
  EXPECT_FALSE(base::PathExists(old_status_.Append(L"installation_status.json.2")));
}

// Unreadable or foreign files stay; entries leading out of the folder are
// skipped.
TEST_F(RemoveOldFilesTest, LeavesWhatItCannotTrust) {
  WriteText(old_status_.Append(L"installation_status.json.3"), "{broken");
  WriteText(old_status_.Append(L"notes.txt"), "mine");
  const base::FilePath outside = context_.scratch().Append(L"outside.txt");
  WriteText(outside, "keep");
  OldInstallation(L"installation_status.json.4", L"4.0", {L"..\\..\\outside.txt", L"d.dll"});
  EXPECT_EQ(StepResult::kSuccess, Run().code);
  EXPECT_EQ("keep", ReadText(outside));
  EXPECT_FALSE(base::PathExists(context_.install_folder().Append(L"4.0\\d.dll")));
  EXPECT_THAT(FileNamesIn(old_status_),
              ElementsAre(L"installation_status.json.3", L"notes.txt"));
}

TEST_F(RemoveOldFilesTest, RootFilesOfTheExistingInstallation) {
  context_.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  context_.folder_details.existing->root_files = {base::FilePath(L"root.txt"),
                                                  base::FilePath(L"..\\outside.txt")};
  WriteText(context_.install_folder().Append(L"root.txt"), "root");
  const base::FilePath outside = context_.scratch().Append(L"outside.txt");
  WriteText(outside, "keep");
  RemoveOldRootFilesStep step(&context_);
  EXPECT_EQ("remove_old_root_files", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(context_.install_folder().Append(L"root.txt")));
  EXPECT_EQ("keep", ReadText(outside));
  context_.transaction.Rollback();
  EXPECT_EQ("root", ReadText(context_.install_folder().Append(L"root.txt")));
}

// A step that removes what a status records, in a job.
struct UnderALinkCase {
  const char* name;
  InstallOperation operation;
  std::unique_ptr<InstallerStep> (*make)(InstallerContext* context);
  // Whether it removes the version folder's files (else the root files).
  bool removes_version_files;
  // Whether it removes the link in the version folder itself (the uninstall
  // does).
  bool removes_link;
};

template <typename Step>
std::unique_ptr<InstallerStep> Make(InstallerContext* context) {
  return std::make_unique<Step>(context);
}

// The folder access is lent: k.bat is written, not started.
class ScriptNotStartedContext : public test::TestInstallerContext {
 public:
  bool HasPendingPermissionUndo() const override { return true; }
};

class RecordedFilesUnderALinkTest : public ::testing::TestWithParam<UnderALinkCase> {};

// A folder of the installation replaced by a link (a junction or symbolic
// link) to a folder outside it, which holds files of the recorded names:
// the steps that remove what a status records leave them, even when one is
// in use, and leave nothing through the link to k.bat. (Under Wine the
// link is a Unix symbolic link: see ScopedFolderLink.)
TEST_P(RecordedFilesUnderALinkTest, StayWithTheirOwner) {
  base::win::ScopedCOMInitializer com;
  FakeWinApi win_api;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override(&win_api);
  ScopedInstallerProcess process({L"backend"});
  ScriptNotStartedContext context;
  ASSERT_TRUE(context.is_valid());
  context.settings.operation = GetParam().operation;
  context.settings.set_option(SettingsOption::COPY_ONLY, true);
  const base::FilePath folder = context.install_folder();
  const base::FilePath outside = context.scratch().Append(L"outside");
  for (const wchar_t* name : {L"de.pak", L"fr.pak", L"logo.png", L"own.txt"})
    ASSERT_TRUE(test::WriteFileWithFolders(outside.Append(name), "someone else's"));
  ASSERT_TRUE(test::WriteFileWithFolders(folder.Append(L"1.0\\velta.dll"), "ours"));
  InstallationStatus status(StatusSource::kPrimary);
  status.path = folder;
  status.version = "1.0.0.1";
  status.subfolder = base::FilePath(L"1.0");
  status.files = {base::FilePath(L"velta.dll"), base::FilePath(L"localization\\de.pak"),
                  base::FilePath(L"localization\\fr.pak")};
  status.root_files = {base::FilePath(L"assets\\logo.png")};
  context.folder_details.existing = std::make_unique<InstallationStatus>(status);
  ASSERT_TRUE(base::CreateDirectory(folder.Append(L"old_status")));
  ASSERT_TRUE(WriteInstallationStatusJson(
      status, folder.Append(L"old_status\\installation_status.json.1")));
  const test::ScopedFolderLink localization(folder.Append(L"1.0\\localization"), outside);
  const test::ScopedFolderLink assets(folder.Append(L"assets"), outside);
  ASSERT_TRUE(localization.is_valid());
  ASSERT_TRUE(assets.is_valid());
  const std::map<std::wstring, std::string> before = test::SnapshotFolder(outside);

  base::win::ScopedHandle held = test::HoldWithoutSharing(outside.Append(L"de.pak"));
  ASSERT_TRUE(held.IsValid());
  std::unique_ptr<InstallerStep> step = GetParam().make(&context);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(*step).code);
  held.Close();

  EXPECT_EQ(before, test::SnapshotFolder(outside));
  // The uninstall removes the link that replaced the version folder's
  // "localization", as a link (under Wine, which opens its target, the
  // removal refuses and the link stays; on Windows the link goes).
  EXPECT_EQ(GetParam().removes_link
                ? std::vector<std::string>{folder.Append(L"1.0\\localization").AsUTF8Unsafe()}
                : std::vector<std::string>{},
            win_api.CallsTo("DeleteLink"));
  EXPECT_EQ(GetParam().removes_version_files,
            !base::PathExists(folder.Append(L"1.0\\velta.dll")));
  const base::FilePath script = folder.Append(L"k.bat");
  if (base::PathExists(script)) {
    EXPECT_THAT(ReadText(script), Not(HasSubstr("localization")));
    EXPECT_THAT(ReadText(script), Not(HasSubstr("assets")));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps,
    RecordedFilesUnderALinkTest,
    ::testing::Values(
        UnderALinkCase{"OldFilesOfAnUpgrade", InstallOperation::kOverExistingInstallation,
                       &Make<RemoveOldFilesStep>, true, false},
        UnderALinkCase{"OldFilesOfAnUninstall", InstallOperation::kUninstall,
                       &Make<RemoveOldFilesStep>, true, false},
        UnderALinkCase{"OldRootFiles", InstallOperation::kOverExistingInstallation,
                       &Make<RemoveOldRootFilesStep>, false, false},
        UnderALinkCase{"UninstallCleanup", InstallOperation::kUninstall,
                       &Make<UninstallCleanupStep>, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CleanRegistryKeysTest, DepthAndSharedKeys) {
  EXPECT_EQ(L"Software\\Classes\\P\\shell\\open",
            RemoveLastKeyComponents(L"Software\\Classes\\P\\shell\\open\\command", 1));
  EXPECT_EQ(L"", RemoveLastKeyComponents(L"Software\\X", 2));
  for (const wchar_t* shared :
       {L"Software", L"Software\\Classes", L"Software\\Microsoft\\Windows",
        L"software\\microsoft\\windows\\currentversion\\uninstall",
        L"Software\\Clients\\StartMenuInternet", L""}) {
    EXPECT_TRUE(IsSharedRegistryKey(shared)) << shared;
  }
  for (const wchar_t* own : {L"Software\\Classes\\VeltaHTML",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velta 1",
                             L"Software\\Velta\\Browser"}) {
    EXPECT_FALSE(IsSharedRegistryKey(own)) << own;
  }
}

// The step on HKCU and HKLM of this process pointed at sandbox keys.
class CleanRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    user_override_.emplace(HKEY_CURRENT_USER, user_);
    machine_override_.emplace(HKEY_LOCAL_MACHINE, machine_);
    ASSERT_TRUE(user_override_->is_valid());
    ASSERT_TRUE(machine_override_->is_valid());
    context_.folder_details.existing =
        std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  }
  void TearDown() override {
    machine_override_.reset();
    user_override_.reset();
  }

  static void Create(HKEY root, const std::wstring& key, REGSAM view = 0) {
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS | view, nullptr, &handle, nullptr));
    ::RegSetValueExW(handle, L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    ::RegCloseKey(handle);
  }
  static bool Exists(HKEY root, const std::wstring& key, REGSAM view = 0) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
      return false;
    ::RegCloseKey(handle);
    return true;
  }
  void Record(bool machine, const std::wstring& key, int clean,
              std::vector<std::string> values = {}) {
    RegistryKeyEntry entry;
    entry.path = base::WideToUTF8(key);
    entry.clean = clean;
    for (const std::string& name : values)
      entry.values.push_back({"REG_SZ", name, "x"});
    (machine ? context_.folder_details.existing->hklm_keys
             : context_.folder_details.existing->hkcu_keys)
        .push_back(entry);
  }

  ScopedInstallerProcess process_{{L"backend"}};
  test::TestInstallerContext context_;
  test::RegistrySandbox user_;
  test::RegistrySandbox machine_;
  std::optional<test::ScopedRegistryRootOverride> user_override_;
  std::optional<test::ScopedRegistryRootOverride> machine_override_;
};

TEST_F(CleanRegistryTest, DeletesWhatTheRecordsSayAndNoMore) {
  const std::wstring prog = L"Software\\Classes\\VeltaTestProg";
  Create(HKEY_CURRENT_USER, prog + L"\\shell\\open\\command");
  Create(HKEY_CURRENT_USER, prog + L"\\DefaultIcon");
  Create(HKEY_CURRENT_USER, L"Software\\Classes\\Other");
  Create(HKEY_CURRENT_USER, L"Software\\Velta\\Values");
  const std::wstring uninstall =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velta 1.0";
  Create(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_32KEY);
  Create(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other",
         KEY_WOW64_32KEY);
  Record(false, prog + L"\\shell\\open\\command", 2);
  Record(false, L"Software\\Velta\\Values", 0, {"v"});
  // A damaged record whose depth reaches "Software\Classes".
  Record(false, L"Software\\Classes\\Other\\a", 2 + 1);
  Record(true, uninstall, 1);
  CleanRegistryStep step(&context_, ExecutableArchitecture::kX86);
  EXPECT_EQ("clean_registry", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, prog + L"\\shell\\open"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, prog + L"\\DefaultIcon"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Classes\\Other"));
  EXPECT_FALSE(test::ReadRegistryValue(HKEY_CURRENT_USER, L"Software\\Velta\\Values", L"v"));
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_32KEY));
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE,
                     L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other",
                     KEY_WOW64_32KEY));
  // The job's rollback brings it all back.
  context_.transaction.Rollback();
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, prog + L"\\shell\\open\\command"));
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_32KEY));
}

// A 64-bit launcher: the native view's uninstall key that points at this
// folder goes too; one of another folder stays.
TEST_F(CleanRegistryTest, SixtyFourBitLauncherAlsoCleansTheNativeView) {
  const std::wstring uninstall =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velta 1.0";
  Create(HKEY_CURRENT_USER, uninstall);
  base::win::RegKey key(HKEY_CURRENT_USER, uninstall.c_str(), KEY_SET_VALUE);
  key.WriteValue(L"InstallLocation", context_.install_folder().value().c_str());
  Record(false, uninstall, 1);
  CleanRegistryStep step(&context_, ExecutableArchitecture::kOther);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, uninstall));
}

}  // namespace
}  // namespace velta
