// Copyright 2026 Velta Software. All rights reserved.

#include "base/base_paths.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/win/windows_version.h"

namespace base {
namespace {

bool GetKnownFolder(REFKNOWNFOLDERID id, FilePath* result) {
  // Flags 0: a folder that does not exist is a failure, as with the
  // well-known CSIDL road (SHGetFolderPathW without CSIDL_FLAG_CREATE).
  wchar_t* path = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
  if (SUCCEEDED(hr) && path)
    *result = FilePath(path);
  ::CoTaskMemFree(path);
  return SUCCEEDED(hr);
}

// The file name of `module` (null: the executable), of any length.
bool GetModulePath(HMODULE module, FilePath* result) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return false;
    if (length < path.size()) {
      path.resize(length);
      *result = FilePath(path);
      return true;
    }
    if (path.size() >= 32768)
      return false;
    path.resize(path.size() * 2);
  }
}

bool GetThisModulePath(FilePath* result) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&GetThisModulePath), &module)) {
    return false;
  }
  return GetModulePath(module, result);
}

bool GetEnvironmentPath(const wchar_t* name, FilePath* result) {
  wchar_t value[MAX_PATH + 1];
  const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH)
    return false;
  *result = FilePath(std::wstring_view(value, length));
  return true;
}

}  // namespace

bool PathProvider(int key, FilePath* result) {
  struct KnownFolderKey {
    int key;
    const KNOWNFOLDERID* id;
  };
  static const KnownFolderKey kKnownFolders[] = {
      {DIR_HOME, &FOLDERID_Profile},
      {DIR_USER_DESKTOP, &FOLDERID_Desktop},
      {DIR_WINDOWS, &FOLDERID_Windows},
      {DIR_PROGRAM_FILES, &FOLDERID_ProgramFiles},
      {DIR_COMMON_START_MENU, &FOLDERID_CommonPrograms},
      {DIR_START_MENU, &FOLDERID_Programs},
      {DIR_APP_DATA, &FOLDERID_RoamingAppData},
      {DIR_LOCAL_APP_DATA, &FOLDERID_LocalAppData},
      {DIR_COMMON_APP_DATA, &FOLDERID_ProgramData},
      {DIR_COMMON_DESKTOP, &FOLDERID_PublicDesktop},
  };
  FilePath path;
  for (const KnownFolderKey& known : kKnownFolders) {
    if (known.key == key) {
      if (!GetKnownFolder(*known.id, &path))
        return false;
      *result = path;
      return true;
    }
  }
  switch (key) {
    case DIR_CURRENT:
      if (!GetCurrentDirectory(&path))
        return false;
      break;
    case FILE_EXE:
      if (!GetModulePath(nullptr, &path))
        return false;
      break;
    case FILE_MODULE:
      if (!GetThisModulePath(&path))
        return false;
      break;
    case DIR_EXE:
      if (!GetModulePath(nullptr, &path))
        return false;
      path = path.DirName();
      break;
    case DIR_MODULE:
      if (!GetThisModulePath(&path))
        return false;
      path = path.DirName();
      break;
    case DIR_TEMP: {
      wchar_t folder[MAX_PATH + 1];
      const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
      if (length == 0 || length > MAX_PATH)
        return false;
      path = FilePath(std::wstring_view(folder, length)).StripTrailingSeparators();
      break;
    }
    case DIR_SYSTEM: {
      wchar_t folder[MAX_PATH];
      const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
      if (length == 0 || length >= MAX_PATH)
        return false;
      path = FilePath(std::wstring_view(folder, length));
      break;
    }
    case DIR_PROGRAM_FILESX86:
      if (!GetKnownFolder(win::OSInfo::GetInstance()->GetArchitecture() ==
                                  win::OSInfo::X86_ARCHITECTURE
                              ? FOLDERID_ProgramFiles
                              : FOLDERID_ProgramFilesX86,
                          &path)) {
        return false;
      }
      break;
    case DIR_PROGRAM_FILES6432:
      // FOLDERID_ProgramFilesX64 is refused to 32-bit processes; WOW64 sets
      // ProgramW6432 for them instead.
      if (sizeof(void*) == 4 &&
          win::OSInfo::GetInstance()->wow64_status() == win::OSInfo::WOW64_ENABLED) {
        if (!GetEnvironmentPath(L"ProgramW6432", &path))
          return false;
      } else if (!GetKnownFolder(FOLDERID_ProgramFiles, &path)) {
        return false;
      }
      break;
    // Built from the roaming folder rather than FOLDERID_QuickLaunch and
    // FOLDERID_UserPinned, which are the same folders on Windows but fail
    // under Wine (0x80070057).
    case DIR_USER_QUICK_LAUNCH:
      if (!GetKnownFolder(FOLDERID_RoamingAppData, &path))
        return false;
      path = path.Append(L"Microsoft\\Internet Explorer\\Quick Launch");
      break;
    case DIR_TASKBAR_PINS:
      if (!GetKnownFolder(FOLDERID_RoamingAppData, &path))
        return false;
      path = path.Append(L"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar");
      break;
    default:
      return false;
  }
  *result = path;
  return true;
}

}  // namespace base
