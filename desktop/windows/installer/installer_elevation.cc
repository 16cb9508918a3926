// Copyright 2026 Velta Software. All rights reserved.

// The two roads of the installer that leave the current process: an elevated
// copy of this backend, and the elevated folder-permission helper.

#include <windows.h>

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/elevation/elevation.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/installer.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status_loader.h"

namespace velta {
namespace {

// `wait-for-package` as this process got it, for a child that must wait for
// the package too. The main process gives it without a value (the package
// folder is not known yet); the child then finds the folder through the
// package-folder prefix that the interprocess state hands on.
void CopyWaitForPackage(const base::CommandLine& own, base::CommandLine* command_line) {
  if (!own.HasSwitch(kWaitForPackageSwitch))
    return;
  const base::FilePath folder = own.GetSwitchValuePath(kWaitForPackageSwitch);
  if (folder.empty())
    command_line->AppendSwitch(kWaitForPackageSwitch);
  else
    command_line->AppendSwitchPath(kWaitForPackageSwitch, folder);
}

base::win::ScopedHandle CreatePermissionEvent(const base::FilePath& path,
                                              const wchar_t* base_name) {
  return base::win::ScopedHandle(::CreateEventW(
      nullptr, FALSE, FALSE, MakeNamedObjectName(path.value(), base_name, false).c_str()));
}

}  // namespace

bool Installer::RunElevated() {
  LOG(INFO) << "Running the installer elevated.";
  if (!IsUacEnabled())
    return SetInstallerError(kResultCannotElevate, "Cannot elevate with UAC disabled",
                             std::wstring());
  base::CommandLine* own = base::CommandLine::ForCurrentProcess();
  if (own->HasSwitch(kRunElevatedSwitch)) {
    return SetInstallerError(kResultCannotElevate,
                             "This process should already be elevated, but isn't.",
                             std::wstring());
  }

  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  // The elevated copy never starts the browser: this process does, as the
  // user, in its post-elevation tasks.
  settings_->AppendToCommandLine(true, &command_line);
  command_line.AppendSwitchASCII(kParentPidSwitch, base::NumberToString(::GetCurrentProcessId()));
  command_line.SetProgram(own->GetProgram());
  InterprocessState::GetInstance()->AppendToCommandLine(&command_line);
  CopyWaitForPackage(*own, &command_line);
  command_line.AppendSwitch(kRunElevatedSwitch);
  const InstallOperation op = GetInstallOperation();
  const base::FilePath path = settings_->GetInstallFolder();

  for (InstallerObserver& observer : observers_)
    observer.OnStartingNewMainProcess(true);
  std::unique_ptr<WinApiProcess> process = WinApi::GetInstance()->RunElevated(command_line);
  if (!process->IsValid()) {
    return AppendInstallerError("Could not run the elevated installer process", 0,
                                std::wstring());
  }
  const bool waited = process->WaitForElevated();
  for (InstallerObserver& observer : observers_)
    observer.OnReturnedToPreviousMainProcess();
  if (!waited)
    return AppendInstallerError("Elevated installer", 0, std::wstring());
  const uint32_t exit_code = process->GetExitCode();
  if (exit_code != 0) {
    return SetInstallerError(exit_code, "Elevated process returned an error.", std::wstring());
  }
  if (op == InstallOperation::kUninstall)
    return true;

  std::unique_ptr<InstallationStatus> status;
  InstallationStatusLoader::GetInstance()->Load(&status, path, StatusRecoveryMode::kNone, nullptr,
                                                nullptr);
  if (!status) {
    return SetInstallerError(kResultGeneralFailure,
                             "Elevated process did not write new installation status",
                             std::wstring());
  }
  own->AppendSwitchPath(kInstallSubfolderSwitch, status->subfolder);
  if (own->HasSwitch(kWaitForPackageSwitch)) {
    if (!RunPackageInstaller(true))
      return AppendInstallerError("Cannot run post elevated actions", 0, std::wstring());
    return true;
  }
  RunPostElevationTasks(status.get());
  return true;
}

bool Installer::ObtainFolderPermission(const base::FilePath& path, bool permanent) {
  LOG(INFO) << "Running an elevated process to give "
            << (permanent ? "permanent" : "temporary")
            << " permissions on the install folder to this process";
  if (!IsUacEnabled())
    return SetInstallerError(kResultCannotElevate, "Cannot elevate with UAC disabled",
                             std::wstring());
  std::wstring user_name;
  if (!GetCurrentUserName(&user_name))
    return SetInstallerError(kResultGeneralFailure, "Failed to obtain user name", std::wstring());
  VLOG(1) << "User name is" << user_name;

  const base::CommandLine& own = *base::CommandLine::ForCurrentProcess();
  base::CommandLine command_line(own.GetProgram());
  command_line.AppendSwitchPath(kSetFolderPermissionSwitch, path);
  command_line.AppendSwitchNative(kPermissionsForUserSwitch, user_name);
  if (permanent)
    command_line.AppendSwitch(kPermanentPermissionsSwitch);
  if (GetInstallOperation() == InstallOperation::kUninstall)
    command_line.AppendSwitch(kRunUninstallBatSwitch);
  AppendCrashReporterPid(&command_line);
  InterprocessState::GetInstance()->AppendToCommandLine(&command_line);
  CopyWaitForPackage(own, &command_line);
  if (own.HasSwitch(kInitialPidSwitch))
    command_line.AppendSwitchNative(kInitialPidSwitch, own.GetSwitchValueNative(kInitialPidSwitch));
  // The helper takes a temporary grant back as soon as this process ends,
  // even when it dies before it could say so.
  command_line.AppendSwitchASCII(kParentPidSwitch, base::NumberToString(::GetCurrentProcessId()));

  base::win::ScopedHandle give_event = CreatePermissionEvent(path, kGiveInstallPermissionEventBaseName);
  if (!give_event.IsValid()) {
    return SetInstallerError(kResultGeneralFailure,
                             "Failed to create event for communicating with the elevated process",
                             std::wstring());
  }
  base::win::ScopedHandle undo_event =
      CreatePermissionEvent(path, kGiveInstallPermissionUndoEventBaseName);
  if (!undo_event.IsValid()) {
    return SetInstallerError(
        kResultGeneralFailure,
        "Failed to create undo event for communicating with the elevated process",
        std::wstring());
  }
  if (WinApi::GetInstance()->GetWindowsVersion() <= base::win::VERSION_SERVER_2003 &&
      (!FixEventACL(give_event.Get()) || !FixEventACL(undo_event.Get()))) {
    return SetInstallerError(kResultGeneralFailure, "Cannot fix ACL event", std::wstring());
  }

  std::unique_ptr<WinApiProcess> process = WinApi::GetInstance()->RunElevated(command_line);
  if (!process->IsValid()) {
    return AppendInstallerError(
        "Could not run the elevated process for grabbing install permissions", 0,
        std::wstring());
  }
  HANDLE handles[] = {static_cast<HANDLE>(process->Handle()), give_event.Get()};
  const DWORD signaled = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (signaled != WAIT_OBJECT_0 + 1) {
    const DWORD error = signaled == WAIT_FAILED ? ::GetLastError() : ERROR_PROCESS_ABORTED;
    return SetInstallerError(
        kResultCannotElevate,
        "Failed to wait for the elevated process: " + logging::SystemErrorCodeToString(error),
        std::wstring());
  }
  permission_undo_event_ = std::move(undo_event);
  second_installer_pid_ = ::GetProcessId(static_cast<HANDLE>(process->Handle()));
  return true;
}

}  // namespace velta
