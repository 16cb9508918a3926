// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/installation_impl.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process_wide.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_path_override.h"
#include "base/win/registry.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/utils/fake_shell_default_apps.h"
#include "desktop/windows/installer/utils/shell_associations.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::wstring CurrentUserName() {
  std::wstring name;
  EXPECT_TRUE(GetCurrentUserName(&name));
  return name;
}

// An installation folder of the test's own, with the user's application
// data redirected into the test's folder.
class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    folder_ = dir_.GetPath().Append(L"Velta");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    app_data_ = std::make_unique<base::ScopedPathOverride>(base::DIR_APP_DATA,
                                                            dir_.GetPath().Append(L"Roaming"));
    local_app_data_ = std::make_unique<base::ScopedPathOverride>(
        base::DIR_LOCAL_APP_DATA, dir_.GetPath().Append(L"Local"));
    ASSERT_TRUE(app_data_->is_valid());
    ASSERT_TRUE(local_app_data_->is_valid());
  }

  void WritePrefs(const std::string& json) {
    ASSERT_TRUE(base::WriteFile(folder_.Append(L"installer_prefs.json"), json));
  }

  base::ScopedTempDir dir_;
  base::FilePath folder_;
  std::unique_ptr<base::ScopedPathOverride> app_data_;
  std::unique_ptr<base::ScopedPathOverride> local_app_data_;
};

TEST_F(InstallationTest, ReadsPrefsByDottedPathAndType) {
  ASSERT_NO_FATAL_FAILURE(WritePrefs(
      R"({"a":{"b":true,"s":"x"},"n":"12","bad":"x1","list":[1,2],"num":5,"":{"":true}})"));
  InstallationImpl installation(folder_);
  bool flag = false;
  EXPECT_TRUE(installation.GetBooleanPref("a.b", &flag));
  EXPECT_TRUE(flag);
  EXPECT_FALSE(installation.GetBooleanPref("a.s", &flag));
  EXPECT_FALSE(installation.GetBooleanPref("a.b.c", &flag));
  EXPECT_TRUE(installation.GetBooleanPref(".", &flag));  // Empty parts are keys.
  std::wstring wide;
  EXPECT_TRUE(installation.GetWideStringPref("a.s", &wide));
  EXPECT_EQ(L"x", wide);
  std::string text;
  EXPECT_FALSE(installation.GetStringPref("num", &text));
  int64_t number = 0;
  EXPECT_TRUE(installation.GetInt64Pref("n", &number));
  EXPECT_EQ(12, number);
  // A string that is no number still counts as found.
  EXPECT_TRUE(installation.GetInt64Pref("bad", &number));
  EXPECT_FALSE(installation.GetInt64Pref("num", &number));
  const base::Value::ListStorage* list = nullptr;
  ASSERT_TRUE(installation.GetListPref("list", &list));
  EXPECT_EQ(2u, list->size());
  EXPECT_FALSE(installation.IsSingleProfile());
}

TEST_F(InstallationTest, UnreadablePrefsAndStatusGiveEmptyAnswers) {
  ASSERT_NO_FATAL_FAILURE(WritePrefs(R"({"single_profile": tr)"));
  ASSERT_TRUE(base::WriteFile(folder_.Append(L"installation_status.json"), "{\"version\":"));
  InstallationImpl installation(folder_);
  bool flag = false;
  EXPECT_FALSE(installation.GetBooleanPref("single_profile", &flag));
  EXPECT_EQ(StatusSource::kInvalid, installation.GetInstallationStatus().source);
  EXPECT_FALSE(installation.IsCopyOnly());
  EXPECT_EQ(L"VeltaSoftware.VeltaWebBrowser.", installation.GetAppUserModelId());
  EXPECT_EQ(L"Autoupdate ", installation.GetAutoupdateTaskName());
}

TEST_F(InstallationTest, ReadsTheStatusFileOnceOrUsesTheGivenRecord) {
  InstallationStatus status(StatusSource::kGenerated);
  status.version = "1.2.3.4";
  status.copy_only = true;
  status.app_id = L"1234567";
  ASSERT_TRUE(WriteInstallationStatusJson(status, folder_.Append(L"installation_status.json")));
  InstallationImpl installation(folder_);
  EXPECT_EQ(StatusSource::kPrimary, installation.GetInstallationStatus().source);
  EXPECT_TRUE(installation.IsCopyOnly());
  EXPECT_EQ(L"VeltaSoftware.VeltaWebBrowser.1234567", installation.GetAppUserModelId());
  EXPECT_EQ(L"Autoupdate 1234567", installation.GetAutoupdateTaskName());
  // Read once: a later change of the file is not seen.
  ASSERT_TRUE(base::DeleteFile(folder_.Append(L"installation_status.json")));
  EXPECT_TRUE(installation.IsCopyOnly());

  auto given = std::make_unique<InstallationStatus>(StatusSource::kGenerated);
  given->app_id = L"9";
  InstallationImpl with_status(folder_, std::move(given));
  EXPECT_EQ(L"Autoupdate 9", with_status.GetAutoupdateTaskName());
  InstallationImpl without_status(folder_, nullptr);
  EXPECT_EQ(StatusSource::kInvalid, without_status.GetInstallationStatus().source);
}

TEST_F(InstallationTest, TheRunningExecutablesFolderOrItsParentWithTheLauncher) {
  const base::FilePath version = folder_.Append(L"12.0.345.6");
  ASSERT_TRUE(base::CreateDirectory(version));
  base::ScopedPathOverride exe(base::DIR_EXE, version);
  ASSERT_TRUE(exe.is_valid());
  // No launcher.exe anywhere: the executable's own folder.
  EXPECT_EQ(version, InstallationImpl().GetInstallFolder());
  ASSERT_TRUE(base::WriteFile(folder_.Append(L"launcher.exe"), "x"));
  EXPECT_EQ(folder_, InstallationImpl().GetInstallFolder());
  // A launcher beside the executable keeps its own folder.
  ASSERT_TRUE(base::WriteFile(version.Append(L"launcher.exe"), "x"));
  EXPECT_EQ(version, InstallationImpl().GetInstallFolder());
}

// Makes installations of `folder`.
class FolderInstallationFactory : public Installation::Factory {
 public:
  explicit FolderInstallationFactory(const base::FilePath& folder) : folder(folder) {}
  std::unique_ptr<Installation> Create() override {
    return std::make_unique<InstallationImpl>(folder);
  }

  base::FilePath folder;
};

TEST_F(InstallationTest, GetCurrentMakesItsInstallationThroughTheFactoryInPlace) {
  FolderInstallationFactory outer(folder_);
  base::ProcessWide<Installation::Factory>::ScopedOverride override_outer(&outer);
  Installation* current = Installation::GetCurrent();
  EXPECT_EQ(folder_, current->GetInstallFolder());
  EXPECT_EQ(current, Installation::GetCurrent());
  outer.folder = dir_.GetPath();
  Installation::DestroyCurrent();
  current = Installation::GetCurrent();
  EXPECT_EQ(dir_.GetPath(), current->GetInstallFolder());
  {
    FolderInstallationFactory inner(folder_);
    base::ProcessWide<Installation::Factory>::ScopedOverride override_inner(&inner);
    EXPECT_EQ(folder_, Installation::GetCurrent()->GetInstallFolder());
  }
  // The outer factory is back in place, with the installation it made.
  EXPECT_EQ(current, Installation::GetCurrent());
  EXPECT_EQ(folder_, Installation::CreateForFolder(folder_)->GetInstallFolder());
}

TEST_F(InstallationTest, ProfileFolderFromPrefsOrTheApplicationData) {
  const std::wstring user = CurrentUserName();
  base::FilePath roaming;
  ASSERT_TRUE(base::PathService::Get(base::DIR_APP_DATA, &roaming));
  const struct {
    const char* prefs;
    std::wstring profile;
  } kCases[] = {
      {"{}", roaming.Append(L"Velta Software\\Velta Marlin").value()},
      {R"({"profile_path":"D:\\Profiles\\<USERNAME>"})", L"D:\\Profiles\\" + user},
      {R"({"profile_path":"D:\\<USERNAME>\\data\\<USERNAME>"})",
       L"D:\\" + user + L"\\data\\<USERNAME>"},
      {R"({"profile_path":"D:\\Shared"})", L"D:\\Shared"},
      {R"({"single_profile":true,"profile_path":"D:\\x"})",
       folder_.Append(L"profile\\data").value()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.prefs);
    ASSERT_NO_FATAL_FAILURE(WritePrefs(c.prefs));
    InstallationImpl installation(folder_);
    base::FilePath profile;
    ASSERT_TRUE(installation.GetProfileFolder(&profile));
    EXPECT_EQ(c.profile, profile.value());
  }
  ASSERT_NO_FATAL_FAILURE(WritePrefs("{}"));
  base::FilePath granite;
  ASSERT_TRUE(InstallationImpl(folder_).GetProfileFolderForStream(&granite, Stream::kGranite));
  EXPECT_EQ(roaming.Append(L"Velta Software\\Velta Granite"), granite);
  EXPECT_FALSE(InstallationImpl(base::FilePath()).GetProfileFolder(&granite));
}

TEST_F(InstallationTest, MapsRoamingPathsToLocalOnlyWithoutAProfilePath) {
  base::FilePath roaming;
  base::FilePath local;
  ASSERT_TRUE(base::PathService::Get(base::DIR_APP_DATA, &roaming));
  ASSERT_TRUE(base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local));
  const base::FilePath cache = roaming.Append(L"Velta Software\\Cache");
  base::FilePath mapped;
  InstallationImpl(folder_).MapProfilePath(cache, &mapped);
  EXPECT_EQ(local.Append(L"Velta Software\\Cache"), mapped);
  InstallationImpl(folder_).MapProfilePath(folder_, &mapped);
  EXPECT_EQ(folder_, mapped);
  ASSERT_NO_FATAL_FAILURE(WritePrefs(R"({"profile_path":"D:\\p"})"));
  InstallationImpl(folder_).MapProfilePath(cache, &mapped);
  EXPECT_EQ(cache, mapped);
}

TEST_F(InstallationTest, ProfileToDeleteIsOnlyTheUsersOwnBrowserProfile) {
  const base::FilePath profiles = dir_.GetPath().Append(L"Profiles");
  const base::FilePath own = profiles.Append(CurrentUserName());
  ASSERT_TRUE(base::CreateDirectory(own));
  // The path's backslashes escaped for JSON.
  std::string prefs = R"({"profile_path":")";
  for (char c : profiles.AsUTF8Unsafe() + "\\<USERNAME>")
    prefs += c == '\\' ? std::string("\\\\") : std::string(1, c);
  ASSERT_NO_FATAL_FAILURE(WritePrefs(prefs + "\"}"));

  base::FilePath folder;
  // Not a browser profile (yet).
  EXPECT_FALSE(InstallationImpl(folder_).GetProfileFolderWithoutUser(&folder));
  ASSERT_TRUE(base::WriteFile(own.Append(L"Local State"), "{}"));
  ASSERT_TRUE(InstallationImpl(folder_).GetProfileFolderWithoutUser(&folder));
  // The user's own folder, never the folder of every user's profiles.
  EXPECT_EQ(own, folder);

  // The default profile folder, once it is a profile.
  ASSERT_NO_FATAL_FAILURE(WritePrefs("{}"));
  base::FilePath default_profile;
  ASSERT_TRUE(InstallationImpl(folder_).GetProfileFolder(&default_profile));
  EXPECT_FALSE(InstallationImpl(folder_).GetProfileFolderWithoutUser(&folder));
  ASSERT_TRUE(base::CreateDirectory(default_profile));
  ASSERT_TRUE(base::WriteFile(default_profile.Append(L"Local State"), "{}"));
  ASSERT_TRUE(InstallationImpl(folder_).GetProfileFolderWithoutUser(&folder));
  EXPECT_EQ(default_profile, folder);
}

TEST_F(InstallationTest, RefusesFoldersThatAreNoUsersProfile) {
  std::vector<std::wstring> refused = {
      L"C:\\",
      L"C:",
      L"c:/",
      L"\\\\server\\share",
      L"\\\\server\\share\\",
      L"\\\\server",
      L"\\\\?\\C:\\Profiles\\u",
      L"relative\\profile",
      L"\\Profiles\\u",
      L"C:\\Profiles\\..\\Windows",
      L"C:\\Profiles\\u\\..",
      L"C:\\Profiles\\.\\u",
      L"C:\\Profiles\\... \\u",
      folder_.value(),
      folder_.DirName().value(),
      base::ToLowerASCII(folder_.value()) + L"\\",
  };
  // Every system and user folder, and the folder above each.
  for (int key : {int{base::DIR_WINDOWS}, int{base::DIR_SYSTEM}, int{base::DIR_PROGRAM_FILES},
                  int{base::DIR_PROGRAM_FILESX86}, int{base::DIR_COMMON_APP_DATA},
                  int{base::DIR_COMMON_DESKTOP}, int{base::DIR_HOME}, int{base::DIR_APP_DATA},
                  int{base::DIR_LOCAL_APP_DATA}, int{base::DIR_USER_DESKTOP},
                  int{base::DIR_START_MENU}, int{base::DIR_TEMP}}) {
    base::FilePath path;
    ASSERT_TRUE(base::PathService::Get(key, &path)) << key;
    refused.push_back(path.value());
    refused.push_back(path.DirName().value());
  }
  for (const std::wstring& path : refused) {
    std::string reason;
    EXPECT_FALSE(IsDeletableProfileFolder(base::FilePath(path), folder_, &reason))
        << base::WideToUTF8(path);
    EXPECT_FALSE(reason.empty());
  }

  base::FilePath app_data;
  ASSERT_TRUE(base::PathService::Get(base::DIR_APP_DATA, &app_data));
  for (const base::FilePath& allowed :
       {app_data.Append(L"Velta Software\\Velta Marlin"), folder_.Append(L"profile\\data"),
        base::FilePath(L"D:\\Profiles\\u"), base::FilePath(L"\\\\server\\share\\u")}) {
    EXPECT_TRUE(IsDeletableProfileFolder(allowed, folder_, nullptr)) << allowed.value();
  }

  // Through the prefs: a drive root never comes back, whatever it holds.
  ASSERT_NO_FATAL_FAILURE(WritePrefs(R"({"profile_path":"C:\\<USERNAME>\\.."})"));
  base::FilePath folder;
  EXPECT_FALSE(InstallationImpl(folder_).GetProfileFolderWithoutUser(&folder));
}

// The default-browser work, with HKCU, HKLM and HKCR of this process pointed
// at sandbox keys and the shell's default-app calls recorded by a fake.
class InstallationDefaultBrowserTest : public InstallationTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(InstallationTest::SetUp());
    ASSERT_TRUE(com_.Succeeded());
    for (const test::RegistrySandbox* sandbox : {&user_, &machine_, &classes_})
      ASSERT_TRUE(sandbox->is_valid());
    overrides_.push_back(std::make_unique<test::ScopedRegistryRootOverride>(HKEY_CURRENT_USER,
                                                                             user_));
    overrides_.push_back(std::make_unique<test::ScopedRegistryRootOverride>(HKEY_LOCAL_MACHINE,
                                                                             machine_));
    overrides_.push_back(std::make_unique<test::ScopedRegistryRootOverride>(HKEY_CLASSES_ROOT,
                                                                             classes_));
    for (const auto& root_override : overrides_)
      ASSERT_TRUE(root_override->is_valid());
  }

  void TearDown() override { overrides_.clear(); }

  static void Write(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& data) {
    base::win::RegKey reg_key;
    ASSERT_EQ(ERROR_SUCCESS, reg_key.Create(root, key.c_str(), KEY_WRITE));
    ASSERT_EQ(ERROR_SUCCESS, reg_key.WriteValue(name, data.c_str()));
  }

  static std::wstring Read(HKEY root, const std::wstring& key, const wchar_t* name) {
    std::wstring data;
    base::win::RegKey(root, key.c_str(), KEY_READ).ReadValue(name, &data);
    return data;
  }

  // Makes `command` the user's handler of "http".
  void SetHttpHandler(const std::wstring& prog_id, const std::wstring& command) {
    ASSERT_NO_FATAL_FAILURE(
        Write(HKEY_CURRENT_USER,
              L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice",
              L"ProgId", prog_id));
    ASSERT_NO_FATAL_FAILURE(
        Write(HKEY_CLASSES_ROOT, prog_id + L"\\shell\\open\\command", L"", command));
  }

  std::wstring LauncherCommand() const {
    return L"\"" + base::ToUpperASCII(folder_.Append(L"launcher.exe").value()) + L"\" -- \"%1\"";
  }

  base::win::ScopedCOMInitializer com_;
  test::RegistrySandbox user_;
  test::RegistrySandbox machine_;
  test::RegistrySandbox classes_;
  std::vector<std::unique_ptr<test::ScopedRegistryRootOverride>> overrides_;
  FakeShellDefaultApps shell_;
  base::ProcessWide<ShellDefaultApps>::ScopedOverride shell_override_{&shell_};
};

TEST_F(InstallationDefaultBrowserTest, KnowsItsHandlersAndRemembersThePreviousBrowser) {
  InstallationImpl installation(folder_);
  EXPECT_FALSE(installation.IsDefaultHandlerFor(L"http"));
  ASSERT_NO_FATAL_FAILURE(SetHttpHandler(L"OtherHTML", L"\"C:\\Other\\other.exe\" \"%1\""));
  installation.RememberPreviousDefaultBrowser(false);
  std::wstring previous;
  ASSERT_TRUE(installation.GetPreviousDefaultBrowser(&previous));
  EXPECT_EQ(L"\"C:\\Other\\other.exe\" \"%1\"", previous);

  // Once the browser handles "http" (letters compared without case), it is
  // never remembered as its own predecessor.
  ASSERT_NO_FATAL_FAILURE(SetHttpHandler(L"Veltamarlin", LauncherCommand()));
  EXPECT_TRUE(installation.IsDefaultHandlerFor(L"http"));
  EXPECT_FALSE(installation.IsDefaultHandlerFor(L"https"));
  EXPECT_FALSE(installation.IsDefaultBrowser());
  installation.RememberPreviousDefaultBrowser(false);
  ASSERT_TRUE(installation.GetPreviousDefaultBrowser(&previous));
  EXPECT_EQ(L"\"C:\\Other\\other.exe\" \"%1\"", previous);

  // All users: kept under HKLM, read when HKCU has none.
  ASSERT_TRUE(installation.SetPreviousDefaultBrowser(L"machine", true));
  base::win::RegKey(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(), KEY_WRITE)
      .DeleteValue(L"Previous Default Browser");
  ASSERT_TRUE(installation.GetPreviousDefaultBrowser(&previous));
  EXPECT_EQ(L"machine", previous);
}

TEST_F(InstallationDefaultBrowserTest, StartMenuClientIsReadFromTheRegistry) {
  InstallationImpl installation(folder_, std::make_unique<InstallationStatus>(
                                             StatusSource::kGenerated));
  EXPECT_FALSE(installation.IsDefaultStartMenuInternet());
  ASSERT_NO_FATAL_FAILURE(
      Write(HKEY_LOCAL_MACHINE, L"Software\\Clients\\StartMenuInternet", L"", L"Veltamarlin"));
  EXPECT_TRUE(installation.IsDefaultStartMenuInternet());
  ASSERT_NO_FATAL_FAILURE(
      Write(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", L"", L"VeltaMarlin"));
  EXPECT_FALSE(installation.IsDefaultStartMenuInternet());
}

TEST_F(InstallationDefaultBrowserTest, MakesItselfDefaultThroughTheSettingsApp) {
  // Windows 10 without the association interfaces (as under test): the
  // ProgID is registered, then the Settings app is opened for "http".
  ASSERT_GE(base::win::GetVersion(), base::win::VERSION_WIN10);
  ASSERT_FALSE(IsAssociationRegistrationAvailable());
  InstallationImpl installation(folder_);
  EXPECT_FALSE(installation.MakeDefaultBrowser(false));
  EXPECT_EQ(L"Velta Web Document",
            Read(HKEY_CURRENT_USER, L"Software\\Classes\\Veltamarlin", L"FriendlyTypeName"));
  EXPECT_EQ(L"\"" + folder_.value() + L"\\Launcher.exe\" -noautoupdate -- \"%1\"",
            Read(HKEY_CURRENT_USER, L"Software\\Classes\\Veltamarlin\\shell\\open\\command", L""));
  ASSERT_EQ(2u, shell_.calls().size());
  EXPECT_THAT(shell_.calls()[0], HasSubstr(L"page=SettingsPageAppsDefaults"));
  EXPECT_THAT(shell_.calls()[1], HasSubstr(L"SystemSettings_DefaultApps_Browser"));

  // Never for all users, and nothing to do once it handles the name.
  EXPECT_FALSE(installation.SetAsDefaultFor(L"https", true));
  ASSERT_NO_FATAL_FAILURE(SetHttpHandler(L"Veltamarlin", LauncherCommand()));
  EXPECT_FALSE(installation.SetAsDefaultFor(L"http", false));
  EXPECT_FALSE(installation.SetAsDefaultStartMenuInternet(true));
  EXPECT_EQ(2u, shell_.calls().size());
}

TEST_F(InstallationDefaultBrowserTest, SingleProfileInstallationsNeverBecomeDefault) {
  ASSERT_NO_FATAL_FAILURE(WritePrefs(R"({"single_profile":true})"));
  InstallationImpl installation(folder_);
  EXPECT_FALSE(installation.MakeDefaultBrowser(false));
  EXPECT_FALSE(base::win::RegKey(HKEY_CURRENT_USER, L"Software\\Classes\\Veltamarlin", KEY_READ)
                   .Valid());
  EXPECT_THAT(shell_.calls(), IsEmpty());
}

TEST_F(InstallationDefaultBrowserTest, RemovesOnlyTheBrowsersLiteralProgIdKey) {
  InstallationImpl installation(folder_);
  ASSERT_NO_FATAL_FAILURE(Write(HKEY_CURRENT_USER, L"Software\\Classes\\ProgID",
                                L"FriendlyTypeName", L"Other Document"));
  installation.RemoveLiteralProgIdKey(false);
  EXPECT_TRUE(base::win::RegKey(HKEY_CURRENT_USER, L"Software\\Classes\\ProgID", KEY_READ).Valid());
  ASSERT_NO_FATAL_FAILURE(Write(HKEY_CURRENT_USER, L"Software\\Classes\\ProgID",
                                L"FriendlyTypeName", L"Velta Web Document"));
  installation.RemoveLiteralProgIdKey(false);
  EXPECT_FALSE(
      base::win::RegKey(HKEY_CURRENT_USER, L"Software\\Classes\\ProgID", KEY_READ).Valid());
}

}  // namespace
}  // namespace velta
