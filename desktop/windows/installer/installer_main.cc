// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installer_main.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/base_paths.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_states.h"
#include "base/features/pref_list_feature_reader.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/prefs/json_pref_store.h"
#include "base/run_loop.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/time/time.h"
#include "base/win/scoped_com_initializer.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_reporting.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/campaign.h"
#include "desktop/windows/installer/avro_stats/stats_message_builder.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/exit_codes.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_features.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/elevation/folder_permission_helper.h"
#include "desktop/windows/installer/elevation/runnable_folder.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/installer.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/runner/backend_process_installer_runner_impl.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/silent_installer_controller.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/corrupted_payload_box.h"
#include "desktop/windows/installer/ui/installer_ui_controller.h"
#include "desktop/windows/installer/ui/progress_calculator_impl.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/installer/utils/display_scale.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace velta {
namespace {

constexpr char kVersionSwitch[] = "version";
constexpr char kInternalVersionSwitch[] = "internal-version";
constexpr char kStreamSwitch[] = "stream";
constexpr char kHelpSwitch[] = "help";
constexpr char kQuestionMarkSwitch[] = "?";
constexpr wchar_t kVerbosityVariable[] = L"VELTA_INSTALLER_VERBOSITY";

// One row of the switch help: the switch, its value placeholder, the
// description and the default, the last two with at most one "%s" for the
// product word.
struct SwitchHelp {
  const char* name;
  const char* value;
  const char* description;
  const char* default_value;
};

constexpr SwitchHelp kSwitchHelp[] = {
    {kSilentSwitch, nullptr,
     "Run the installer fully unattended. No dialog will be displayed in this mode. If it isn't "
     "running with sufficient privileges, the installer will fail instead of prompting the user.",
     nullptr},
    {kRunImmediatelySwitch, nullptr,
     "Run the installer mostly unattended. The installation will start immediately and the "
     "progress dialog will be displayed. The installer will prompt the user for elevation if "
     "needed.",
     nullptr},
    {kLanguageSwitch, "LANGUAGE",
     "Install %s in the specified language.This language will also be used during installation.",
     "The Operating system UI language."},
    {kInstallFolderSwitch, "FOLDER", "Install %s in the specified folder.", nullptr},
    {kAllUsersSwitch, "[0|1]", "If true, install %s for all users on the system.",
     "True when running from an administrative acount."},
    {kCopyOnlySwitch, "[0|1]",
     "If true, the installer will only copy the files to the installation folder and will "
     "otherwise not perform any modification on the system.",
     "False."},
    {kSingleProfileSwitch, "[0|1]",
     "If true, the installer will set up %s to use a singleprofile located in the installation "
     "folder.",
     "False."},
    {kSetDefaultBrowserSwitch, "[0|1]",
     "If true, make %s the default browser for this user or computer.",
     "True for %s Granite."},
    {kDesktopShortcutSwitch, "[0|1]", "If true, create a shortcut for %s on the desktop.",
     "True."},
    {kStartMenuShortcutSwitch, "[0|1]", "If true, create a shortcut for %s on the start menu.",
     "True."},
    {kQuickLaunchShortcutSwitch, "[0|1]",
     "If true, create a shortcut for %s on the quick launch menu.",
     "False on Window 7 and later. True otherwise"},
    {kPinToTaskbarSwitch, "[0|1]", "If true, pin %s to the taskbar.",
     "True on Window 7 and later. False otherwise."},
    {kImportBrowserDataSwitch, "[0|1]",
     "If true, %s is set up to import user data from the previously default browser when "
     "creating new user profiles.",
     "True."},
    {kEnableStatsSwitch, "[0|1]", "If true, %s will by default gather and report statistics.",
     "True."},
    {kEnableInstallerStatsSwitch, "[0|1]",
     "If true, installer will by default gather and report statistics.", "True."},
    {kLaunchBrowserSwitch, "[0|1]", "If true, %s is launched once the installation is completed.",
     "True."},
};

// printf-style output to standard output. A GUI program has no console; its
// output still reaches a parent that captures it through a pipe.
void ConsolePrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stdout, format, args);
  va_end(args);
  fflush(stdout);
}

// Prints the switch help on a console: a new one, or the one the process
// already has (started from a command prompt). Prints nothing when no
// console can be written.
void PrintSwitchHelp() {
  // Fails when the process has a console already; that one is used then.
  ::AllocConsole();
  if (!freopen("CONOUT$", "w", stdout))
    return;
  setvbuf(stdout, nullptr, _IONBF, 0);
  ConsolePrintf("%s Installer %s %s\n\n", FormatWithProductName("%s", false).c_str(),
                GetProductVersion().c_str(), GetChannelName().c_str());
  ConsolePrintf("The following command line parameters affect the behavior of the installer:\n");
  for (const SwitchHelp& row : kSwitchHelp) {
    ConsolePrintf("  %s", row.name);
    if (row.value)
      ConsolePrintf("=%s", row.value);
    ConsolePrintf("\n    %s\n", FormatWithProductName(row.description, false).c_str());
    if (row.default_value) {
      ConsolePrintf("    Default value: %s\n",
                    FormatWithProductName(row.default_value, false).c_str());
    }
  }
  ConsolePrintf("\nLanguages available for the %s option:\n", kLanguageSwitch);
  std::vector<std::string> languages;
  for (const std::wstring& language : GetL10nHandler()->GetAvailableLanguages())
    languages.push_back(base::WideToUTF8(language));
  ConsolePrintf("%s\n", base::JoinString(languages, ", ").c_str());
  ConsolePrintf("\nFeatures available through command-line switches:\n");
  for (const FeatureDefinition& feature : GetInstallerFeatures()) {
    ConsolePrintf("\t--%s [Enabled by default: %s]\n",
                  GetFeatureSwitchName(feature.name).c_str(),
                  IsFeatureOnByDefaultForStream(feature) ? "true" : "false");
  }
  system("PAUSE");
}

// Applies VELTA_INSTALLER_VERBOSITY (a whole number from 0 to 9, leading
// zeros allowed) as the `v` switch when that switch is absent.
void ApplyVerbosityVariable(base::CommandLine* command_line) {
  if (command_line->HasSwitch(kVerbositySwitch))
    return;
  wchar_t value[16];
  const DWORD length = ::GetEnvironmentVariableW(kVerbosityVariable, value, 16);
  if (length == 0 || length >= 16)
    return;
  const std::wstring text(value, length);
  unsigned level = 0;
  for (wchar_t c : text) {
    if (!base::IsAsciiDigit(c))
      return;
    level = level * 10 + static_cast<unsigned>(c - L'0');
    if (level > 9)
      return;
  }
  command_line->AppendSwitchNative(kVerbositySwitch, text);
}

// The log file: "velta_installer_<date and time>.log" in the "Velta Installer"
// folder of the temporary folder, or in the current directory when that folder
// cannot be had.
base::FilePath GetLogFilePath() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char suffix[64];
  snprintf(suffix, sizeof(suffix), "_%02d%02d%02d%02d%02d%02d%03d.log", now.wYear, now.wMonth,
           now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  const std::wstring name =
      base::UTF8ToWide(FormatWithProductName("%s_installer", true) + suffix);

  base::FilePath folder;
  if (!PrepareRunnableFolderAt(GetInstallerFolderName(), base::FilePath(), &folder,
                               base::DIR_TEMP)) {
    return base::FilePath(name);
  }
  return folder.Append(name);
}

void InitInstallerLogging() {
  const base::FilePath log_file = GetLogFilePath();
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_FILE;
  settings.log_file_path = log_file.value().c_str();
  settings.lock_log = logging::LOCK_LOG_FILE;
  settings.delete_old = logging::DELETE_OLD_LOG_FILE;
  logging::InitLogging(settings);
}

// Joins the task scheduler's threads (which shuts it down first, so queued
// preference writes still happen) at exit.
void ShutdownTaskSchedulerAtExit() {
  if (base::TaskScheduler* scheduler = base::TaskScheduler::GetInstance())
    scheduler->ShutdownAndJoin();
}

void StartTaskScheduler() {
  base::TaskScheduler::Create("installer");
  const base::TimeDelta reclaim_time = base::TimeDelta::FromSeconds(30);
  const base::SchedulerWorkerPoolParams one(1, reclaim_time);
  const base::SchedulerWorkerPoolParams one_with_com(
      1, reclaim_time, base::SchedulerBackwardCompatibility::INIT_COM_STA);
  base::TaskScheduler::GetInstance()->Start(
      base::TaskScheduler::InitParams(one, one, one, one_with_com));
  base::AtExitManager::RegisterTask(base::BindOnce(&ShutdownTaskSchedulerAtExit));
}

// The experiment states: those an installation keeps in its
// installer_prefs.json when uninstalling it, else the `with-feature:`
// switches.
void ApplyExperimentStates(bool is_uninstall, const base::FilePath& install_folder,
                           const base::CommandLine& command_line) {
  FeatureStates* states = FeatureStates::GetInstance();
  bool applied = false;
  if (is_uninstall) {
    VLOG(1) << "Retrieving experiment states from installation folder...";
    const base::Value* experiments = nullptr;
    scoped_refptr<base::JsonPrefStore> prefs;
    // Without a folder the file's name alone would be read from (and its
    // backup written into) the current directory.
    if (!install_folder.empty()) {
      prefs = CreateJsonPrefStore(GetPrefStoreTaskRunnerMap(),
                                  install_folder.Append(kInstallerPrefsFileName));
    }
    if (prefs && prefs->GetValue(kStoredExperimentsPref, &experiments) && experiments) {
      states->ApplyReader(PrefListFeatureReader(experiments->Clone()));
      VLOG(1) << "Retrieved experiment states from installation folder";
      applied = true;
    } else {
      VLOG(1) << "Cannot read experiment states from installation folder";
    }
  }
  if (!applied) {
    states->ApplyReader(CommandLineFeatureReader(command_line));
    VLOG(1) << "Obtained experiment states from command line";
  }
  if (IsFeatureEnabled(kInstallerExperimentTestFeature))
    LOG(INFO) << "Test experiment is enabled";
}

// The statistics sender of this process: none that sends in a backend, else
// the real one, whose traffic waits for the user's choice in the settings.
void InitAvroStats(bool is_backend, const base::CommandLine& command_line) {
  if (is_backend) {
    VLOG(2) << "Disabling Avro in this process";
    InitNullStatsSender();
    return;
  }
  ServerTrackingBlob* tracking = GetTrackingData();
  Campaign campaign;
  campaign.medium = tracking->GetString(ServerTrackingBlob::kMediumKey);
  campaign.name = tracking->GetString("utm.campaign");
  campaign.source = tracking->GetString("utm.source");
  const std::string uuid =
      tracking->GetString(ServerTrackingBlob::kInstallationIdKey).value_or(std::string());
  VLOG(2) << "Enabling Avro in this process";
  auto builder = std::make_unique<StatsMessageBuilder>(
      InterprocessState::GetInstance()->GetSessionGuid(), uuid, GetProductVersion(),
      GetChannelName(), std::move(campaign));
  InitAvroStatsSender(std::move(builder),
                      command_line.HasSwitch(kTestAvroServerSwitch) ? StatsServer::kLocalTest
                                                                    : StatsServer::kProduction,
                      IsAutoupdateRun() ? 0 : 1);
}

// Reads the payload appended to `own_path` and acts on its kind. False for a
// corrupted payload (the run ends with result 18): the user is told in a
// message box in the language of the `language` switch, except in a silent
// run, which only logs it.
bool ReadPayload(const base::CommandLine& command_line,
                 bool is_silent,
                 PayloadManager* payload,
                 PackageArchitecture* architecture) {
  switch (payload->GetPayloadType()) {
    case kPayloadTypeNone:
      LOG(WARNING) << "Failed reading payload";
      break;
    case kPayloadTypeTrackingData:
      LOG(INFO) << "Tracking data: " << payload->GetPayloadData();
      break;
    case kPayloadTypeExternalTrackingData:
      LOG(ERROR) << "External should only ever be reported after calling" << "SetPayload";
      break;
    case kPayloadTypeFullPackage:
      *architecture = PackageArchitecture::kX64;
      LOG(INFO) << "Found full package";
      break;
    case kPayloadTypeCorrupted: {
      // An unattended run has nobody to click the box away.
      if (is_silent) {
        LOG(ERROR) << "The installer file is damaged: ending the silent run without the message box";
        return false;
      }
      bool shown = false;
      RunCorruptedPayloadBox(command_line.GetSwitchValueNative(kLanguageSwitch), &shown);
      if (!shown)
        LOG(ERROR) << "Cannot initialize the message box";
      return false;
    }
  }
  if (payload->GetPayloadType() == kPayloadTypeTrackingData &&
      !GetTrackingData()->HasServerValues()) {
    GetTrackingData()->Load(payload->GetPayloadData());
  }
  return true;
}

// The download folder of the main process: `temp-folder` joined with the
// installer's folder name, else the first usable standard one. Result 16
// when there is none. A `temp-folder` that is not a full path (empty, or
// relative) is refused: it would lie in the current folder, which for an
// elevated process is System32.
uint32_t GetInstallerDownloadFolder(const base::CommandLine& command_line,
                                    const base::FilePath& own_path,
                                    base::FilePath* folder) {
  base::FilePath temp_folder = command_line.GetSwitchValuePath(kTempFolderSwitch);
  if (command_line.HasSwitch(kTempFolderSwitch) && !temp_folder.IsAbsolute()) {
    LOG(WARNING) << "Ignoring the temp folder from the command line, not a full path: \""
                 << temp_folder << "\"";
    temp_folder.clear();
  }
  if (!temp_folder.empty()) {
    VLOG(1) << "Using download folder from command line";
    *folder = temp_folder.Append(GetInstallerFolderName());
    if (!base::DirectoryExists(*folder) && !base::CreateDirectory(*folder)) {
      LOG(ERROR) << "Could not create temporary installer folder";
      return kInstallerResultNoDownloadFolder;
    }
  } else if (!GetDownloadFolder(GetInstallerFolderName(), own_path, folder)) {
    LOG(ERROR) << "Could not obtain temporary installer folder";
    return kInstallerResultNoDownloadFolder;
  }
  LOG(INFO) << "Installer download folder: " << *folder;
  return kInstallerResultSuccess;
}

// The backend role: installs with the settings on behalf of the main
// process.
uint32_t RunBackend(Settings* settings) {
  VLOG(2) << "Running backend";
  BackendProcessInstallerRunnerImpl runner(CreateInstaller());
  return runner.Run(settings);
}

// The main process, from the download folder to the controller's result.
uint32_t RunMainProcess(const base::CommandLine& command_line,
                        const base::FilePath& own_path,
                        bool is_silent,
                        PayloadManager* payload,
                        Settings* settings) {
  base::FilePath download_folder;
  const uint32_t folder_result =
      GetInstallerDownloadFolder(command_line, own_path, &download_folder);
  if (folder_result != kInstallerResultSuccess)
    return folder_result;

  uint32_t result;
  {
    InstallerProgress progress;
    const uint32_t reporter_pid = InstallerCrashReporterClient::GetInstance()->reporter_process_id();
    auto runner = std::make_unique<MainProcessInstallerRunnerImpl>(
        &progress, InterprocessState::GetInstance(),
        BackendRunnerOptions{.crash_reporter_pid = reporter_pid});
    if (!is_silent) {
      VLOG(2) << "Running UI controller";
      auto calculator =
          std::make_unique<ProgressCalculatorImpl>(runner.get(), &progress, ProgressPhaseWeights());
      base::RunLoop run_loop(base::RunLoop::Type::kDefault, Win32DialogDispatcher::GetInstance());
      InstallerUIController controller(std::move(runner), std::move(calculator), &progress,
                                       settings);
      result = controller.Start(payload, download_folder, run_loop.QuitClosure());
      if (result == kInstallerResultSuccess) {
        run_loop.Run();
        result = controller.result();
      }
    } else {
      VLOG(2) << "Running silent controller";
      base::RunLoop run_loop;
      SilentInstallerController controller(std::move(runner), settings);
      result = controller.Start(payload, download_folder, run_loop.QuitClosure());
      if (result == kInstallerResultSuccess) {
        run_loop.Run();
        result = controller.result();
      }
    }
  }
  // Only an empty folder goes.
  base::DeleteFile(download_folder);
  return result;
}

// Every role but the version queries and the crash roles. Returns the
// installer result.
uint32_t RunInstallerProcess(base::CommandLine* command_line) {
  // Every other role starts its own crash reporter. Its user data folder
  // falls back to the current installation's profile folder.
  SetProfileFolderGetter([] {
    base::FilePath folder;
    return Installation::GetCurrent()->GetProfileFolder(&folder) ? folder : base::FilePath();
  });
  StartCrashReporting("installer");

  RegisterInstallerFeatures(FeatureStates::GetInstance());
  base::AtExitManager::RegisterTask(base::BindOnce(&Installation::DestroyCurrent));
  const base::FilePath current_install_folder = Installation::GetCurrent()->GetInstallFolder();

  if (command_line->HasSwitch(kHelpSwitch) || command_line->HasSwitch(kQuestionMarkSwitch)) {
    PrintSwitchHelp();
    return kInstallerResultSuccess;
  }
  if (command_line->HasSwitch(kSetFolderPermissionSwitch)) {
    // The role always ends with 0.
    RunFolderPermissionHelper();
    if (command_line->HasSwitch(kRunUninstallBatSwitch))
      RunUninstallBatch(current_install_folder);
    return kInstallerResultSuccess;
  }

  ApplyVerbosityVariable(command_line);
  InitInstallerLogging();
  EnableHighDpiSupport();
  RichStatic::InitializeLibraries();
  LOG(INFO) << FormatWithProductName("%s installer starting - version ", false)
            << GetProductVersion() << " " << GetChannelName();
  LOG(INFO) << "Command line: " << command_line->GetCommandLineString();

  InterprocessState* state = InterprocessState::GetInstance();
  const bool is_backend = command_line->HasSwitch(kBackendSwitch) ||
                          command_line->HasSwitch(kRegisterProtocolHandlerSwitch);
  const bool is_uninstall = command_line->HasSwitch(kUninstallSwitch);
  const bool is_silent = state->IsSilent();
  const bool is_autoupdate = state->IsAutoupdate();
  const InstallerMode mode = state->GetMode();
  const bool is_inside_package = mode == InstallerMode::kUninstall ||
                                 mode == InstallerMode::kRegisterProtocolHandler ||
                                 InstallerUtils::GetInstance()->IsInsidePackage();
  base::FilePath install_folder;
  if (command_line->HasSwitch(kInstallFolderSwitch)) {
    install_folder = command_line->GetSwitchValuePath(kInstallFolderSwitch);
    LOG(INFO) << "Install folder from command line: " << install_folder;
  }
  LOG(INFO) << "Uninstall:" << is_uninstall;
  LOG(INFO) << "Silent:" << is_silent;
  LOG(INFO) << "Run Immediately" << command_line->HasSwitch(kRunImmediatelySwitch);
  LOG(INFO) << "Backend" << is_backend;
  LOG(INFO) << "Inside package" << is_inside_package;
  LOG(INFO) << "Autoupdate:" << is_autoupdate;

  std::unique_ptr<base::MessageLoop> message_loop;
  if (is_backend || is_silent) {
    VLOG(1) << "Using default message loop";
    message_loop = std::make_unique<base::MessageLoop>(base::MessageLoop::TYPE_DEFAULT);
  } else {
    VLOG(1) << "Using UI message loop";
    message_loop = std::make_unique<base::MessageLoop>(base::MessageLoop::TYPE_UI);
  }

  StartTaskScheduler();
  ApplyExperimentStates(is_uninstall, current_install_folder, *command_line);

  base::FilePath own_path;
  if (!base::PathService::Get(base::FILE_EXE, &own_path)) {
    LOG(ERROR) << "Cannot find own file path";
    return kInstallerResultOwnPathNotFound;
  }

  std::unique_ptr<PayloadManager> payload;
  PackageArchitecture architecture = PackageArchitecture::kX64;
  if (!is_inside_package) {
    architecture = WinApi::GetInstance()->GetOsArchitecture() == base::win::OSInfo::X64_ARCHITECTURE
                       ? PackageArchitecture::kX64
                       : PackageArchitecture::kX86;
    payload = std::make_unique<PayloadManagerImpl>(own_path);
    if (!ReadPayload(*command_line, is_silent, payload.get(), &architecture))
      return kInstallerResultCorruptedPayload;
  }

  InitAvroStats(is_backend, *command_line);

  VLOG(1) << "Package architecture: " << ArchitectureToString(architecture);
  VLOG(2) << "Instantiating settings";
  SettingsImpl settings(install_folder, architecture, payload != nullptr,
                        InstallationFolderDetailsFetcherImpl::GetFactory());

  if (is_backend)
    return RunBackend(&settings);
  return RunMainProcess(*command_line, own_path, is_silent, payload.get(), &settings);
}

}  // namespace
}  // namespace velta

uint32_t RunInstaller() {
  using velta::ConsolePrintf;
  // Checked before anything runs: the library is built for SSE2.
  if (!::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
    ::MessageBoxW(nullptr, L"This program requires a computer that supports SSE2 instructions.",
                  L"Error", MB_OK | MB_ICONERROR);
    return 1;
  }

  base::CommandLine::Init(0, nullptr);
  base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();

  // Answered before anything else is set up.
  if (command_line->HasSwitch(velta::kVersionSwitch)) {
    ConsolePrintf("%s", velta::GetProductVersion().c_str());
    return 0;
  }
  if (command_line->HasSwitch(velta::kInternalVersionSwitch)) {
    ConsolePrintf("%s", velta::GetInternalVersion().c_str());
    return 0;
  }
  if (command_line->HasSwitch(velta::kStreamSwitch)) {
    ConsolePrintf("%s", velta::GetChannelName().c_str());
    return 0;
  }

  uint32_t result;
  {
    // Destroyed last: runs the at-exit tasks of everything made below (the
    // task scheduler's shutdown, the current installation).
    base::AtExitManager at_exit_manager;
    velta::ScopedInstallerErrorRecord error_record;

    // The crash roles first, their exit codes unmapped. They use no COM: an
    // apartment would load ole32 with user32 and create a window.
    uint32_t crash_role_exit_code = 0;
    if (velta::RunCrashRoleIfAsked(*command_line, &crash_role_exit_code))
      return crash_role_exit_code;

    base::win::ScopedCOMInitializer com_initializer;
    result = velta::RunInstallerProcess(command_line);
  }
  return velta::InstallerResultToExitCode(result);
}
