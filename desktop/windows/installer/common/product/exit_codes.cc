// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/exit_codes.h"

#include <windows.h>

#include "base/logging.h"

namespace velta {

uint32_t InstallerResultToExitCode(uint32_t result) {
  return result == 0 ? 0 : 100 + result;
}

uint32_t InstallerResultFromExitCode(uint32_t exit_code) {
  if (exit_code == 0)
    return kInstallerResultSuccess;
  if (exit_code == 1)
    return kInstallerResultChildFailed;
  if (exit_code == 2)
    return kInstallerResultChildInvalidArguments;
  if (exit_code == 0xC0000005u)
    return kInstallerResultChildCrashed;
  if (exit_code >= 100 && exit_code <= 124)
    return exit_code - 100;
  return kInstallerResultChildUnknownExit;
}

uint32_t ExitCodeToInstallerResult(void* process_handle) {
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(static_cast<HANDLE>(process_handle), &exit_code)) {
    PLOG(ERROR) << "Cannot read the exit code of the child process";
    return kInstallerResultChildUnknownExit;
  }
  return InstallerResultFromExitCode(static_cast<uint32_t>(exit_code));
}

}  // namespace velta
