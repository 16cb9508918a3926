// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_ELEVATION_ELEVATION_H_
#define DESKTOP_WINDOWS_INSTALLER_ELEVATION_ELEVATION_H_

#include <windows.h>

namespace velta {

// Whether an elevation through User Account Control can work: the user can
// become an administrator, or the system predates UAC, or UAC is not switched
// off by the machine policy's "EnableLUA" of 0. Asks the process-wide
// SecurityUtils and WinApi, so tests can put fakes in place.
bool IsUacEnabled();

// Lets the built-in Administrators open `event`, which a non-elevated process
// created, with full access (needed only before Windows Vista, where the
// elevated process runs as another account). False, with an ERROR line, when
// the access list cannot be read, built or written; the event is then
// unchanged.
bool FixEventACL(HANDLE event);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_ELEVATION_ELEVATION_H_
