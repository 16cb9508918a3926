// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_H_

#include <string>
#include <vector>

namespace base {
class FilePath;
}

namespace velta {

// Questions about the running process and its package that several parts of
// the installer ask.
//
// One process-wide instance (see ProcessWide): the real one is made on first
// use, on the main thread before any worker starts, from the process's command
// line and executable, and is never destroyed; a test puts another in place
// with ProcessWide<InstallerUtils>::ScopedOverride. The free functions below
// forward to it. Its answers never change, so any thread may ask.
class InstallerUtils {
 public:
  InstallerUtils(const InstallerUtils&) = delete;
  InstallerUtils& operator=(const InstallerUtils&) = delete;
  virtual ~InstallerUtils();

  // The one a test put in place, else the real one.
  static InstallerUtils* GetInstance();

  // Whether this process is the installer of an unpacked package: an
  // executable named exactly "installer.exe" beside the browser executable
  // and a "files_list", and a run that neither uninstalls nor registers the
  // protocol handler (those run the installed copy, wherever it lies).
  // Decided once, when the instance is made.
  virtual bool IsInsidePackage() const = 0;

  // Whether the process was started with `backend`.
  virtual bool IsBackend() const = 0;

  // Appends the lines of the files list at `path` to `files`: the file is
  // split at every carriage return and line feed, empty lines are dropped and
  // other white space is kept. When the file cannot be read, `files` is left
  // as it was, the installer error is set (code 1) and false returned.
  virtual bool ReadFilesList(const base::FilePath& path,
                             std::vector<std::string>* files) const = 0;

 protected:
  InstallerUtils() = default;
};

// Forwarders to InstallerUtils::GetInstance().
bool IsRunningInsidePackage();
bool IsBackendProcess();
bool ReadFilesList(const base::FilePath& path, std::vector<std::string>* files);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_H_
