// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/runner/backend_process_installer_runner_impl.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/pickle.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/runner/installer_job.h"

namespace velta {

BackendProcessInstallerRunnerImpl::BackendProcessInstallerRunnerImpl(
    std::unique_ptr<InstallerJob> installer)
    : installer_(std::move(installer)) {}

BackendProcessInstallerRunnerImpl::~BackendProcessInstallerRunnerImpl() {
  initial_process_watcher_.StopWatching();
  initial_process_.Close();
  installer_.reset();
  sender_.Close();
}

uint32_t BackendProcessInstallerRunnerImpl::Run(Settings* settings) {
  settings_ = settings;
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  const bool has_initial_process = command_line.HasSwitch(kInitialProcHandleSwitch) ||
                                   command_line.HasSwitch(kInitialPidSwitch);
  if (has_initial_process) {
    const uint32_t failure = OpenInitialProcess();
    if (failure != 0)
      return failure;
    if (!initial_process_watcher_.StartWatchingOnce(initial_process_.Get(), this)) {
      LOG(ERROR) << "Failed watching initial process";
      return kResultInitialProcessUnusable;
    }
  } else if (!command_line.HasSwitch(kRegisterProtocolHandlerSwitch)) {
    LOG(ERROR) << "Missing information about initial process";
    return kResultMissingInitialProcess;
  }

  installer_->AddObserver(this);
  if (settings_->IsFetchingFolderDetails()) {
    VLOG(1) << "Waiting for settings to be ready";
    settings_->AddObserver(this);
    observing_settings_ = true;
  } else {
    VLOG(1) << "Settings already obtained. Running.";
    StartInstallation();
  }
  run_loop_.Run();

  LOG(INFO) << "Installer backend exiting";
  // The run may end (the starting process gone) before the settings were
  // ready: they must not report to this runner after it is gone.
  if (observing_settings_) {
    settings_->RemoveObserver(this);
    observing_settings_ = false;
  }
  installer_->RemoveObserver(this);
  return installer_->GetResult();
}

uint32_t BackendProcessInstallerRunnerImpl::OpenInitialProcess() {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(kInitialProcHandleSwitch)) {
    const std::string value = command_line.GetSwitchValueASCII(kInitialProcHandleSwitch);
    VLOG(1) << "Using initial process handle " << value;
    std::vector<uint8_t> bytes;
    if (!base::HexStringToBytes(value, &bytes) || (bytes.size() != 4 && bytes.size() != 8)) {
      LOG(ERROR) << "Failed parsing initial process handle";
      return kResultBadInitialProcessHandle;
    }
    uint64_t handle = 0;
    if (bytes.size() == 4) {
      int32_t value32 = 0;
      for (int i = 3; i >= 0; --i)
        value32 = static_cast<int32_t>((static_cast<uint32_t>(value32) << 8) | bytes[i]);
      handle = static_cast<uint64_t>(static_cast<int64_t>(value32));
    } else {
      for (int i = 7; i >= 0; --i)
        handle = (handle << 8) | bytes[i];
    }
    initial_process_.Set(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)));
    return 0;
  }
  const std::string value = command_line.GetSwitchValueASCII(kInitialPidSwitch);
  VLOG(1) << "Using initial pid " << value;
  unsigned pid = 0;
  if (!base::StringToUint(value, &pid)) {
    LOG(ERROR) << "Failed parsing initial pid";
    return kResultBadInitialPid;
  }
  initial_process_.Set(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!initial_process_.IsValid()) {
    LOG(ERROR) << "Failed opening initial process";
    return kResultInitialProcessUnusable;
  }
  return 0;
}

void BackendProcessInstallerRunnerImpl::StartInstallation() {
  VLOG(2) << "Starting installation";
  sender_.Connect(GetInstallerMailslotName(settings_->GetInstallFolder()));
  installer_->Run(settings_);
}

void BackendProcessInstallerRunnerImpl::OnStatsSettingChanged() {}

void BackendProcessInstallerRunnerImpl::OnLanguageChanged() {}

void BackendProcessInstallerRunnerImpl::OnPathChanged() {
  VLOG(1) << "Settings obtained. Running.";
  settings_->RemoveObserver(this);
  observing_settings_ = false;
  StartInstallation();
}

void BackendProcessInstallerRunnerImpl::OnObjectSignaled(void* /*object*/) {
  VLOG(1) << "Installer UI process ended";
  run_loop_.Quit();
}

void BackendProcessInstallerRunnerImpl::OnInstallFolderCreated() {
  sender_.Send(MakeInstallerMessage(IPC_MESSAGE_INSTALL_FOLDER_CREATED));
}

void BackendProcessInstallerRunnerImpl::OnStartingNewMainProcess(bool flag) {
  VLOG(1) << "Sending IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS(" << flag << ")";
  std::unique_ptr<base::Pickle> message =
      MakeInstallerMessage(IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS);
  message->WriteBool(flag);
  sender_.Send(std::move(message));
  // The new process reports to the same mailslot as soon as it starts: what
  // this one sent before (the copy's steps) must be there first, or those
  // reports arrive among the new process's and after its success, when the
  // main process no longer reads.
  sender_.Flush();
}

void BackendProcessInstallerRunnerImpl::OnEnteringPhase(int phase) {
  VLOG(1) << "Sending IPC_MESSAGE_ENTERING_PHASE(" << phase << ")";
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_ENTERING_PHASE);
  message->WriteInt(phase);
  sender_.Send(std::move(message));
}

void BackendProcessInstallerRunnerImpl::OnReturnedToPreviousMainProcess() {
  VLOG(1) << "Sending IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS";
  sender_.Send(MakeInstallerMessage(IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS));
}

void BackendProcessInstallerRunnerImpl::OnTotalSteps(int count) {
  VLOG(1) << "Sending IPC_MESSAGE_TOTAL_STEPS(" << count << ")";
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_TOTAL_STEPS);
  message->WriteInt(count);
  sender_.Send(std::move(message));
}

void BackendProcessInstallerRunnerImpl::OnStepStarting(const std::string& name) {
  VLOG(1) << "Sending IPC_MESSAGE_STEP_STARTING";
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_STEP_STARTING);
  message->WriteString(name);
  sender_.Send(std::move(message));
}

void BackendProcessInstallerRunnerImpl::OnStepFinished(const std::string& name,
                                                       int attempt,
                                                       int finished) {
  VLOG(1) << "Sending IPC_MESSAGE_STEP_FINISHED";
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_STEP_FINISHED);
  message->WriteString(name);
  message->WriteInt(attempt);
  message->WriteInt(finished);
  sender_.Send(std::move(message));
}

void BackendProcessInstallerRunnerImpl::OnImportantEvent(const std::string& name) {
  VLOG(1) << "Sending " << GetInstallerMessageTypeName(IPC_MESSAGE_IMPORTANT_EVENT);
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_IMPORTANT_EVENT);
  message->WriteString(name);
  sender_.Send(std::move(message));
}

void BackendProcessInstallerRunnerImpl::OnError(int code,
                                                const std::wstring& text,
                                                const std::string& detail) {
  VLOG(1) << "Sending IPC_MESSAGE_ERROR(" << code << "," << base::WideToUTF8(text) << ","
          << detail << ")";
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_ERROR);
  message->WriteInt(code);
  message->WriteString16(text);
  message->WriteString(detail);
  sender_.Send(std::move(message));
  run_loop_.Quit();
}

void BackendProcessInstallerRunnerImpl::OnSuccess() {
  VLOG(1) << "Sending IPC_MESSAGE_SUCCESS";
  sender_.Send(MakeInstallerMessage(IPC_MESSAGE_SUCCESS));
  run_loop_.Quit();
}

void BackendProcessInstallerRunnerImpl::OnInstallationCancelled() {
  VLOG(1) << "Process terminating.";
  run_loop_.Quit();
}

}  // namespace velta
