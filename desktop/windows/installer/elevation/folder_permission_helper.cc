// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/folder_permission_helper.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/elevation/folder_permission_access.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/steps/cleanup_batch.h"

namespace velta {
namespace {

// The helper's wait between the undo event and the restore.
constexpr base::TimeDelta kUndoDelay = base::TimeDelta::FromSeconds(10);

base::win::ScopedHandle OpenNamedEvent(DWORD access,
                                       const base::FilePath& folder,
                                       const wchar_t* base_name,
                                       bool global) {
  return base::win::ScopedHandle(
      ::OpenEventW(access, FALSE, MakeNamedObjectName(folder.value(), base_name, global).c_str()));
}

// The process named by the decimal id in `switch_name`, opened to wait for
// it; invalid when absent or not running.
base::win::ScopedHandle OpenProcessFromSwitch(const base::CommandLine& command_line,
                                              const char* switch_name) {
  unsigned pid = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(switch_name), &pid) || pid == 0)
    return base::win::ScopedHandle();
  return base::win::ScopedHandle(::OpenProcess(SYNCHRONIZE, FALSE, pid));
}

// Waits for the package, then runs the package's installer (elevated like
// this process) with the same request, and waits for it.
void WaitForPackageAndRunItsInstaller(const base::CommandLine& command_line,
                                      const base::FilePath& folder) {
  if (!command_line.HasSwitch(kInitialPidSwitch))
    return;
  base::win::ScopedHandle package_ready =
      OpenNamedEvent(SYNCHRONIZE, folder, kPackageReadyEventBaseName, true);
  base::win::ScopedHandle interrupted =
      OpenNamedEvent(SYNCHRONIZE, folder, kInstallationInterruptedEventBaseName, true);
  base::win::ScopedHandle initial_process = OpenProcessFromSwitch(command_line, kInitialPidSwitch);
  if (!package_ready.IsValid() || !interrupted.IsValid() || !initial_process.IsValid())
    return;
  HANDLE handles[] = {package_ready.Get(), interrupted.Get(), initial_process.Get()};
  if (::WaitForMultipleObjects(3, handles, FALSE, INFINITE) != WAIT_OBJECT_0)
    return;

  // The main process gives `wait-for-package` without a value while the
  // package folder is not known; by now the package is complete and the
  // folder is found through the package-folder prefix it handed on.
  base::FilePath package_dir = command_line.GetSwitchValuePath(kWaitForPackageSwitch);
  if (package_dir.empty())
    package_dir = InterprocessState::GetInstance()->ResolvePackageDir();
  if (package_dir.empty()) {
    LOG(ERROR) << "The package folder cannot be found";
    return;
  }
  base::CommandLine installer(package_dir.Append(kPackageInstallerFileName));
  for (const char* name : {kCrashReporterPidSwitch, kSetFolderPermissionSwitch,
                           kPermissionsForUserSwitch, kPermanentPermissionsSwitch,
                           kParentPidSwitch, kInitialPidSwitch}) {
    if (command_line.HasSwitch(name))
      installer.AppendSwitchNative(name, command_line.GetSwitchValueNative(name));
  }
  base::LaunchOptions options;
  options.wait = true;
  base::LaunchProcess(installer, options);
}

// Grants the account write access to the folder and takes the grant back
// when told to, or when the installing process ends.
void GrantUntilUndone(const base::CommandLine& command_line,
                      const base::FilePath& folder,
                      base::TimeDelta undo_delay) {
  base::win::ScopedHandle give =
      OpenNamedEvent(EVENT_ALL_ACCESS, folder, kGiveInstallPermissionEventBaseName, false);
  base::win::ScopedHandle undo =
      OpenNamedEvent(EVENT_ALL_ACCESS, folder, kGiveInstallPermissionUndoEventBaseName, false);
  if (!give.IsValid() || !undo.IsValid())
    return;
  if (!base::CreateDirectory(folder))
    return;
  std::unique_ptr<SecurityRestoreInfo> restore;
  if (!GrantAccountFullAccess(folder.value(), SE_FILE_OBJECT,
                              command_line.GetSwitchValueNative(kPermissionsForUserSwitch),
                              &restore)) {
    return;
  }
  const bool signaled = ::SetEvent(give.Get()) != FALSE;
  if (command_line.HasSwitch(kPermanentPermissionsSwitch))
    return;
  if (signaled) {
    // The installer that asked, so that its death does not leave the grant
    // in place and this process waiting for ever.
    base::win::ScopedHandle installer = OpenProcessFromSwitch(command_line, kParentPidSwitch);
    if (!installer.IsValid())
      installer = OpenProcessFromSwitch(command_line, kInitialPidSwitch);
    std::vector<HANDLE> handles = {undo.Get()};
    if (installer.IsValid())
      handles.push_back(installer.Get());
    const DWORD which = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                 handles.data(), FALSE, INFINITE);
    if (which == WAIT_OBJECT_0)
      ::Sleep(static_cast<DWORD>(undo_delay.InMilliseconds()));
  }
  if (restore)
    SecurityUtils::GetInstance()->RestoreSecurity(&restore);
}

}  // namespace

void RunFolderPermissionHelper() {
  RunFolderPermissionHelperWithDelay(*base::CommandLine::ForCurrentProcess(), kUndoDelay);
}

void RunFolderPermissionHelperWithDelay(const base::CommandLine& command_line,
                                        base::TimeDelta undo_delay) {
  if (!command_line.HasSwitch(kPermissionsForUserSwitch))
    return;
  const base::FilePath folder = command_line.GetSwitchValuePath(kSetFolderPermissionSwitch);
  if (folder.empty())
    return;
  if (command_line.HasSwitch(kWaitForPackageSwitch))
    WaitForPackageAndRunItsInstaller(command_line, folder);
  else
    GrantUntilUndone(command_line, folder, undo_delay);
}

void RunUninstallBatch(const base::FilePath& install_folder) {
  const base::FilePath batch = install_folder.Append(kCleanupBatchName);
  if (!base::PathExists(batch))
    return;
  base::LaunchOptions options;
  options.start_hidden = true;
  options.console_without_window = true;  // as the uninstaller starts it
  base::LaunchProcess(base::CommandLine(batch), options);
}

}  // namespace velta
