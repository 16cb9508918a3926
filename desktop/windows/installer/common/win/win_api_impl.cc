// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_impl.h"

#include <utility>

#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/app_output_lock.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/win/win_api_drive.h"
#include "desktop/windows/installer/common/win/win_api_mutex.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/common/win/win_api_registry_key.h"

namespace velta {
namespace {

// Installer error codes these operations record.
constexpr uint32_t kErrorGeneric = 1;
constexpr uint32_t kErrorElevationFailed = 8;

// The longest finite wait WaitForSingleObject takes; INFINITE is one more.
constexpr int64_t kMaxFiniteWaitMs = INFINITE - 1;

DWORD ToWaitMilliseconds(base::TimeDelta timeout) {
  if (timeout.is_max())
    return INFINITE;
  int64_t milliseconds = timeout.InMillisecondsRoundedUp();
  if (milliseconds <= 0)
    return 0;
  return static_cast<DWORD>(milliseconds < kMaxFiniteWaitMs ? milliseconds : kMaxFiniteWaitMs);
}

// Runs `capture` (which runs `command_line` and reads its output), holding
// the output lock when `take_lock`, and records its failure.
template <typename Capture>
bool CaptureOutput(const base::CommandLine& command_line, bool take_lock, Capture capture) {
  bool succeeded;
  if (take_lock) {
    base::AutoLock lock(GetAppOutputLock());
    succeeded = capture();
  } else {
    succeeded = capture();
  }
  if (!succeeded)
    WinApiImpl::RecordAppOutputFailure(command_line);
  return succeeded;
}

}  // namespace

WinApiImpl::WinApiImpl() = default;

WinApiImpl::~WinApiImpl() = default;

// static
void WinApiImpl::RecordAppOutputFailure(const base::CommandLine& command_line) {
  std::string detail =
      "Cannot get app output " + base::WideToUTF8(command_line.GetCommandLineString());
  LOG(ERROR) << detail;
  SetInstallerError(kErrorGeneric, detail, std::wstring());
}

// static
void WinApiImpl::RecordElevationFailure(unsigned long system_error) {
  std::string detail =
      "Failed to run the elevated process: " + logging::SystemErrorCodeToString(system_error);
  LOG(ERROR) << detail;
  SetInstallerError(kErrorElevationFailed, detail, std::wstring());
}

std::unique_ptr<WinApiRegistryKey> WinApiImpl::OpenRegKey(HKEY root, const std::wstring& path,
                                                          REGSAM access) {
  return std::make_unique<WinApiRegistryKey>(root, path, access);
}

std::unique_ptr<WinApiProcess> WinApiImpl::LaunchProcess(const base::CommandLine& command_line,
                                                         const base::LaunchOptions& options) {
  return std::make_unique<WinApiProcess>(base::LaunchProcess(command_line, options));
}

bool WinApiImpl::GetAppOutput(const base::CommandLine& command_line, std::string* output,
                              bool take_lock) {
  return CaptureOutput(command_line, take_lock,
                       [&] { return base::GetAppOutput(command_line, output); });
}

bool WinApiImpl::GetAppOutputWithinLimits(const base::CommandLine& command_line,
                                          const base::AppOutputLimits& limits,
                                          std::string* output,
                                          bool take_lock) {
  return CaptureOutput(command_line, take_lock, [&] {
    return base::GetAppOutputWithinLimits(command_line, limits, output);
  });
}

std::unique_ptr<WinApiDriveList> WinApiImpl::GetLogicalDrives() {
  return std::make_unique<WinApiDriveList>(::GetLogicalDrives());
}

std::unique_ptr<WinApiDrive> WinApiImpl::GetDrive(wchar_t letter) {
  return std::make_unique<WinApiDrive>(letter);
}

std::unique_ptr<WinApiProcess> WinApiImpl::RunElevated(const base::CommandLine& command_line) {
  // "runas" with SW_SHOW and no system error box: the failure is recorded
  // here and shown by the installer itself (a declined prompt gives
  // ERROR_CANCELLED).
  base::Process process = base::LaunchElevatedProcess(command_line, base::LaunchOptions());
  if (!process.IsValid()) {
    DWORD error = ::GetLastError();
    RecordElevationFailure(error);
  }
  return std::make_unique<WinApiProcess>(std::move(process));
}

bool WinApiImpl::DeleteLink(const base::FilePath& link) {
  // FILE_FLAG_OPEN_REPARSE_POINT opens the link itself; where a system
  // opens the target instead (Wine), the handle shows no link, and nothing
  // is removed.
  base::win::ScopedHandle handle(::CreateFileW(
      link.value().c_str(), DELETE | FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.IsValid())
    return false;
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  if (!::GetFileInformationByHandleEx(handle.Get(), FileAttributeTagInfo, &tag, sizeof(tag)))
    return false;
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !IsReparseTagNameSurrogate(tag.ReparseTag)) {
    ::SetLastError(ERROR_NOT_A_REPARSE_POINT);
    return false;
  }
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle.Get(), FileDispositionInfo, &disposition,
                                      sizeof(disposition));
}

uint32_t WinApiImpl::GetCurrentThreadId() {
  return ::GetCurrentThreadId();
}

base::win::OSInfo::WindowsArchitecture WinApiImpl::GetOsArchitecture() {
  return base::win::OSInfo::GetInstance()->GetArchitecture();
}

base::win::Version WinApiImpl::GetWindowsVersion() {
  return base::win::GetVersion();
}

std::unique_ptr<WinApiMutex> WinApiImpl::CreateMutex(const std::wstring& name, bool inheritable,
                                                     base::TimeDelta timeout) {
  SECURITY_ATTRIBUTES attributes = {};
  attributes.nLength = sizeof(attributes);
  attributes.bInheritHandle = inheritable ? TRUE : FALSE;
  base::win::ScopedHandle mutex(::CreateMutexW(&attributes, FALSE, name.c_str()));
  if (!mutex.IsValid()) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "Cannot create the mutex " << name << ": "
               << logging::SystemErrorCodeToString(error);
    return std::make_unique<WinApiMutex>(std::move(mutex), false);
  }
  DWORD result = ::WaitForSingleObject(mutex.Get(), ToWaitMilliseconds(timeout));
  // An owner that ended without releasing leaves the mutex abandoned; the
  // waiter owns it all the same.
  bool acquired = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  if (result == WAIT_FAILED)
    PLOG(ERROR) << "Cannot wait for the mutex " << name;
  return std::make_unique<WinApiMutex>(std::move(mutex), acquired);
}

bool WinApiImpl::ShowMessageBox(const std::wstring& caption, const std::wstring& text) {
  return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

std::unique_ptr<WinApiEvent> WinApiImpl::OpenEvent(WinApiEvent::Delegate* delegate,
                                                   const std::wstring& name) {
  base::win::ScopedHandle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
  if (!event.IsValid()) {
    DWORD error = ::GetLastError();
    VLOG(1) << "Cannot open the event " << name << ": " << logging::SystemErrorCodeToString(error);
  }
  return std::make_unique<WinApiEvent>(delegate, std::move(event));
}

}  // namespace velta
