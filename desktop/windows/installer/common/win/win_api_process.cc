// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_process.h"

#include <windows.h>

#include <string>
#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/exit_codes.h"

namespace velta {

WinApiProcess::WinApiProcess(base::Process process) : process_(std::move(process)) {}

WinApiProcess::~WinApiProcess() = default;

void* WinApiProcess::Handle() const {
  return process_.Handle();
}

bool WinApiProcess::IsValid() const {
  return process_.IsValid();
}

bool WinApiProcess::WaitForElevated() {
  DWORD result = ::WaitForSingleObject(process_.Handle(), INFINITE);
  if (result == WAIT_OBJECT_0)
    return true;
  if (result == WAIT_FAILED) {
    DWORD error = ::GetLastError();
    std::string detail =
        "Failed wait for the elevated process: " + logging::SystemErrorCodeToString(error);
    LOG(ERROR) << detail;
    return SetInstallerError(1, detail, std::wstring());
  }
  std::string detail =
      "Unexpected result when waiting for elevated process: " + std::to_string(result);
  LOG(ERROR) << detail;
  return SetInstallerError(1, detail, std::wstring());
}

bool WinApiProcess::WaitForInputIdle() {
  return ::WaitForInputIdle(process_.Handle(), INFINITE) == 0;
}

uint32_t WinApiProcess::GetExitCode() const {
  return ExitCodeToInstallerResult(process_.Handle());
}

}  // namespace velta
