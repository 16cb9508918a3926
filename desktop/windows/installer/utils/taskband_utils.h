// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

// The browser's pins on the taskbar and in Start: finds the pins an
// earlier installation left, pins and unpins. From Windows 10 on, pinning
// runs the package's helper ("installer_helper_64.exe" on 64-bit Windows,
// else "installer_helper.exe") with "2" (taskbar) or "1" (Start) and the
// shortcut's path; for the taskbar the helper is first copied to the
// temporary folder as "explorer.exe". Before Windows 10 the shell's verbs
// pin and unpin.
//
// Made per use (the install folder's details own one); holds no state, so
// any thread may use it. Reading shortcuts needs COM on the calling thread.
class TaskbandUtils {
 public:
  TaskbandUtils(const TaskbandUtils&) = delete;
  TaskbandUtils& operator=(const TaskbandUtils&) = delete;
  virtual ~TaskbandUtils();

  // How a pin is asked for: kRepin only every kRepinInterval (the periodic
  // re-pin of an update), and a successful one records the time.
  enum class PinMode { kPin = 0, kRepin = 2 };

  // Creates the shortcut `name` to `target` (working folder: the target's;
  // app id `app_id`) in the temporary folder and pins it. False when the
  // shortcut cannot be made or the pin fails.
  virtual bool CreateAndPinShortcut(const base::FilePath& helper_folder,
                                    const base::FilePath& target,
                                    const std::wstring& name,
                                    const std::wstring& app_id,
                                    PinMode mode) = 0;
  // Pins `shortcut` to the taskbar with the helper of `helper_folder`.
  virtual bool Pin(const base::FilePath& helper_folder,
                   const base::FilePath& shortcut,
                   PinMode mode) = 0;
  // Pins `shortcut` to Start with the helper of `helper_folder`, run in
  // place; false before Windows 10.
  virtual bool PinToStart(const base::FilePath& helper_folder, const base::FilePath& shortcut) = 0;
  // Unpins `shortcut` from the taskbar through the shell's verb.
  virtual bool Unpin(const base::FilePath& shortcut) = 0;

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
