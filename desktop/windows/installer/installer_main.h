// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLER_MAIN_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLER_MAIN_H_

#include <stdint.h>

// The library's single entry, called once by the installer executable. Reads
// the process's own command line, plays the process role it names and returns
// the process's exit code: 0, or 100 + the installer result.
extern "C" __declspec(dllexport) uint32_t RunInstaller();

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLER_MAIN_H_
