// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_PACKAGE_HANDLER_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_PACKAGE_HANDLER_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/lzma_util/unpack_progress_delegate.h"

namespace base {
class CommandLine;
class FilePath;
}  // namespace base

namespace velta {

class FileVersionUtils;
class InstallerContext;
class LzmaUtil;

// The switch that names the versioned installation subfolder of a run.
inline constexpr char kInstallSubfolderSwitch[] = "install-subfolder";
// The step name under which the package's files are reported as they are
// copied or unpacked.
inline constexpr char kDirectUnpackingStepName[] = "direct_unpacking";

// Whether `step_name` is the package handler's progress ("direct_unpacking").
bool IsDirectUnpackingStep(const std::string& step_name);

// Where the package handler reports its progress: the installer's observers.
class PackageProgressObserver {
 public:
  virtual ~PackageProgressObserver() = default;

  virtual void OnTotalSteps(int32_t total) = 0;
  // One more file is in place; `index` counts from 0.
  virtual void OnStepFinished(const std::string& step_name, int32_t index) = 0;
};

// Puts the package's files into the installation: chooses and creates the
// versioned subfolder, then copies an unpacked package's files into it or
// unpacks the package archive there. Every change runs through the
// context's transaction, so a failed run is rolled back with the rest.
// Owned by the installer; the context and the observer must outlive it.
// Main thread only.
class PackageHandler : public UnpackProgressDelegate {
 public:
  PackageHandler(std::unique_ptr<FileVersionUtils> file_version_utils,
                 std::unique_ptr<LzmaUtil> lzma_util,
                 InstallerContext* context,
                 PackageProgressObserver* observer);
  PackageHandler(const PackageHandler&) = delete;
  PackageHandler& operator=(const PackageHandler&) = delete;
  ~PackageHandler() override;

  // Creates the subfolder named after the package's version (the version
  // followed by "_0", "_1", ... when that name is taken) and appends it to
  // `command_line` as `install-subfolder`. Nothing to do for an uninstall, a
  // repair, or when the switch is there already. False with the installer
  // error set (code 6).
  bool PrepareInstallSubfolder(base::CommandLine* command_line);

  // PrepareInstallSubfolder, then the copy (inside a package) or the unpack.
  // False with the installer error set: 6 subfolder, 10 copy, 1 unpack.
  bool InstallPackageFiles(base::CommandLine* command_line);

  // UnpackProgressDelegate:
  void SetTotalFiles(int total) override;
  void OnFileUnpacked(int index) override;

 private:
  // The version text of the package, or empty with the installer error set.
  std::string GetPackageVersion(const base::FilePath& package_dir);
  bool CopyUnpackedFiles();
  bool UnpackInstaller(const base::FilePath& destination);

  std::unique_ptr<FileVersionUtils> file_version_utils_;
  std::unique_ptr<LzmaUtil> lzma_util_;
  InstallerContext* const context_;
  PackageProgressObserver* const observer_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_PACKAGE_HANDLER_H_
