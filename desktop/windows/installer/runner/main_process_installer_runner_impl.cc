// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"

#include <windows.h>

#include "base/base_paths.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/pickle.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/common/app_output_lock.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/product/exit_codes.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_mutex.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/settings.h"

namespace velta {

namespace {

// Records `code` with `detail` as the installer error and answers the code.
uint32_t Fail(uint32_t code, const std::string& detail) {
  LOG(ERROR) << detail;
  SetInstallerError(code, detail, std::wstring());
  return code;
}

std::wstring MakeEventName(const wchar_t* base_name, const base::FilePath& install_folder) {
  return MakeNamedObjectName(install_folder.value(), base_name, true);
}

// A manual-reset event, not signalled; invalid on failure.
base::win::ScopedHandle CreateNamedEvent(const std::wstring& name) {
  return base::win::ScopedHandle(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
}

// The mutex `name`, inheritable and acquired at once; null when another
// process holds it or it cannot be created.
std::unique_ptr<WinApiMutex> TakeMutex(const std::wstring& name) {
  std::unique_ptr<WinApiMutex> mutex =
      WinApi::GetInstance()->CreateMutex(name, true, base::TimeDelta());
  if (!mutex || !mutex->IsAcquired())
    return nullptr;
  return mutex;
}

}  // namespace

MainProcessInstallerRunnerImpl::MainProcessInstallerRunnerImpl(
    InstallerProgress* progress,
    InterprocessState* interprocess_state,
    BackendRunnerOptions options)
    : progress_(progress),
      interprocess_state_(interprocess_state),
      options_(std::move(options)) {}

MainProcessInstallerRunnerImpl::~MainProcessInstallerRunnerImpl() {
  Stop();
  backend_watcher_.StopWatching();
}

bool MainProcessInstallerRunnerImpl::BeginRun() {
  if (run_active_) {
    // The backend of the first call runs, or that call failed: either way
    // nothing is launched a second time.
    LOG(INFO) << "Duplicate installation attempt detected";
    return false;
  }
  LOG(INFO) << "Beginning installation";
  run_active_ = true;
  return true;
}

uint32_t MainProcessInstallerRunnerImpl::Run(Settings* settings) {
  if (!BeginRun())
    return run_result_;
  // The check records its own code (2, 3 or 4), never 0.
  if (!ValidateInstallerSettings(settings->GetSettingsCheck())) {
    AppendInstallerError("The settings are not valid", 0, std::wstring());
    run_result_ = GetInstallerErrorCode();
    return run_result_;
  }
  // Nothing the backend is given may change from here on.
  settings->SetEditable(false);
  BackendLaunchParameters parameters;
  parameters.install_folder = settings->GetFolderDetails()->GetPath();
  settings->AppendToCommandLine(/*suppress_launch=*/false, &parameters.settings_switches);
  parameters.crash_reporter_pid = options_.crash_reporter_pid;
  run_result_ = RunOnce(parameters);
  return run_result_;
}

uint32_t MainProcessInstallerRunnerImpl::RunWithParameters(
    const BackendLaunchParameters& parameters) {
  if (!BeginRun())
    return run_result_;
  run_result_ = RunOnce(parameters);
  return run_result_;
}

uint32_t MainProcessInstallerRunnerImpl::RunOnce(const BackendLaunchParameters& parameters) {
  const base::FilePath& folder = parameters.install_folder;

  const std::wstring mutex_name = MakeNamedObjectName(folder.value(), kInstallerMutexBaseName, true);
  VLOG(1) << "Installer mutex name: " << base::WideToUTF8(mutex_name);
  installer_mutex_ = TakeMutex(mutex_name);
  if (!installer_mutex_)
    return Fail(11, "Could not create installer mutex");
  const std::wstring folded_name = MakeNamedObjectName(FoldInstallFolderCase(folder.value()),
                                                       kFoldedInstallerMutexBaseName, true);
  VLOG(1) << "Installer mutex name: " << base::WideToUTF8(folded_name);
  folded_mutex_ = TakeMutex(folded_name);
  if (!folded_mutex_)
    return Fail(11, "Could not create installer mutex");

  const std::wstring mailslot_name = GetInstallerMailslotName(folder);
  VLOG(1) << "Installer mailslot name: " << base::WideToUTF8(mailslot_name);
  if (!receiver_.Connect(mailslot_name))
    return Fail(1, "Could not connect to mailslot");

  base::CommandLine command_line(parameters.settings_switches);
  if (!command_line.HasSwitch(kBackendSwitch))
    command_line.AppendSwitch(kBackendSwitch);
  for (const auto& [name, value] : options_.extra_backend_switches.GetSwitches())
    command_line.AppendSwitchNative(name, value);
  command_line.AppendSwitchPath(kServerTrackingDataSwitch, base::FilePath(kServerTrackingDataFileName));
  command_line.AppendSwitchASCII(kInitialPidSwitch, base::NumberToString(::GetCurrentProcessId()));
  if (parameters.crash_reporter_pid != 0) {
    command_line.AppendSwitchASCII(kCrashReporterPidSwitch,
                                   base::NumberToString(parameters.crash_reporter_pid));
  }

  const std::wstring interrupted_name =
      MakeEventName(kInstallationInterruptedEventBaseName, folder);
  VLOG(1) << "Event name for interrupted installation: " << base::WideToUTF8(interrupted_name);
  interrupted_event_ = CreateNamedEvent(interrupted_name);
  if (!interrupted_event_.IsValid())
    return Fail(1, "Could not create installation interruption event");

  base::FilePath program;
  if (!base::PathService::Get(base::FILE_EXE, &program))
    return Fail(1, "Could not launch installer backend process");
  command_line.SetProgram(program);
  interprocess_state_->AppendToCommandLine(&command_line);

  if (!package_ready_) {
    if (!CreatePackageReadyEvent(folder)) {
      AppendInstallerError("Cannot create the package ready event", 0, std::wstring());
      return GetInstallerErrorCode();
    }
    command_line.AppendSwitch(kWaitForPackageSwitch);
  } else {
    VLOG(1) << "Package is already available";
  }

  if (!assistant_folder_.empty()) {
    command_line.AppendSwitchNative(kComponentsSwitch,
                                    L"assistant:" + assistant_folder_.BaseName().value());
  }
  return LaunchBackend(&command_line);
}

uint32_t MainProcessInstallerRunnerImpl::LaunchBackend(base::CommandLine* command_line) {
  // No other child may start (and inherit the handle) while it exists.
  base::AutoLock lock(GetAppOutputLock());
  HANDLE own_handle = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(),
                         &own_handle, SYNCHRONIZE, TRUE, 0)) {
    return Fail(1, "Could not duplicate own process handle");
  }
  base::win::ScopedHandle inheritable_self(own_handle);
  // Always the handle's 8 bytes, also in a 32-bit process, so that a 64-bit
  // backend reads the same value.
  const uint64_t handle_value = reinterpret_cast<uintptr_t>(own_handle);
  uint8_t handle_bytes[8];
  for (int i = 0; i < 8; ++i)
    handle_bytes[i] = static_cast<uint8_t>(handle_value >> (8 * i));
  command_line->AppendSwitchASCII(kInitialProcHandleSwitch,
                                  base::HexEncode(handle_bytes, sizeof(handle_bytes)));

  base::LaunchOptions options;
  // Every inheritable handle: this process's own and the installer mutex,
  // whose inherited handle keeps the folder taken after Stop closes ours.
  options.inherit_mode = base::LaunchOptions::Inherit::kAll;
  LOG(INFO) << "launching installer backend: "
            << base::WideToUTF8(command_line->GetCommandLineString());
  backend_process_ = base::LaunchProcess(*command_line, options);
  inheritable_self.Close();
  if (!backend_process_.IsValid())
    return Fail(1, "Could not launch installer backend process");

  backend_running_ = true;
  ::AllowSetForegroundWindow(backend_process_.Pid());
  VLOG(2) << "Installer backend started.";
  if (!backend_watcher_.StartWatchingOnce(backend_process_.Handle(), this)) {
    Stop();
    return Fail(1, "Could not monitor the installer process handle");
  }
  return 0;
}

bool MainProcessInstallerRunnerImpl::CreatePackageReadyEvent(
    const base::FilePath& install_folder) {
  const std::wstring name = MakeEventName(kPackageReadyEventBaseName, install_folder);
  VLOG(1) << "Event name for package_ready: " << base::WideToUTF8(name);
  package_ready_event_ = CreateNamedEvent(name);
  if (!package_ready_event_.IsValid()) {
    Fail(1, "Package ready event invalid");
    return false;
  }
  return true;
}

void MainProcessInstallerRunnerImpl::SetPackagePaths(const base::FilePath& package_folder,
                                                     const base::FilePath& assistant_folder) {
  package_folder_ = package_folder;
  assistant_folder_ = assistant_folder;
}

void MainProcessInstallerRunnerImpl::Stop() {
  LOG(INFO) << "Stopping installer backend (if running)";
  if (backend_running_ && interrupted_event_.IsValid()) {
    ::SetEvent(interrupted_event_.Get());
    VLOG(1) << "Sending installation interrupted event";
  }
  for (std::unique_ptr<WinApiMutex>* mutex : {&installer_mutex_, &folded_mutex_}) {
    if (!*mutex)
      continue;
    VLOG(1) << "Letting go of the installer mutex";
    // The backend holds an inherited handle and is still working: closing
    // ours without releasing leaves the mutex with the folder until the
    // backend ends.
    if (backend_running_)
      (*mutex)->Close();
    mutex->reset();
  }
  package_ready_event_.Close();
  interrupted_event_.Close();
  receiver_.Close();
  run_active_ = false;
}

void MainProcessInstallerRunnerImpl::OnPackageReady() {
  if (package_ready_)
    return;
  VLOG(2) << "Recording that we have the package";
  package_ready_ = true;
  if (backend_running_ && package_ready_event_.IsValid()) {
    LOG(INFO) << "Informing the installer backend that the package is ready";
    ::SetEvent(package_ready_event_.Get());
  }
}

void MainProcessInstallerRunnerImpl::AddObserver(InstallerObserver* observer) {
  if (!observers_.HasObserver(observer))
    observers_.AddObserver(observer);
}

void MainProcessInstallerRunnerImpl::RemoveObserver(InstallerObserver* observer) {
  observers_.RemoveObserver(observer);
}

void MainProcessInstallerRunnerImpl::OnObjectSignaled(void* /*object*/) {
  VLOG(1) << "Installer backend process signaled";
  // The backend's last reports (its success or error) may still wait in
  // the mailslot: they reach the observers before the backend's end does.
  receiver_.Flush(base::BindOnce(&MainProcessInstallerRunnerImpl::ReportBackendEnded,
                                 base::Unretained(this)));
}

void MainProcessInstallerRunnerImpl::ReportBackendEnded() {
  const uint32_t result = ExitCodeToInstallerResult(backend_process_.Handle());
  backend_running_ = false;
  for (auto& observer : observers_)
    observer.OnBackendProcessTerminated(result);
}

void MainProcessInstallerRunnerImpl::OnMessageReceived(const base::Pickle& message) {
  base::PickleIterator iterator(message);
  std::string signature;
  if (!iterator.ReadString(&signature) || signature != kInstallerMessageSignature) {
    LOG(WARNING) << "Received a message without installer signature";
    return;
  }
  int type = 0;
  if (!iterator.ReadInt(&type))
    return;
  if (static_cast<unsigned>(type) >= static_cast<unsigned>(kInstallerMessageTypeCount)) {
    LOG(WARNING) << "Received installer message with invalid type";
    return;
  }
  DispatchMessage(type, &iterator);
}

void MainProcessInstallerRunnerImpl::DispatchMessage(int type, base::PickleIterator* iterator) {
  switch (type) {
    case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS: {
      bool flag = false;
      if (!iterator->ReadBool(&flag)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS" << "message";
        return;
      }
      VLOG(1) << "IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS(" << flag << ") received";
      for (auto& observer : observers_)
        observer.OnStartingNewMainProcess(flag);
      return;
    }
    case IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS:
      VLOG(1) << "IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS received";
      for (auto& observer : observers_)
        observer.OnReturnedToPreviousMainProcess();
      return;
    case IPC_MESSAGE_INSTALL_FOLDER_CREATED:
      for (auto& observer : observers_)
        observer.OnInstallFolderCreated();
      return;
    case IPC_MESSAGE_TOTAL_STEPS: {
      int count = 0;
      if (!iterator->ReadInt(&count)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_TOTAL_STEPS message";
        return;
      }
      VLOG(1) << "IPC_MESSAGE_TOTAL_STEPS(" << count << ") received";
      progress_->NotifyTotalSteps(static_cast<uint32_t>(count));
      return;
    }
    case IPC_MESSAGE_STEP_STARTING: {
      std::string name;
      if (!iterator->ReadString(&name)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_STEP_STARTING" << "message";
        return;
      }
      VLOG(1) << "IPC_MESSAGE_STEP_STARTING received";
      for (auto& observer : observers_)
        observer.OnStepStarting(name);
      return;
    }
    case IPC_MESSAGE_STEP_FINISHED: {
      std::string name;
      int attempt = 0;
      if (!iterator->ReadString(&name) || !iterator->ReadInt(&attempt)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_STEP_FINISHED" << "message";
        return;
      }
      int finished = 0;
      if (!iterator->ReadInt(&finished)) {
        LOG(WARNING) << "The package uses legacy IPC_MESSAGE_STEP_FINISHED";
        finished = 0;
      }
      VLOG(1) << "IPC_MESSAGE_STEP_FINISHED received";
      for (auto& observer : observers_)
        observer.OnStepFinished(name, attempt, finished);
      progress_->NotifyStepsFinished(static_cast<uint32_t>(finished));
      return;
    }
    case IPC_MESSAGE_IMPORTANT_EVENT: {
      VLOG(1) << "IPC_MESSAGE_IMPORTANT_EVENT received";
      std::string name;
      if (!iterator->ReadString(&name)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_IMPORTANT_EVENT message";
        return;
      }
      for (auto& observer : observers_)
        observer.OnImportantEvent(name);
      return;
    }
    case IPC_MESSAGE_ERROR: {
      int code = 0;
      std::wstring text;
      std::string detail;
      if (!iterator->ReadInt(&code) || !iterator->ReadString16(&text) ||
          !iterator->ReadString(&detail)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_ERROR message";
        return;
      }
      VLOG(1) << "IPC_MESSAGE_ERROR(" << code << "," << base::WideToUTF8(text) << "," << detail
              << ") received";
      for (auto& observer : observers_)
        observer.OnError(code, text, detail);
      return;
    }
    case IPC_MESSAGE_SUCCESS:
      VLOG(1) << "IPC_MESSAGE_SUCCESS received";
      for (auto& observer : observers_)
        observer.OnSuccess();
      return;
    case IPC_MESSAGE_ENTERING_PHASE: {
      int phase = 0;
      if (!iterator->ReadInt(&phase)) {
        LOG(ERROR) << "Received invalid IPC_MESSAGE_ENTERING_PHASE message";
        return;
      }
      VLOG(1) << "IPC_MESSAGE_ENTERING_PHASE(" << phase << ") received";
      progress_->SetPhase(static_cast<uint32_t>(phase));
      return;
    }
  }
}

}  // namespace velta
