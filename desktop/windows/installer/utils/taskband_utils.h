// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

// The browser's pins on the taskbar. Today it finds the pins an earlier
// installation left, so that they can be made again; pinning and unpinning
// come with the shortcut steps of the install job.
//
// Made per use (the install folder's details own one); holds no state, so
// any thread may use it. Reading shortcuts needs COM on the calling thread.
class TaskbandUtils {
 public:
  TaskbandUtils(const TaskbandUtils&) = delete;
  TaskbandUtils& operator=(const TaskbandUtils&) = delete;
  virtual ~TaskbandUtils();

  // Appends to `pins` the shortcuts of the user's taskbar pins folder (not
  // its sub-folders) that start `target` (same path ignoring case, or, when
  // `target_identity` is given, the same file by volume and file index) and
  // whose app id ends with `app_id_suffix` ignoring case (any app id when the
  // suffix is empty). Nothing before Windows 7 or without the folder.
  virtual void FindPinnedShortcuts(const base::FilePath& target,
                                   const std::wstring& app_id_suffix,
                                   const BY_HANDLE_FILE_INFORMATION* target_identity,
                                   std::vector<base::FilePath>* pins) const = 0;

 protected:
  TaskbandUtils() = default;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_H_
