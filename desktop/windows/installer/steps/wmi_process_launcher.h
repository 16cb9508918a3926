// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_WMI_PROCESS_LAUNCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_WMI_PROCESS_LAUNCHER_H_

#include <stdint.h>

#include <string>

namespace velta {

// Starts `command_line` through WMI (Win32_Process.Create), so that the new
// process belongs to no job or process tree of the installer and outlives
// it. Answers whether it started; its id goes to `process_id` (may be
// null). Blocks on COM calls; COM must be initialised on the calling
// thread. Under Wine the working folder is ignored and the environment is
// reduced (no TEMP).
bool WmiLaunchProcess(const std::wstring& command_line, uint32_t* process_id);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_WMI_PROCESS_LAUNCHER_H_
