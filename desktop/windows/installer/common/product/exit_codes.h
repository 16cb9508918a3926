// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_EXIT_CODES_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_EXIT_CODES_H_

#include <stdint.h>

namespace velta {

// Installer result codes that the entry and the controllers produce
// themselves; every other non-zero result is an installer error code.
enum InstallerResult : uint32_t {
  kInstallerResultSuccess = 0,
  kInstallerResultOwnPathNotFound = 1,
  kInstallerResultChildFailed = 13,
  kInstallerResultChildInvalidArguments = 14,
  kInstallerResultChildUnknownExit = 15,
  kInstallerResultNoDownloadFolder = 16,
  kInstallerResultCorruptedPayload = 18,
  kInstallerResultPackageFetchFailed = 19,
  kInstallerResultNoResult = 20,
  kInstallerResultChildCrashed = 26,
};

// The process exit code for a result: 0 stays 0, any other N is 100 + N.
uint32_t InstallerResultToExitCode(uint32_t result);

// The result that a child's exit code stands for: 0 is 0, 1 is 13, 2 is 14,
// an access violation (0xC0000005) is 26, 100 to 124 are 0 to 24, anything
// else is 15.
uint32_t InstallerResultFromExitCode(uint32_t exit_code);

// The same for a finished child process (its handle, as a HANDLE): 15 when
// the exit code cannot be read, and for a process still running (259).
uint32_t ExitCodeToInstallerResult(void* process_handle);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_EXIT_CODES_H_
