// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_LEFTOVER_REMOVER_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_LEFTOVER_REMOVER_H_

#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Whether `name` is the name a transaction gives a file it parks:
// "<name>.<seconds>.old" or "<name>.<seconds>.<n>.old", the seconds since
// the Unix epoch (nine digits or more).
bool IsParkedFileName(std::wstring_view name);

// Takes away what runs that never finished (killed, or ended with the
// machine) left in an installation folder, once a later run there has
// succeeded and its own transaction has committed: version folders that no
// status records (the statuses given to Keep and every record of
// old_status), and parked files in the folder itself and in its version
// folders. Nothing a status records is touched, nor anything outside the
// version folders but the folder's own parked files. What cannot be removed
// (in use) is logged and left for the next run.
class LeftoverRemover {
 public:
  explicit LeftoverRemover(const base::FilePath& folder);
  LeftoverRemover(const LeftoverRemover&) = delete;
  LeftoverRemover& operator=(const LeftoverRemover&) = delete;
  ~LeftoverRemover();

  // The version folder and files of `status` stay.
  void Keep(const InstallationStatus& status);

  void Run();

 private:
  // Reads every record of old_status into `kept_`.
  void KeepOldStatusRecords();
  bool IsKeptFolder(const base::FilePath& name) const;
  bool IsKeptFile(const base::FilePath& path) const;
  // Deletes the parked files directly in `folder`, and below it when
  // `recursive`.
  void RemoveParkedFiles(const base::FilePath& folder, bool recursive) const;

  const base::FilePath folder_;
  std::vector<InstallationStatus> kept_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_LEFTOVER_REMOVER_H_
