// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SHORTCUTS_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SHORTCUTS_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

class ShortcutStep;
struct ShortcutLocation;

// The file name of the browser's shortcuts (from the localised display
// name), with ".lnk".
std::wstring GetShortcutName();

// Creates the master shortcut to `target` in the package folder, pins it
// when `pin` (and the web shortcut with it), copies it to each location
// marked kCreate through the run's transaction, recording each copy's path
// in its status field, and pins it to Start from Windows 10 on. False only
// when the master shortcut cannot be made; pin failures are logged.
bool CreateShortcuts(ShortcutStep* step,
                     ShortcutLocation locations[3],
                     bool pin,
                     const base::FilePath& target);

// Unpins each shortcut of `paths` and deletes it through the run's
// transaction; failures are logged.
void UnpinAndDeleteShortcuts(ShortcutStep* step, const std::vector<base::FilePath>& paths);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SHORTCUTS_H_
