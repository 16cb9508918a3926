// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation_folder_details_impl.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/scoped_path_override.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/utils/taskband_utils_impl.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr uint64_t kPlenty = 1000000;

void WriteTextMakingFolder(const base::FilePath& path, const std::string& text) {
  ASSERT_TRUE(base::CreateDirectory(path.DirName()));
  ASSERT_TRUE(base::WriteFile(path, text.data(), static_cast<int>(text.size())));
}

// A drive letter that the machine does not have.
wchar_t FindMissingDrive() {
  const DWORD present = ::GetLogicalDrives();
  for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
    if (!(present & (1u << (letter - L'A'))))
      return letter;
  }
  return 0;
}

// Details are gathered in the test's own scratch folder, with the drives'
// free space, the access check and the taskbar pins folder under the test's
// control, and the installer's task scheduler running (installer_prefs.json
// is opened through it).
class InstallationFolderDetailsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    base::FilePath temp;
    ASSERT_TRUE(base::PathService::Get(base::DIR_TEMP, &temp));
    temp_drive_ = temp.value()[0];
    SetFreeMegabytes(temp_drive_, kPlenty);
    pins_override_.emplace(base::DIR_TASKBAR_PINS, dir_.GetPath().Append(L"Pins"));
    start_menu_override_.emplace(base::DIR_START_MENU, dir_.GetPath().Append(L"Programs"));
    app_data_override_.emplace(base::DIR_APP_DATA, dir_.GetPath().Append(L"AppData"));
    base::TaskScheduler::Create("installer");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(one, one, one, one));
  }

  void TearDown() override {
    base::TaskScheduler::GetInstance()->JoinForTesting();
    base::TaskScheduler::SetInstance(nullptr);
  }

  void SetFreeMegabytes(wchar_t letter, uint64_t megabytes,
                        unsigned int type = DRIVE_FIXED) {
    FakeWinApi::FakeDrive drive;
    drive.drive_type = type;
    drive.free_megabytes = megabytes;
    win_api_.SetDrive(letter, drive);
  }

  std::unique_ptr<InstallationFolderDetails> Examine(const base::FilePath& path) {
    auto details =
        std::make_unique<InstallationFolderDetailsImpl>(std::make_unique<TaskbandUtilsImpl>());
    details->Initialize(path, StatusRecoveryMode::kNone);
    return details;
  }

  base::FilePath Folder(const std::wstring& name) const { return dir_.GetPath().Append(name); }
  std::wstring TempDrive() const { return std::wstring(1, temp_drive_) + L":"; }

  base::MessageLoop message_loop_;
  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
  wchar_t temp_drive_ = 0;
  FakeWinApi win_api_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  FakeSecurityUtils security_;
  base::ProcessWide<SecurityUtils>::ScopedOverride security_override_{&security_};
  ScopedInstallerProcess process_{{}};
  std::optional<base::ScopedPathOverride> pins_override_;
  std::optional<base::ScopedPathOverride> start_menu_override_;
  std::optional<base::ScopedPathOverride> app_data_override_;
};

TEST_F(InstallationFolderDetailsTest, UnusablePathsStopAtTheCheck) {
  const base::FilePath file = Folder(L"file.txt");
  WriteTextMakingFolder(file, "x");
  const wchar_t missing = FindMissingDrive();
  ASSERT_NE(0, missing);
  const wchar_t cd_rom = missing - 1;
  ASSERT_FALSE(::GetLogicalDrives() & (1u << (cd_rom - L'A')));
  SetFreeMegabytes(cd_rom, kPlenty, DRIVE_CDROM);
  const std::wstring cases[] = {
      L"",
      L"relative\\Velta",
      file.value(),
      Folder(L"bad|name").value(),
      std::wstring(1, missing) + L":\\Velta",
      std::wstring(1, cd_rom) + L":\\Velta",
      // A share that cannot be found is a missing drive too.
      L"\\\\velta-missing-host\\share\\Velta",
  };
  for (const std::wstring& path : cases) {
    std::unique_ptr<InstallationFolderDetails> details = Examine(base::FilePath(path));
    EXPECT_EQ(InstallFolderProblem::kInvalidPath, details->GetInstallationFolderProblem())
        << path;
    EXPECT_TRUE(details->GetValidParent().empty()) << path;
    EXPECT_FALSE(details->HasWriteAccess()) << path;
  }
  // Nothing was gathered, so nothing was asked about access.
  EXPECT_THAT(security_.access_queries(), IsEmpty());
}

TEST_F(InstallationFolderDetailsTest, EmptyFolderIsUsableAndWritable) {
  const base::FilePath folder = Folder(L"Velta marlin");
  ASSERT_TRUE(base::CreateDirectory(folder));
  std::unique_ptr<InstallationFolderDetails> details = Examine(folder);
  EXPECT_EQ(InstallFolderProblem::kNone, details->GetInstallationFolderProblem());
  EXPECT_EQ(folder, details->GetValidParent());
  EXPECT_FALSE(details->HasExistingInstallation());
  EXPECT_FALSE(details->HasExistingInstallationTraces());
  EXPECT_TRUE(details->HasWriteAccess());
  EXPECT_THAT(security_.access_queries(), ElementsAre(folder.value()));
}

TEST_F(InstallationFolderDetailsTest, MissingFolderIsJudgedByTheNearestExistingParent) {
  const base::FilePath folder = Folder(L"a\\b\\Velta marlin");
  ASSERT_TRUE(base::CreateDirectory(Folder(L"a")));
  security_.DenyAccess(Folder(L"a").value());
  std::unique_ptr<InstallationFolderDetails> details = Examine(folder);
  EXPECT_EQ(InstallFolderProblem::kNone, details->GetInstallationFolderProblem());
  EXPECT_EQ(Folder(L"a"), details->GetValidParent());
  EXPECT_FALSE(details->HasWriteAccess());

  // A file on the way leaves no valid parent.
  WriteTextMakingFolder(Folder(L"plain"), "x");
  details = Examine(Folder(L"plain\\Velta marlin"));
  EXPECT_TRUE(details->GetValidParent().empty());
}

TEST_F(InstallationFolderDetailsTest, UnwritableFolderHasNoWriteAccess) {
  const base::FilePath folder = Folder(L"locked");
  ASSERT_TRUE(base::CreateDirectory(folder));
  security_.DenyAccess(folder.value());
  std::unique_ptr<InstallationFolderDetails> details = Examine(folder);
  EXPECT_EQ(InstallFolderProblem::kNone, details->GetInstallationFolderProblem());
  EXPECT_FALSE(details->HasWriteAccess());
}

TEST_F(InstallationFolderDetailsTest, FolderWithOnlyALauncherHasTraces) {
  const base::FilePath folder = Folder(L"traces");
  WriteTextMakingFolder(folder.Append(L"launcher.exe"), "MZ");
  std::unique_ptr<InstallationFolderDetails> details = Examine(folder);
  EXPECT_FALSE(details->HasExistingInstallation());
  EXPECT_TRUE(details->HasExistingInstallationTraces());
}

struct SpaceCase {
  const char* name;
  std::vector<std::wstring> switches;
  bool inside_package;
  uint64_t free_megabytes;
  // Megabytes the temporary folder's drive (also the install drive) needs.
  uint64_t needed;
};

class DiskSpaceTest : public InstallationFolderDetailsTest,
                      public testing::WithParamInterface<SpaceCase> {};

TEST_P(DiskSpaceTest, DriveShortOfSpaceIsListedWithItsNeed) {
  const SpaceCase& param = GetParam();
  base::FilePath executable;
  if (param.inside_package) {
    const base::FilePath package = Folder(L"package");
    WriteTextMakingFolder(package.Append(L"velta.exe"), "MZ");
    WriteTextMakingFolder(package.Append(L"files_list"), "velta.exe\n");
    executable = package.Append(L"installer.exe");
    WriteTextMakingFolder(executable, "MZ");
  }
  ScopedInstallerProcess process(param.switches, executable);
  const base::FilePath folder = Folder(L"Velta marlin");
  for (uint64_t free : {param.free_megabytes, param.free_megabytes + 1}) {
    SetFreeMegabytes(temp_drive_, free);
    std::unique_ptr<InstallationFolderDetails> details = Examine(folder);
    if (free < param.needed) {
      EXPECT_EQ(InstallFolderProblem::kNotEnoughSpace, details->GetInstallationFolderProblem());
      EXPECT_THAT(details->GetLowDiskSpace(),
                  ElementsAre(DriveSpaceNeeded{base::FilePath(TempDrive()), param.needed}));
      // Not asked: the folder cannot be used anyway.
      EXPECT_FALSE(details->HasWriteAccess());
    } else {
      EXPECT_EQ(InstallFolderProblem::kNone, details->GetInstallationFolderProblem());
      EXPECT_THAT(details->GetLowDiskSpace(), IsEmpty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Processes, DiskSpaceTest,
    testing::Values(SpaceCase{"MainProcessNeedsDownloadAndInstall", {}, false, 479, 480},
                    SpaceCase{"BackendDownloadsNothing", {L"backend"}, false, 399, 400},
                    SpaceCase{"InsidePackage", {}, true, 199, 200},
                    // No disk check at all.
                    SpaceCase{"Uninstall", {L"uninstall"}, false, 0, 0},
                    SpaceCase{"Repair", {L"fix-downloadable-resources"}, false, 0, 0}),
    [](const testing::TestParamInfo<SpaceCase>& info) { return info.param.name; });

TEST_F(InstallationFolderDetailsTest, EachDriveIsJudgedOnItsOwn) {
  // Z: is the host's root folder under Wine; on Windows any second drive.
  ASSERT_TRUE(::GetLogicalDrives() & (1u << (L'Z' - L'A')));
  ASSERT_NE(L'Z', temp_drive_);
  SetFreeMegabytes(L'Z', 399);
  SetFreeMegabytes(temp_drive_, 79);
  std::unique_ptr<InstallationFolderDetails> details =
      Examine(base::FilePath(L"z:\\velta-test-missing\\Velta marlin"));
  EXPECT_EQ(InstallFolderProblem::kNotEnoughSpace, details->GetInstallationFolderProblem());
  EXPECT_THAT(details->GetLowDiskSpace(),
              ElementsAre(DriveSpaceNeeded{base::FilePath(TempDrive()), 80},
                          DriveSpaceNeeded{base::FilePath(L"Z:"), 400}));
}

// An installation in the folder: its status, preferences, tracking data,
// shortcuts and pins.
class ExistingInstallationTest : public InstallationFolderDetailsTest {
 protected:
  void SetUp() override {
    InstallationFolderDetailsTest::SetUp();
    folder_ = Folder(L"Velta marlin");
    launcher_ = folder_.Append(L"launcher.exe");
    old_browser_ = folder_.Append(L"velta.exe");
    WriteTextMakingFolder(launcher_, "MZ");
    WriteTextMakingFolder(old_browser_, "MZ");
    status_.path = folder_;
    status_.app_id = L"abc";
    status_.desktop_shortcut = Folder(L"Desktop\\Velta.lnk");
    status_.menu_shortcut = Folder(L"Programs\\Velta.lnk");
    status_.quick_launch_shortcut = Folder(L"QuickLaunch\\Velta.lnk");
  }

  void WriteStatus() {
    ASSERT_TRUE(WriteInstallationStatusJson(status_, folder_.Append(L"installation_status.json")));
  }

  void MakeShortcut(const base::FilePath& path, const base::FilePath& target) {
    ASSERT_TRUE(base::CreateDirectory(path.DirName()));
    base::win::ShortcutProperties properties;
    properties.set_target(target);
    ASSERT_TRUE(base::win::CreateOrUpdateShortcutLink(path, properties,
                                                      base::win::SHORTCUT_CREATE_ALWAYS));
  }

  base::FilePath folder_;
  base::FilePath launcher_;
  base::FilePath old_browser_;
  InstallationStatus status_{StatusSource::kGenerated};
};

TEST_F(ExistingInstallationTest, ReadsTheInstallationsChoicesAndShortcuts) {
  status_.hkcu_keys.push_back(RegistryKeyEntry{});
  WriteStatus();
  WriteTextMakingFolder(folder_.Append(L"installer_prefs.json"),
            R"({"single_profile": true, "import_browser_data": false, "enable_stats": "yes",)"
            R"( "language": "sv", "welcome-url": "https://welcome.test/",)"
            R"( "all-installer-experiments": ["installer-experiment-test@1"]})");
  WriteTextMakingFolder(folder_.Append(L"server_tracking_data"), "utm.medium=pb");
  // The desktop shortcut starts the launcher; the Start menu's starts the
  // browser executable of an older layout; the quick-launch one is missing.
  MakeShortcut(status_.desktop_shortcut, launcher_);
  MakeShortcut(status_.menu_shortcut, old_browser_);
  const base::FilePath pin = Folder(L"Pins\\Velta.lnk");
  MakeShortcut(pin, launcher_);
  ASSERT_TRUE(base::CreateDirectory(Folder(L"Programs\\Velta Software")));

  std::unique_ptr<InstallationFolderDetails> details = Examine(folder_);
  ASSERT_TRUE(details->HasExistingInstallation());
  EXPECT_EQ(InstallFolderProblem::kNone, details->GetInstallationFolderProblem());
  EXPECT_EQ(StatusSource::kPrimary, details->GetExistingInstallation()->source);
  EXPECT_TRUE(details->HasWriteAccess());
  EXPECT_EQ(std::optional<bool>(true), details->GetSingleProfile());
  EXPECT_EQ(std::optional<bool>(false), details->GetImportBrowserData());
  EXPECT_EQ(std::nullopt, details->GetEnableStats());
  EXPECT_EQ(L"sv", details->GetLanguage());
  EXPECT_EQ("https://welcome.test/", details->GetWelcomeUrl());
  EXPECT_TRUE(details->GetExperimentState("installer-experiment-test"));
  EXPECT_FALSE(details->GetExperimentState("installer-simplified-ui"));
  EXPECT_EQ("utm.medium=pb", details->GetTrackingData());

  EXPECT_TRUE(details->IsDesktopShortcutExists());
  EXPECT_FALSE(details->ShouldRecreateDesktopShortcut());
  EXPECT_TRUE(details->IsStartMenuShortcutExists());
  EXPECT_TRUE(details->ShouldRecreateStartMenuShortcut());
  EXPECT_FALSE(details->IsQuickLaunchShortcutExists());
  EXPECT_TRUE(details->IsTemporaryShortcutFolderExists());
  EXPECT_EQ(Folder(L"Programs\\Velta Software"), details->GetTemporaryShortcutFolder());
  // Wine keeps no app id in a shortcut, so the pin is found only where the
  // shell saved it (see TaskbandUtilsImplTest).
  EXPECT_FALSE(details->ShouldRecreatePinnedShortcut());

  // From Windows 8 on a Start menu shortcut that was not found is made anew;
  // before, only one pointing at an old target.
  ASSERT_TRUE(base::DeleteFile(status_.menu_shortcut));
  win_api_.SetWindowsVersion(base::win::VERSION_WIN7);
  EXPECT_FALSE(Examine(folder_)->ShouldRecreateStartMenuShortcut());
  win_api_.SetWindowsVersion(base::win::VERSION_WIN10);
  EXPECT_TRUE(Examine(folder_)->ShouldRecreateStartMenuShortcut());
}

TEST_F(ExistingInstallationTest, ProfileGivesCountryLanguageAndStatisticsChoice) {
  WriteStatus();
  const base::FilePath profile = Folder(L"profile");
  const std::string prefs = R"({"language": "sv", "enable_stats": true, "profile_path": ")" +
                            base::WideToUTF8(profile.value()) + "\"}";
  std::string escaped;
  for (char c : prefs) {
    escaped += c;
    if (c == '\\')
      escaped += '\\';
  }
  WriteTextMakingFolder(folder_.Append(L"installer_prefs.json"), escaped);
  const std::string local_state =
      R"({"intl": {"app_locale": "de"}, "location": {"country": "SE"}})";
  WriteTextMakingFolder(profile.Append(L"Local State"), local_state);
  WriteTextMakingFolder(profile.Append(L"Preferences"),
                        R"({"statistics": {"collection_enabled": false}})");

  std::unique_ptr<InstallationFolderDetails> details = Examine(folder_);
  EXPECT_EQ(profile, details->GetProfilePath());
  EXPECT_EQ("SE", details->GetCountry());
  EXPECT_EQ(L"de", details->GetLanguage());
  EXPECT_EQ(std::optional<bool>(false), details->GetEnableStats());
  // The browser's files were only read: no backup copies beside them.
  EXPECT_FALSE(base::PathExists(profile.Append(L"Preferences.backup")));
  EXPECT_FALSE(base::PathExists(profile.Append(L"Local State.backup")));

  // A profile that names no language leaves the installer preferences' one.
  WriteTextMakingFolder(profile.Append(L"Local State"), R"({"location": {"country": "DE"}})");
  WriteTextMakingFolder(profile.Append(L"Preferences"), "not json");
  details = Examine(folder_);
  EXPECT_EQ(L"sv", details->GetLanguage());
  EXPECT_EQ("DE", details->GetCountry());
  EXPECT_EQ(std::optional<bool>(true), details->GetEnableStats());
  EXPECT_TRUE(base::PathExists(profile.Append(L"Preferences")));
}

TEST_F(ExistingInstallationTest, CopyOnlyInstallationKeepsItsUuidInTheProfile) {
  status_.copy_only = true;
  status_.desktop_shortcut.clear();
  status_.menu_shortcut.clear();
  status_.quick_launch_shortcut.clear();
  WriteStatus();
  // A copy-only installation keeps its profile in its own folder.
  WriteTextMakingFolder(folder_.Append(L"installer_prefs.json"), R"({"single_profile": true})");
  const base::FilePath profile = folder_.Append(L"profile\\data");
  WriteTextMakingFolder(profile.Append(L"au_global_storage"), R"({"GS": {"UUID": "u-9"}})");
  std::unique_ptr<InstallationFolderDetails> details = Examine(folder_);
  EXPECT_EQ(profile, details->GetProfilePath());
  EXPECT_EQ("u-9", details->GetUuid());
}

TEST_F(ExistingInstallationTest, CopyOnlyFlagHoldsOnlyForAPlainCopy) {
  struct Case {
    bool copy_only;
    bool all_users;
    bool hklm;
    bool desktop_shortcut;
    bool copy_only_after;
    bool all_users_after;
  } cases[] = {
      {true, false, false, false, true, false},
      // Shortcuts or registry keys make it no copy.
      {true, true, false, true, false, true},
      {true, false, true, false, false, true},
      {false, false, true, false, false, true},
      {false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    status_.copy_only = c.copy_only;
    status_.all_users = c.all_users;
    status_.hklm_keys.clear();
    if (c.hklm)
      status_.hklm_keys.push_back(RegistryKeyEntry{
          .clean = 1,
          .path = "Software\\Clients\\StartMenuInternet\\" + GetBrandAndChannel(),
          .values = {}});
    status_.desktop_shortcut = c.desktop_shortcut ? Folder(L"Desktop\\Velta.lnk") : base::FilePath();
    status_.menu_shortcut.clear();
    status_.quick_launch_shortcut.clear();
    WriteStatus();
    std::unique_ptr<InstallationFolderDetails> details = Examine(folder_);
    ASSERT_TRUE(details->HasExistingInstallation());
    EXPECT_EQ(c.copy_only_after, details->GetExistingInstallation()->copy_only);
    EXPECT_EQ(c.all_users_after, details->GetExistingInstallation()->all_users);
  }
}

TEST_F(ExistingInstallationTest, UnreadableStatusIsExplainedInTheStatusTexts) {
  WriteTextMakingFolder(folder_.Append(L"installation_status.json"), "{\"path\": ");
  std::unique_ptr<InstallationFolderDetails> details = Examine(folder_);
  EXPECT_FALSE(details->HasExistingInstallation());
  EXPECT_TRUE(details->HasExistingInstallationTraces());
  EXPECT_FALSE(details->GetStatusText1().empty());
  EXPECT_EQ("{\"path\": ", details->GetStatusText2());
}

TEST_F(InstallationFolderDetailsTest, FetcherRepliesOnTheCallingThreadUnlessCancelled) {
  const base::FilePath folder = Folder(L"fetched");
  ASSERT_TRUE(base::CreateDirectory(folder));
  base::RunLoop run_loop;
  std::unique_ptr<InstallationFolderDetails> received;
  auto fetcher =
      base::MakeRefCounted<InstallationFolderDetailsFetcherImpl>(folder, StatusRecoveryMode::kNone);
  fetcher->FetchStatus(base::BindOnce(
      [](std::unique_ptr<InstallationFolderDetails>* out, base::OnceClosure quit,
         std::unique_ptr<InstallationFolderDetails> details) {
        *out = std::move(details);
        std::move(quit).Run();
      },
      &received, run_loop.QuitClosure()));
  // The fetch keeps itself alive.
  fetcher = nullptr;
  run_loop.Run();
  ASSERT_TRUE(received);
  EXPECT_EQ(folder, received->GetPath());
  EXPECT_EQ(InstallFolderProblem::kNone, received->GetInstallationFolderProblem());

  bool called = false;
  auto cancelled =
      base::MakeRefCounted<InstallationFolderDetailsFetcherImpl>(folder, StatusRecoveryMode::kNone);
  cancelled->FetchStatus(base::BindOnce(
      [](bool* called, std::unique_ptr<InstallationFolderDetails>) { *called = true; }, &called));
  cancelled->CancelFetch();
  base::TaskScheduler::GetInstance()->FlushForTesting();
  base::RunLoop().RunUntilIdle();
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace velta
