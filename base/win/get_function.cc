// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/get_function.h"

#include <windows.h>

#include <string>

namespace base::win {
namespace {

// Loads `module_name` from the system folder only: a DLL of that name beside
// the executable (the download folder, for an installer) must never be
// picked up, nor one of the libraries it imports.
HMODULE LoadSystemLibrary(const wchar_t* module_name) {
  HMODULE module = ::LoadLibraryExW(module_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER)
    return module;
  // Windows 7 without its 2011 loader update does not know the flag; the
  // full path still keeps the library itself to the system folder.
  wchar_t system_folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(system_folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  const std::wstring path = std::wstring(system_folder) + L"\\" + module_name;
  return ::LoadLibraryW(path.c_str());
}

}  // namespace

GenericFunction GetFunctionAddress(const wchar_t* module_name, const char* function_name) {
  HMODULE module = ::GetModuleHandleW(module_name);
  if (!module)
    module = LoadSystemLibrary(module_name);
  if (!module)
    return nullptr;
  return reinterpret_cast<GenericFunction>(::GetProcAddress(module, function_name));
}

}  // namespace base::win
