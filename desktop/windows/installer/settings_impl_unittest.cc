// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/settings_impl.h"

#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/scoped_path_override.h"
#include "base/win/registry.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/installation/installation_impl.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/test/installer_process_test.h"
#include "desktop/windows/installer/test/scoped_host_strings.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_sandbox.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

constexpr wchar_t kProductFolder[] = L"Velta marlin";

// Every value of the settings a backend must see the same, one per line.
std::string DumpSettings(const Settings& settings) {
  const std::pair<const char*, bool> options[] = {
      {"copy_only", settings.IsCopyOnly()},
      {"single_profile", settings.IsSingleProfile()},
      {"launch", settings.IsLaunchVelta()},
      {"all_users", settings.IsAllUsers()},
      {"default_browser", settings.IsDefaultBrowser()},
      {"import", settings.IsImportBrowserData()},
      {"velta_stats", settings.IsVeltaStatsEnabled()},
      {"installer_stats", settings.IsInstallerStatsEnabled()},
      {"desktop", settings.IsDesktopShortcut()},
      {"start_menu", settings.IsStartMenuShortcut()},
      {"quick_launch", settings.IsQuickLaunchShortcut()},
      {"pinned", settings.IsPinnedShortcut()},
      {"delete_profile", settings.IsDeleteProfile()},
  };
  std::string dump;
  for (const auto& [name, value] : options)
    dump += std::string(name) + "=" + (value ? "1" : "0") + "\n";
  dump += "operation=" + std::to_string(static_cast<uint32_t>(settings.GetOperation())) + "\n";
  dump += "folder=" + base::WideToUTF8(settings.GetInstallFolder().value()) + "\n";
  dump += "profile=" + base::WideToUTF8(settings.GetProfileFolder().value()) + "\n";
  dump += "language=" + base::WideToUTF8(settings.GetLanguage()) + "\n";
  return dump;
}

// The settings of a test process dressed as an installer: its own registry
// keys for the company key and the uninstall keys, its own folders for the
// known folders the settings use, fake drives, and the real folder details
// gathered on the task scheduler.
class SettingsTest : public InstallerProcessTest {
 protected:
  base::FilePath UserFolder() const { return Folder(L"LocalAppData\\Programs").Append(kProductFolder); }

  // Settings of a process started with `switches`, once the first folder's
  // details are applied.
  std::unique_ptr<SettingsImpl> MakeSettings(
      const std::vector<std::wstring>& switches,
      PackageArchitecture architecture = PackageArchitecture::kX86) {
    process_.emplace(switches);
    const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
    auto settings = std::make_unique<SettingsImpl>(
        command_line.GetSwitchValuePath("installfolder"), architecture, true,
        InstallationFolderDetailsFetcherImpl::GetFactory());
    EXPECT_TRUE(WaitForFolderDetails(*settings));
    return settings;
  }

  void SetCompanyValue(const std::wstring& name, const std::wstring& value) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER,
                                        (sandbox_.hkcu().path() + L"\\Software\\Velta Software").c_str(),
                                        KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(name.c_str(), value.c_str()));
  }

  // An installation of this stream in `folder`, registered in the uninstall
  // keys of `root` (the test's own keys) in the view `view`.
  void AddUninstallKey(HKEY root, REGSAM view, const std::wstring& name,
                       const std::wstring& publisher, const std::wstring& display_name) {
    const std::wstring& sandbox = root == HKEY_CURRENT_USER ? sandbox_.hkcu().path() : sandbox_.hklm().path();
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              key.Create(root,
                         (sandbox + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                          name)
                             .c_str(),
                         KEY_SET_VALUE | view));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"Publisher", publisher.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"DisplayName", display_name.c_str()));
  }

  // An installation in `folder` as its status file describes it.
  void MakeInstallation(const base::FilePath& folder, bool all_users, bool copy_only) {
    InstallationStatus status(StatusSource::kGenerated);
    status.path = folder;
    status.all_users = all_users;
    status.copy_only = copy_only;
    status.app_id = L"abc";
    ASSERT_TRUE(base::CreateDirectory(folder));
    ASSERT_TRUE(WriteInstallationStatusJson(status, folder.Append(L"installation_status.json")));
  }

  FakeWinApi& win_api_ = sandbox_.win_api();
};

TEST(ParseBoolSwitchValueTest, YesTrueOrANonZeroNumberIsOn) {
  for (const wchar_t* on : {L"1", L"yes", L"YES", L"True", L"TRUE", L"7", L" 12", L"-3", L"+4",
                            L"5 apples", L"007"}) {
    EXPECT_TRUE(SettingsImpl::ParseBoolSwitchValue(on)) << on;
  }
  for (const wchar_t* off : {L"", L"0", L"no", L"false", L"y", L"on", L"x7", L"+0", L"-", L" ",
                             L"00", L"yes please"}) {
    EXPECT_FALSE(SettingsImpl::ParseBoolSwitchValue(off)) << off;
  }
}

TEST(SettingsOptionNameTest, OnlyTheFirstFourteenBitsHaveNames) {
  EXPECT_STREQ("COPY_ONLY", GetSettingsOptionName(0));
  EXPECT_STREQ("DELETE_PROFILE", GetSettingsOptionName(13));
  EXPECT_STREQ("", GetSettingsOptionName(14));
  EXPECT_STREQ("", GetSettingsOptionName(0xFFFFFFFF));
}

struct SwitchCase {
  const char* name;
  std::vector<std::wstring> switches;
  // The options that differ from a run without switches, "name=0/1" as
  // DumpSettings writes them.
  std::vector<std::string> changed;
};

class SettingsSwitchTest : public SettingsTest, public testing::WithParamInterface<SwitchCase> {};

// What a new installation in an empty folder ends with.
TEST_P(SettingsSwitchTest, EachSwitchSetsItsOption) {
  const std::wstring folder = L"installfolder=" + Folder(L"target").value();
  std::vector<std::wstring> switches = {folder};
  std::unique_ptr<SettingsImpl> plain = MakeSettings(switches);
  std::string expected = DumpSettings(*plain);
  plain.reset();
  for (const std::string& change : GetParam().changed) {
    const std::string name = change.substr(0, change.find('=') + 1);
    const size_t at = expected.find(name);
    ASSERT_NE(std::string::npos, at) << change;
    expected.replace(at, expected.find('\n', at) - at, change);
  }
  switches.insert(switches.end(), GetParam().switches.begin(), GetParam().switches.end());
  std::unique_ptr<SettingsImpl> settings = MakeSettings(switches);
  EXPECT_EQ(expected, DumpSettings(*settings));
  EXPECT_EQ(InstallOperation::kNewInstallation, settings->GetOperation());
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SettingsSwitchTest,
    testing::Values(
        SwitchCase{"None", {}, {}},
        SwitchCase{"CopyOnly",
                   {L"copyonly=1", L"allusers=1", L"setdefaultbrowser=1", L"install-assistant"},
                   {"copy_only=1", "single_profile=1", "desktop=0", "start_menu=0",
                    "quick_launch=0", "pinned=0"}},
        SwitchCase{"BareCopyOnlyIsOff", {L"copyonly"}, {}},
        SwitchCase{"CopyOnlyNo", {L"copyonly=no"}, {}},
        SwitchCase{"LaunchVelta", {L"launchvelta=0"}, {"launch=0"}},
        SwitchCase{"LaunchBrowser", {L"launchbrowser=false"}, {"launch=0"}},
        SwitchCase{"LaunchVeltaWins", {L"launchvelta=1", L"launchbrowser=0"}, {}},
        SwitchCase{"EnableStatsSetsBoth", {L"enable-stats=0"},
                   {"velta_stats=0", "installer_stats=0"}},
        SwitchCase{"InstallerStatsAlone", {L"enable-stats=0", L"enable-installer-stats=1"},
                   {"velta_stats=0"}},
        SwitchCase{"OnlyInstallerStats", {L"enable-installer-stats=0"}, {"installer_stats=0"}},
        SwitchCase{"Import", {L"import-browser-data=0"}, {"import=0"}},
        SwitchCase{"AllUsers", {L"allusers=yes"}, {"all_users=1"}},
        SwitchCase{"DefaultBrowser", {L"setdefaultbrowser=TRUE"}, {"default_browser=1"}},
        SwitchCase{"Shortcuts",
                   {L"desktopshortcut=0", L"startmenushortcut=0", L"quicklaunchshortcut=0",
                    L"pintotaskbar=0"},
                   {"desktop=0", "start_menu=0", "quick_launch=0", "pinned=0"}},
        SwitchCase{"SingleProfile", {L"singleprofile=1"}, {"single_profile=1"}},
        // The language actually chosen is kept: the host offers English only.
        SwitchCase{"Language", {L"language=sv"}, {"language=sv"}},
        // Georgian has no table: the system's preferred language stands in.
        SwitchCase{"LanguageWithoutTable", {L"language=ka"}, {"language=en-US"}}),
    [](const testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

TEST_F(SettingsTest, ProfileFolderAndAssistantAndRunImmediately) {
  std::unique_ptr<SettingsImpl> settings =
      MakeSettings({L"profile-folder=" + Folder(L"profile").value(), L"install-assistant",
                    L"runimmediately"});
  EXPECT_EQ(Folder(L"profile"), settings->GetProfileFolder());
  EXPECT_TRUE(settings->IsInstallAssistant());
  EXPECT_TRUE(settings->ShouldRunImmediately());
  EXPECT_EQ(UserFolder(), settings->GetInstallFolder());
}

TEST_F(SettingsTest, RegistryFolderIsUsedOnlyWhenItIsAnExistingAbsoluteFolder) {
  const base::FilePath last = Folder(L"Last");
  ASSERT_TRUE(base::CreateDirectory(last));
  struct Case {
    std::wstring value;
    base::FilePath expected;
  } cases[] = {
      {last.value() + L"\\", last},
      {L"relative\\Velta", UserFolder()},
      {Folder(L"Missing").value(), UserFolder()},
  };
  for (const Case& c : cases) {
    SetCompanyValue(L"Last marlin Install Path", c.value);
    std::unique_ptr<SettingsImpl> settings = MakeSettings({});
    EXPECT_EQ(c.expected, settings->GetInstallFolder()) << c.value;
  }
  // The command line wins over the registry.
  SetCompanyValue(L"Last marlin Install Path", last.value());
  std::unique_ptr<SettingsImpl> settings =
      MakeSettings({L"installfolder=" + Folder(L"Given").value()});
  EXPECT_EQ(Folder(L"Given"), settings->GetInstallFolder());
}

// How a folder is spelled on the command line or in the last install path
// value: `spell` turns the folder's one form into that spelling.
struct FolderSpellingCase {
  const char* name;
  bool from_registry;
  std::wstring (*spell)(const std::wstring& folder);
};

std::wstring Slashed(const std::wstring& folder) {
  std::wstring text = folder;
  std::replace(text.begin(), text.end(), L'\\', L'/');
  return text;
}

void PrintTo(const FolderSpellingCase& spelling, std::ostream* os) {
  *os << spelling.name;
}

class SettingsFolderSpellingTest : public SettingsTest,
                                   public testing::WithParamInterface<FolderSpellingCase> {};

// The settings hold, and hand on to the backend, one form of the folder.
TEST_P(SettingsFolderSpellingTest, HoldAndHandOnTheFolderInItsOneForm) {
  const base::FilePath folder = CanonicalInstallFolder(Folder(L"Last"));
  ASSERT_TRUE(base::CreateDirectory(folder));
  const std::wstring typed = GetParam().spell(folder.value());
  std::vector<std::wstring> switches;
  if (GetParam().from_registry)
    SetCompanyValue(L"Last marlin Install Path", typed);
  else
    switches.push_back(L"installfolder=" + typed);
  std::unique_ptr<SettingsImpl> settings = MakeSettings(switches);
  EXPECT_EQ(folder, settings->GetInstallFolder()) << typed;
  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  settings->AppendToCommandLine(false, &backend);
  EXPECT_EQ(folder.value(), backend.GetSwitchValueNative("installfolder")) << typed;
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, SettingsFolderSpellingTest,
    testing::Values(
        FolderSpellingCase{"LongPathPrefixInTheRegistry", true,
                           [](const std::wstring& f) { return L"\\\\?\\" + f + L"\\"; }},
        FolderSpellingCase{"SlashesInTheRegistry", true,
                           [](const std::wstring& f) { return Slashed(f) + L"/"; }},
        FolderSpellingCase{"Slashes", false, [](const std::wstring& f) { return Slashed(f); }},
        FolderSpellingCase{"LongPathPrefix", false,
                           [](const std::wstring& f) { return L"\\\\?\\" + f; }},
        FolderSpellingCase{"DoubledSeparators", false,
                           [](const std::wstring& f) {
                             std::wstring text = f;
                             base::ReplaceSubstringsAfterOffset(&text, 3, L"\\", L"\\\\");
                             return text + L"\\";
                           }},
        FolderSpellingCase{"OtherCase", false,
                           [](const std::wstring& f) { return base::ToUpperASCII(f); }}),
    [](const testing::TestParamInfo<FolderSpellingCase>& info) { return info.param.name; });

TEST_F(SettingsTest, X64PackageLeavesThe32BitFolderUnlessAnInstallationIsThere) {
  const base::FilePath old_folder = Folder(L"ProgramFilesX86").Append(kProductFolder);
  ASSERT_TRUE(base::CreateDirectory(old_folder));
  SetCompanyValue(L"Last marlin Install Path x64", old_folder.value());
  std::unique_ptr<SettingsImpl> settings = MakeSettings({}, PackageArchitecture::kX64);
  EXPECT_EQ(UserFolder(), settings->GetInstallFolder());
  // An X86 package keeps it.
  settings = MakeSettings({}, PackageArchitecture::kX86);
  EXPECT_EQ(UserFolder(), settings->GetInstallFolder()) << "the x64 value is for X64 only";
  SetCompanyValue(L"Last marlin Install Path", old_folder.value());
  settings = MakeSettings({}, PackageArchitecture::kX86);
  EXPECT_EQ(old_folder, settings->GetInstallFolder());

  MakeInstallation(old_folder, false, false);
  settings = MakeSettings({}, PackageArchitecture::kX64);
  EXPECT_EQ(old_folder, settings->GetInstallFolder());
  EXPECT_EQ(InstallOperation::kOverExistingInstallation, settings->GetOperation());
}

TEST_F(SettingsTest, AllUsersFolderFollowsThePackageArchitecture) {
  std::unique_ptr<SettingsImpl> settings =
      MakeSettings({L"allusers=1"}, PackageArchitecture::kX64);
  EXPECT_EQ(Folder(L"ProgramFiles").Append(kProductFolder), settings->GetInstallFolder());
  settings = MakeSettings({L"allusers=1"}, PackageArchitecture::kX86);
  EXPECT_EQ(Folder(L"ProgramFilesX86").Append(kProductFolder), settings->GetInstallFolder());
}

TEST_F(SettingsTest, StandaloneFolderGoesToTheBestReadyDrive) {
  constexpr auto kBit = [](wchar_t letter) { return 1u << (letter - L'A'); };
  auto drive = [](unsigned int type, bool media) {
    FakeWinApi::FakeDrive fake;
    fake.drive_type = type;
    fake.media_present = media;
    return fake;
  };
  struct Case {
    std::vector<std::pair<wchar_t, FakeWinApi::FakeDrive>> drives;
    base::FilePath expected;
  };
  const base::FilePath desktop = Folder(L"Desktop").Append(kProductFolder);
  const Case cases[] = {
      // Removable before remote before fixed; the earliest letter on a tie.
      {{{L'C', drive(DRIVE_FIXED, true)},
        {L'E', drive(DRIVE_REMOVABLE, true)},
        {L'F', drive(DRIVE_REMOVABLE, true)}},
       base::FilePath(L"E:\\").Append(kProductFolder)},
      {{{L'C', drive(DRIVE_FIXED, true)}, {L'N', drive(DRIVE_REMOTE, true)}},
       base::FilePath(L"N:\\").Append(kProductFolder)},
      // A drive without its medium is no candidate.
      {{{L'E', drive(DRIVE_REMOVABLE, false)}, {L'C', drive(DRIVE_FIXED, true)}},
       base::FilePath(L"C:\\").Append(kProductFolder)},
      // The desktop (5) comes before a CD-ROM (6) and unknown drives (7).
      {{{L'D', drive(DRIVE_CDROM, true)}, {L'G', drive(DRIVE_UNKNOWN, true)}}, desktop},
      {{}, desktop},
  };
  for (const Case& c : cases) {
    uint32_t mask = 0;
    for (const auto& [letter, fake] : c.drives) {
      mask |= kBit(letter);
      win_api_.SetDrive(letter, fake);
    }
    win_api_.SetDriveMask(mask);
    std::unique_ptr<SettingsImpl> settings = MakeSettings({});
    EXPECT_EQ(c.expected, settings->GetStandaloneFolder());
    for (const auto& [letter, fake] : c.drives)
      win_api_.SetDrive(letter, FakeWinApi::FakeDrive());
  }
  // A copy-only run installs there.
  std::unique_ptr<SettingsImpl> settings = MakeSettings({L"copyonly=1"});
  EXPECT_EQ(desktop, settings->GetInstallFolder());
  EXPECT_EQ(InstallMode::kStandalone, settings->GetInstallMode());
}

TEST_F(SettingsTest, UninstallScanFindsTwoInstallationsOfThisStream) {
  std::unique_ptr<SettingsImpl> settings = MakeSettings({});
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"Velta marlin", L"Velta Software",
                  L"Velta marlin 12.0");
  // Not counted: another publisher, another stream, no word after the stream.
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"VeltaOther", L"Someone", L"Velta marlin 1");
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"VeltaKestrel", L"Velta Software", L"Velta Kestrel 1");
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"VeltaShort", L"Velta Software", L"Velta marlin");
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"Other", L"Velta Software", L"Velta marlin 1");
  settings->ScanUninstallKeys();
  EXPECT_TRUE(settings->HasNoDuplicateStreamInstalls());

  win_api_.SetOsArchitecture(base::win::OSInfo::X64_ARCHITECTURE);
  AddUninstallKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"Velta Marlin", L"Velta Software",
                  L"Velta Marlin 13.0");
  const size_t opened_before = win_api_.CallsTo("OpenRegKey").size();
  settings->ScanUninstallKeys();
  EXPECT_FALSE(settings->HasNoDuplicateStreamInstalls());
  // HKCU and the 64-bit view of HKLM were enough: the 32-bit view was not opened.
  EXPECT_EQ(opened_before + 2, win_api_.CallsTo("OpenRegKey").size());
}

TEST_F(SettingsTest, ExistingInstallationDecidesItsOwnOptions) {
  const base::FilePath folder = Folder(L"Existing");
  MakeInstallation(folder, /*all_users=*/true, /*copy_only=*/false);
  std::unique_ptr<SettingsImpl> settings =
      MakeSettings({L"installfolder=" + folder.value(), L"singleprofile=1"});
  EXPECT_EQ(InstallOperation::kOverExistingInstallation, settings->GetOperation());
  EXPECT_TRUE(settings->IsAllUsers());
  // No shortcut of it was found, and none was asked for.
  EXPECT_FALSE(settings->IsDesktopShortcut());
  EXPECT_FALSE(settings->IsStartMenuShortcut());
  EXPECT_TRUE(settings->IsPinnedShortcut());
  EXPECT_FALSE(settings->IsSingleProfile());
  EXPECT_FALSE(settings->SetAllUsers(false));
  EXPECT_FALSE(settings->SetSingleProfile(true));
  EXPECT_FALSE(settings->SetCopyOnly(true));
  EXPECT_TRUE(settings->IsAllUsers());

  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  settings->AppendToCommandLine(false, &backend);
  EXPECT_TRUE(backend.HasSwitch("install"));
  for (const char* name : {"copyonly", "singleprofile", "allusers"})
    EXPECT_FALSE(backend.HasSwitch(name)) << name;
  EXPECT_EQ("0", backend.GetSwitchValueASCII("desktopshortcut"));

  // The protocol-handler registration on the same folder.
  settings = MakeSettings({L"installfolder=" + folder.value(),
                           L"register-velta-as-protocol-handler"});
  EXPECT_EQ(InstallOperation::kRegisterProtocolHandler, settings->GetOperation());
}

TEST_F(SettingsTest, SetterRules) {
  std::unique_ptr<SettingsImpl> settings = MakeSettings({L"desktopshortcut=0"});
  // Turning COPY_ONLY off again turns on every shortcut whose switch is
  // absent, even one the user cleared.
  EXPECT_TRUE(settings->SetStartMenuShortcut(false));
  EXPECT_TRUE(settings->SetCopyOnly(true));
  EXPECT_FALSE(settings->SetDesktopShortcut(true));
  EXPECT_FALSE(settings->SetDefaultBrowser(true));
  EXPECT_FALSE(settings->SetInstallAssistant(true));
  EXPECT_TRUE(settings->SetCopyOnly(false));
  EXPECT_TRUE(settings->IsStartMenuShortcut());
  EXPECT_FALSE(settings->IsDesktopShortcut());

  EXPECT_FALSE(settings->SetDeleteProfile(true));
  EXPECT_FALSE(settings->IsDeleteProfile());

  // An explicit statistics choice survives new folder details.
  EXPECT_TRUE(settings->SetEnableStats(false));
  settings->SetInstallFolder(Folder(L"Elsewhere").value());
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_EQ(Folder(L"Elsewhere"), settings->GetInstallFolder());
  EXPECT_FALSE(settings->IsVeltaStatsEnabled());
  EXPECT_FALSE(settings->IsInstallerStatsEnabled());

  settings->SetEditable(false);
  EXPECT_FALSE(settings->SetLaunchVelta(false));
  EXPECT_FALSE(settings->SetMode(InstallMode::kAllUsers));
  EXPECT_TRUE(settings->IsLaunchVelta());
}

TEST_F(SettingsTest, DetailsArrivingWhileNotEditableAreDroppedAndTheFetchEnds) {
  std::unique_ptr<SettingsImpl> settings = MakeSettings({});
  const base::FilePath first = settings->GetInstallFolder();
  settings->SetInstallFolder(Folder(L"Late").value());
  ASSERT_TRUE(settings->IsFetchingFolderDetails());
  settings->SetEditable(false);
  EXPECT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_EQ(first, settings->GetInstallFolder());
  EXPECT_EQ(InstallOperation::kNewInstallation, settings->GetOperation());
}

// Typing a folder and then the current one again (A, B, A) ends on A: the
// check of B, still running, is dropped and never applied.
TEST_F(SettingsTest, ReturningToTheCurrentFolderDropsTheCheckOfAnother) {
  std::unique_ptr<SettingsImpl> settings = MakeSettings({});
  const base::FilePath current = settings->GetInstallFolder();
  settings->SetInstallFolder(Folder(L"Typed").value());
  ASSERT_TRUE(settings->IsFetchingFolderDetails());
  settings->SetInstallFolder(current.value());
  EXPECT_FALSE(settings->IsFetchingFolderDetails());
  // Whatever the dropped check still posts runs now.
  base::TaskScheduler::GetInstance()->FlushForTesting();
  base::RunLoop().RunUntilIdle();
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_EQ(current, settings->GetInstallFolder());
  EXPECT_EQ(InstallOperation::kNewInstallation, settings->GetOperation());
}

TEST_F(SettingsTest, ModeMovesOnlyAFolderTheUserKeptAtItsDefault) {
  std::unique_ptr<SettingsImpl> settings = MakeSettings({});
  ASSERT_EQ(UserFolder(), settings->GetInstallFolder());
  EXPECT_TRUE(settings->SetMode(InstallMode::kAllUsers));
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_EQ(Folder(L"ProgramFilesX86").Append(kProductFolder), settings->GetInstallFolder());
  EXPECT_TRUE(settings->IsAllUsers());

  settings->SetInstallFolder(Folder(L"Chosen").value());
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_TRUE(settings->SetMode(InstallMode::kCurrentUser));
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_EQ(Folder(L"Chosen"), settings->GetInstallFolder());
  EXPECT_EQ(InstallMode::kCurrentUser, settings->GetInstallMode());
  EXPECT_FALSE(settings->SetMode(static_cast<InstallMode>(7)));
}

TEST_F(SettingsTest, UnusableFolderIsAProblemAndTheCheckRefusesIt) {
  std::unique_ptr<SettingsImpl> settings = MakeSettings({L"installfolder=relative"});
  EXPECT_EQ(InstallOperation::kNotDecided, settings->GetOperation());
  EXPECT_EQ(InstallFolderProblem::kInvalidPath, settings->GetInstallFolderProblem());
  ScopedInstallerErrorRecord error_record;
  EXPECT_FALSE(ValidateInstallerSettings(settings->GetSettingsCheck()));
  EXPECT_EQ(3u, GetInstallerErrorCode());

  // Not enough space on the install drive.
  FakeWinApi::FakeDrive small;
  small.free_megabytes = 10;
  win_api_.SetDrive(Folder(L"x").value()[0], small);
  settings = MakeSettings({L"installfolder=" + Folder(L"Small").value()});
  EXPECT_EQ(InstallFolderProblem::kNotEnoughSpace, settings->GetInstallFolderProblem());
  EXPECT_FALSE(ValidateInstallerSettings(settings->GetSettingsCheck()));
  EXPECT_EQ(4u, GetInstallerErrorCode());
  std::wstring text;
  GetInstallerError(nullptr, nullptr, &text);
  EXPECT_THAT(text, HasSubstr(L"MB needed)"));
}

TEST_F(SettingsTest, UninstallWithoutAnInstallationIsAProblem) {
  const base::FilePath folder = Folder(L"Empty");
  ASSERT_TRUE(base::CreateDirectory(folder));
  std::unique_ptr<SettingsImpl> settings = MakeSettings({L"uninstall"});
  settings->SetInstallFolder(folder.value());
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_EQ(InstallFolderProblem::kNoInstallation, settings->GetInstallFolderProblem());
  ScopedInstallerErrorRecord error_record;
  EXPECT_FALSE(ValidateInstallerSettings(settings->GetSettingsCheck()));
  EXPECT_EQ(2u, GetInstallerErrorCode());
}

// Makes the current installation of the uninstall tests, of `folder`.
class CurrentInstallationFactory : public Installation::Factory {
 public:
  explicit CurrentInstallationFactory(const base::FilePath& folder) : folder_(folder) {}
  std::unique_ptr<Installation> Create() override {
    return std::make_unique<InstallationImpl>(folder_);
  }

 private:
  const base::FilePath folder_;
};

TEST_F(SettingsTest, UninstallRemovesTheCurrentInstallation) {
  base::FilePath current = Folder(L"Current");
  MakeInstallation(current, false, false);
  CurrentInstallationFactory factory(current);
  base::ProcessWide<Installation::Factory>::ScopedOverride override_factory(&factory);
  std::unique_ptr<SettingsImpl> settings = MakeSettings({L"uninstall", L"deleteuserprofile=1"});
  EXPECT_EQ(current, settings->GetInstallFolder());
  EXPECT_EQ(InstallOperation::kUninstall, settings->GetOperation());
  ScopedInstallerErrorRecord error_record;
  EXPECT_TRUE(ValidateInstallerSettings(settings->GetSettingsCheck()));
  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  settings->AppendToCommandLine(false, &backend);
  EXPECT_TRUE(backend.HasSwitch("uninstall"));
  EXPECT_EQ("1", backend.GetSwitchValueASCII("deleteuserprofile"));
  EXPECT_FALSE(backend.HasSwitch("install"));
  EXPECT_FALSE(backend.HasSwitch("installfolder"));
  settings.reset();
}

TEST_F(SettingsTest, UninstallReadsOnlyDeleteUserProfileAndScansUnlessABackend) {
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"Velta marlin", L"Velta Software", L"Velta marlin 1");
  AddUninstallKey(HKEY_CURRENT_USER, 0, L"Velta marlin 2", L"Velta Software", L"Velta marlin 2");
  std::unique_ptr<SettingsImpl> settings =
      MakeSettings({L"uninstall", L"deleteuserprofile=yes", L"language=sv", L"copyonly=1",
                    L"desktopshortcut=0"});
  EXPECT_TRUE(settings->IsDeleteProfile());
  EXPECT_TRUE(settings->SetDeleteProfile(false));
  EXPECT_FALSE(settings->IsCopyOnly());
  EXPECT_FALSE(settings->IsDesktopShortcut());
  EXPECT_NE(L"sv", settings->GetLanguage());
  EXPECT_FALSE(settings->HasNoDuplicateStreamInstalls());

  settings = MakeSettings({L"uninstall", L"backend"});
  EXPECT_FALSE(settings->IsDeleteProfile());
  EXPECT_TRUE(settings->HasNoDuplicateStreamInstalls());
}

TEST_F(SettingsTest, BackendIsHandedTheSwitchesItNeedsAsGiven) {
  const std::wstring tracking = Folder(L"tracking data").value();
  std::unique_ptr<SettingsImpl> settings = MakeSettings(
      {L"initial-pid=4242", L"temp-folder=" + Folder(L"temp").value(), L"components=assistant",
       L"v=2", L"server-tracking-data=" + tracking, L"import-bookmarks=" + Folder(L"b").value(),
       L"import-session=1", L"import-topsites-to-startpage", L"with-feature:installer-simplified-ui=on",
       L"unknown-switch=1"});
  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  settings->AppendToCommandLine(true, &backend);
  EXPECT_EQ("4242", backend.GetSwitchValueASCII("initial-pid"));
  EXPECT_EQ(Folder(L"temp"), backend.GetSwitchValuePath("temp-folder"));
  EXPECT_EQ("assistant", backend.GetSwitchValueASCII("components"));
  EXPECT_EQ("2", backend.GetSwitchValueASCII("v"));
  EXPECT_EQ(base::FilePath(tracking), backend.GetSwitchValuePath("server-tracking-data"));
  EXPECT_EQ(Folder(L"b"), backend.GetSwitchValuePath("import-bookmarks"));
  EXPECT_EQ("1", backend.GetSwitchValueASCII("import-session"));
  EXPECT_TRUE(backend.HasSwitch("import-topsites-to-startpage"));
  EXPECT_FALSE(backend.HasSwitch("unknown-switch"));
  // Launching was suppressed; the language is written when known, the
  // profile folder always, even empty.
  EXPECT_EQ("0", backend.GetSwitchValueASCII("launchvelta"));
  EXPECT_TRUE(backend.HasSwitch("profile-folder"));
  EXPECT_EQ(L"", backend.GetSwitchValueNative("profile-folder"));
  EXPECT_FALSE(backend.GetSwitchValueNative("language").empty());
}

// The profile folder goes into installer_prefs.json for the browser: only an
// absolute folder path is taken, judged with its first "<USERNAME>" filled
// in as the installation fills it and at any length, and kept as given;
// anything else is dropped with a warning that names the switch.
TEST_F(SettingsTest, ProfileFolderMustBeAnAbsoluteFolderPath) {
  const base::FilePath file = Folder(L"profile.txt");
  ASSERT_TRUE(base::WriteFile(file, "x"));
  std::wstring user;
  ASSERT_TRUE(GetCurrentUserName(&user));
  ASSERT_TRUE(base::CreateDirectory(Folder(L"files")));
  ASSERT_TRUE(base::WriteFile(Folder(L"files").Append(user), "x"));
  const base::FilePath folder = Folder(L"Profiles\\Velta");
  const base::FilePath per_user = Folder(L"Profiles\\<USERNAME>");
  const base::FilePath inside = Folder(L"<USERNAME>\\data");
  const base::FilePath long_folder = Folder(std::wstring(120, L'p') + L"\\" +
                                            std::wstring(120, L'q') + L"\\<USERNAME>");
  const struct {
    std::wstring value;
    base::FilePath kept;
  } cases[] = {
      {folder.value(), folder},
      {per_user.value(), per_user},
      {inside.value(), inside},
      {long_folder.value(), long_folder},
      {L"", base::FilePath()},
      {L" ", base::FilePath()},
      {L"Profiles\\Velta", base::FilePath()},
      {L"Profiles\\<USERNAME>", base::FilePath()},
      {L"<USERNAME>", base::FilePath()},
      {Folder(L"a|b").value(), base::FilePath()},
      {Folder(L"a|b\\<USERNAME>").value(), base::FilePath()},
      // Only the first placeholder is filled in.
      {Folder(L"<USERNAME>\\<USERNAME>").value(), base::FilePath()},
      {file.value(), base::FilePath()},
      // The user's own folder would be a file.
      {Folder(L"files\\<USERNAME>").value(), base::FilePath()},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.value);
    base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
    std::unique_ptr<SettingsImpl> settings =
        MakeSettings({L"profile-folder=" + test_case.value});
    EXPECT_EQ(test_case.kept, settings->GetProfileFolder());
    const bool dropped = !test_case.value.empty() && test_case.kept.empty();
    EXPECT_EQ(dropped ? 1 : 0,
              std::count_if(warnings.lines.begin(), warnings.lines.end(),
                            [](const std::string& line) {
                              return line.find("profile-folder") != std::string::npos;
                            }));
  }
}

// Component entries name folders, which need not be ASCII: the backend gets
// the value as it was given.
TEST_F(SettingsTest, BackendIsHandedTheComponentsWhole) {
  const std::wstring components = L"assistant:Avustaja \u00e4\u00f6|suite:\u043f\u0430\u043a\u0435\u0442";
  std::unique_ptr<SettingsImpl> settings = MakeSettings({L"components=" + components});
  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  settings->AppendToCommandLine(false, &backend);
  EXPECT_EQ(components, backend.GetSwitchValueNative("components"));
}

TEST_F(SettingsTest, StatusParsedIsSentForEachFolderWithAnInstallation) {
  std::vector<std::string> types;
  RecordingStatsSender sender(&types);
  base::ProcessWide<AvroStatsSender>::ScopedOverride sender_override(&sender);
  const base::FilePath existing = Folder(L"Existing");
  MakeInstallation(existing, false, false);
  std::unique_ptr<SettingsImpl> settings = MakeSettings({});
  EXPECT_THAT(types, testing::IsEmpty());
  settings->SetInstallFolder(existing.value());
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  settings->RefreshFolderDetails();
  ASSERT_TRUE(WaitForFolderDetails(*settings));
  EXPECT_THAT(types, ElementsAre("status_parsed", "status_parsed"));
}

// Builds settings from this process's command line, as a backend does, and
// prints them.
VELTA_TEST_CHILD_MAIN(BackendSettings) {
  ScopedInstallerThreads threads;
  ScopedHostStrings strings;
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  SettingsImpl settings(command_line.GetSwitchValuePath("installfolder"),
                        PackageArchitecture::kX86, false,
                        InstallationFolderDetailsFetcherImpl::GetFactory());
  if (!WaitForFolderDetails(settings))
    return 2;
  printf("%s", DumpSettings(settings).c_str());
  return 0;
}

TEST_F(SettingsTest, BackendReadsBackTheSettingsItIsGiven) {
  const std::vector<std::vector<std::wstring>> runs = {
      {L"launchvelta=0", L"enable-stats=0", L"import-browser-data=0", L"allusers=1",
       L"setdefaultbrowser=1", L"desktopshortcut=0", L"quicklaunchshortcut=0", L"language=sv",
       L"profile-folder=" + Folder(L"profile").value(), L"installfolder=" + Folder(L"A").value()},
      {L"copyonly=1", L"singleprofile=0", L"installfolder=" + Folder(L"B").value()},
      {L"enable-installer-stats=0", L"pintotaskbar=0", L"startmenushortcut=0",
       L"installfolder=" + Folder(L"C").value()},
  };
  for (const std::vector<std::wstring>& switches : runs) {
    std::unique_ptr<SettingsImpl> settings = MakeSettings(switches);
    base::CommandLine child = test::MakeChildCommandLine("BackendSettings");
    base::CommandLine backend(base::CommandLine::NO_PROGRAM);
    settings->AppendToCommandLine(false, &backend);
    for (const auto& [name, value] : backend.GetSwitches())
      child.AppendSwitchNative(name, value);
    test::ChildOptions options;
    options.capture_output = true;
    const test::ChildResult result = test::RunChild(child, options);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(0u, result.exit_code);
    // The child's standard output is in text mode.
    std::string output = result.output;
    std::erase(output, '\r');
    EXPECT_EQ(DumpSettings(*settings), output) << backend.GetCommandLineString();
  }
}

}  // namespace
}  // namespace velta
