// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <string>

#include "base/system/sys_info.h"
#include "base/win/scoped_handle.h"

namespace velta {

WinApiDrive::WinApiDrive(wchar_t letter) : letter_(letter) {}

WinApiDrive::~WinApiDrive() = default;

bool WinApiDrive::IsMediaPresent() const {
  const std::wstring volume = std::wstring(L"\\\\.\\") + letter_ + L":";
  base::win::ScopedHandle device(::CreateFileW(volume.c_str(), FILE_READ_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
  if (!device.IsValid())
    return false;
  DWORD returned = 0;
  // The "2" variant needs only FILE_READ_ATTRIBUTES, so it works without
  // administrator rights.
  BOOL succeeded = ::DeviceIoControl(device.Get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0,
                                     nullptr, 0, &returned, nullptr);
  return IsMediaPresentResult(succeeded != FALSE, succeeded ? ERROR_SUCCESS : ::GetLastError());
}

unsigned int WinApiDrive::GetDriveType() const {
  return ::GetDriveTypeW(GetRootPath().value().c_str());
}

base::FilePath WinApiDrive::GetRootPath() const {
  return base::FilePath(std::wstring(1, letter_) + L":\\");
}

uint64_t WinApiDrive::GetFreeMegabytes() const {
  const int64_t bytes = base::SysInfo::AmountOfFreeDiskSpace(GetRootPath());
  return bytes > 0 ? static_cast<uint64_t>(bytes) / (1024 * 1024) : 0;
}

// static
bool WinApiDrive::IsMediaPresentResult(bool succeeded, unsigned long error) {
  // A medium that was swapped since the last check is present all the same.
  return succeeded || error == ERROR_MEDIA_CHANGED;
}

WinApiDriveList::WinApiDriveList(uint32_t drive_mask) : drive_mask_(drive_mask) {}

WinApiDriveList::~WinApiDriveList() = default;

std::unique_ptr<WinApiDrive> WinApiDriveList::TakeDrive() {
  while (last_letter_ < L'Z') {
    ++last_letter_;
    if (drive_mask_ & (1u << (last_letter_ - L'A')))
      return CreateDrive(last_letter_);
  }
  return nullptr;
}

std::unique_ptr<WinApiDrive> WinApiDriveList::CreateDrive(wchar_t letter) {
  return std::make_unique<WinApiDrive>(letter);
}

}  // namespace velta
