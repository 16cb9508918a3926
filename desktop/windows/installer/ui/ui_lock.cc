// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/ui_lock.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_mutex.h"

namespace velta {

namespace {

constexpr wchar_t kLockFileName[] = L"velta_installer_ui.lck";

// Reads the owner's thread id from a lock file another process holds; 0 when
// the file cannot be opened or holds fewer than 4 bytes.
uint32_t ReadOwnerThreadId(const base::FilePath& path) {
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
  if (!file.IsValid()) {
    PLOG(WARNING) << "Existing installer UI lock file is invalid";
    return 0;
  }
  uint32_t thread_id = 0;
  DWORD read = 0;
  if (!::ReadFile(file.Get(), &thread_id, sizeof(thread_id), &read, nullptr) ||
      read != sizeof(thread_id)) {
    LOG(WARNING) << "Existing installer UI lock file is invalid: " << read << " bytes read";
    return 0;
  }
  return thread_id;
}

BOOL CALLBACK BringToFront(HWND window, LPARAM found) {
  if (!::IsWindowEnabled(window) || !::IsWindowVisible(window))
    return TRUE;
  ::SetForegroundWindow(window);
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

}  // namespace

bool GetUiLockFilePath(base::FilePath* path) {
  base::FilePath temp;
  if (!base::GetTempDir(&temp))
    return false;
  *path = temp.Append(kLockFileName);
  return true;
}

uint32_t GetUiLock(base::win::ScopedHandle* lock_file) {
  LOG(INFO) << "Getting installer UI mutex";
  const std::wstring mutex_name =
      L"Local\\" + base::UTF8ToWide(GetBrandName()) + L"/Installer/UI_lock";
  std::unique_ptr<WinApiMutex> guard =
      WinApi::GetInstance()->CreateMutex(mutex_name, /*inheritable=*/false, base::TimeDelta::Max());
  if (!guard || !guard->IsAcquired()) {
    LOG(ERROR) << "Cannot acquire the installer UI mutex";
    return 0;
  }

  // Without a temporary folder there is no lock to take: the run goes on as
  // the only window rather than stopping.
  base::FilePath path;
  if (!GetUiLockFilePath(&path)) {
    LOG(WARNING) << "No temporary folder for the installer UI lock";
    return 0;
  }

  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                             nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                                             nullptr));
  if (file.IsValid()) {
    const uint32_t thread_id = WinApi::GetInstance()->GetCurrentThreadId();
    DWORD written = 0;
    if (!::WriteFile(file.Get(), &thread_id, sizeof(thread_id), &written, nullptr) ||
        written != sizeof(thread_id)) {
      // A lock that others cannot read is no lock: give it up.
      PLOG(ERROR) << "Cannot write the installer UI lock file";
      return 0;
    }
    VLOG(1) << "Obtained installer UI lock";
    *lock_file = std::move(file);
    return thread_id;
  }

  VLOG(1) << "Didn't obtain installer UI lock";
  return ReadOwnerThreadId(path);
}

bool SwitchToUiThreadWindow(uint32_t thread_id) {
  LOG(INFO) << "Another instance of the installer UI is running. Switching to it";
  bool found = false;
  ::EnumThreadWindows(thread_id, &BringToFront, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace velta
