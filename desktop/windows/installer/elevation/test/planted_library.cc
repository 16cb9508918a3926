// Copyright 2026 Velta Software. All rights reserved.

// A library that someone else left in a folder, for the tests of the
// runnable-folder probe: placed as velta_installer.dll beside an
// installer.exe, it is loaded when that installer starts. Loading it writes
// the empty file "planted_library_loaded" beside it, then refuses the load.

#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH)
    return TRUE;
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length =
      ::GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size())
    return FALSE;
  path.resize(length);
  path.replace(path.find_last_of(L'\\') + 1, std::wstring::npos, L"planted_library_loaded");
  HANDLE marker = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE)
    ::CloseHandle(marker);
  return FALSE;
}
