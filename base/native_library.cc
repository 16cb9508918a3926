// Copyright 2026 Velta Software. All rights reserved.

#include "base/native_library.h"

#include <windows.h>

#include <string>

namespace base {

NativeLibrary LoadNativeLibrary(const FilePath& library_path, unsigned long* error) {
  HMODULE module = ::LoadLibraryW(library_path.value().c_str());
  if (!module && error)
    *error = ::GetLastError();
  return module;
}

NativeLibrary LoadSystemLibrary(std::wstring_view name, unsigned long* error) {
  wchar_t system_folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(system_folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    if (error)
      *error = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
    return nullptr;
  }
  return LoadNativeLibrary(FilePath(system_folder).Append(name), error);
}

void UnloadNativeLibrary(NativeLibrary library) {
  if (library)
    ::FreeLibrary(library);
}

void* GetFunctionPointerFromNativeLibrary(NativeLibrary library, const char* name) {
  if (!library)
    return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(library, name));
}

}  // namespace base
