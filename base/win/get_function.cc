// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/get_function.h"

#include <windows.h>

#include <string>

namespace base::win {

GenericFunction GetFunctionAddress(const wchar_t* module_name, const char* function_name) {
  HMODULE module = ::GetModuleHandleW(module_name);
  if (!module) {
    // Only from the system folder: a DLL of that name beside the executable
    // (the download folder, for an installer) must never be picked up.
    wchar_t system_folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system_folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
      return nullptr;
    const std::wstring path = std::wstring(system_folder) + L"\\" + module_name;
    module = ::LoadLibraryW(path.c_str());
    if (!module)
      return nullptr;
  }
  return reinterpret_cast<GenericFunction>(::GetProcAddress(module, function_name));
}

}  // namespace base::win
