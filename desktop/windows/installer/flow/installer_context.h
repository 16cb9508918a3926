// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_CONTEXT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/settings.h"

namespace base {
class FilePath;
}  // namespace base

namespace velta {

class InstallationFolderDetails;
class OperationFactory;
class PlaceholderResolver;
class Transaction;
struct InstallationStatus;

// What the installer of one job offers its install steps and its package
// handler: the run's settings, folders, transaction and operation factory,
// the status record being built and the observers' sink. Implemented by the
// installer, which outlives every step; used on the main thread only.
class InstallerContext {
 public:
  virtual ~InstallerContext() = default;

  virtual Settings* GetSettings() = 0;
  // The settings' install operation; kNotDecided without settings.
  virtual InstallOperation GetInstallOperation() = 0;
  // Every file and registry operation of the run is executed into it.
  virtual Transaction* GetTransaction() = 0;
  virtual OperationFactory* GetOperationFactory() = 0;
  // The record of the installation that the folder details found, or null.
  virtual InstallationStatus* GetExistingInstallation() = 0;
  // The install folder joined with the installation subfolder.
  virtual void GetInstallTargetFolder(base::FilePath* folder) = 0;
  // The package folder, the source of the installed files.
  virtual void GetPackageDir(base::FilePath* folder) = 0;
  // The version folder of the run: the same folder as
  // GetInstallTargetFolder.
  virtual void GetVersionFolder(base::FilePath* folder) = 0;
  // The install folder as the folder details know it.
  virtual void GetInstallFolder(base::FilePath* folder) = 0;
  // The same install folder, read through the settings.
  virtual void GetInstallPath(base::FilePath* folder) = 0;
  // The record the steps fill for the new status file.
  virtual InstallationStatus* GetNewInstallationStatus() = 0;
  virtual InstallationFolderDetails* GetFolderDetails() = 0;
  // The process id of the run's other installer process: the backend that
  // started this elevated copy, or the folder-permission helper that
  // started this backend; 0 when there is none. k.bat waits for it.
  virtual uint32_t GetSecondInstallerPid() const = 0;
  virtual PlaceholderResolver* GetPlaceholderResolver() = 0;
  virtual void StartRegistryRecording() = 0;
  virtual void StopRegistryRecording() = 0;
  // Hands a short event name to every installer observer.
  virtual void ReportImportantEvent(const std::string& name) = 0;
  // Whether the folder details found an installation in the folder.
  virtual bool HasExistingInstallation() = 0;
  virtual bool IsMinimalInstall() = 0;
  virtual bool IsRunningFromTargetFolder() = 0;
  // Whether a package folder was given on the command line.
  virtual bool HasPackageDir() = 0;
  // Whether the user's write access to the install folder is a temporary
  // grant that the installer takes back at its end (the autoupdate task
  // could then not update a current-user installation).
  virtual bool HasPendingPermissionUndo() const = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_CONTEXT_H_
