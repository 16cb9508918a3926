// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_NATIVE_LIBRARY_H_
#define BASE_NATIVE_LIBRARY_H_

#include <string_view>

#include "base/files/file_path.h"

struct HINSTANCE__;

namespace base {

// A loaded DLL (an HMODULE).
using NativeLibrary = HINSTANCE__*;

// Loads the DLL at `library_path` (LoadLibraryW: a bare name is searched for
// on the usual DLL path). Null on failure, with the system error in `error`
// when given.
NativeLibrary LoadNativeLibrary(const FilePath& library_path, unsigned long* error = nullptr);

// Loads `name` (e.g. L"bcrypt.dll") from the system folder only, never from
// the executable's folder or the current directory. Null on failure.
NativeLibrary LoadSystemLibrary(std::wstring_view name, unsigned long* error = nullptr);

void UnloadNativeLibrary(NativeLibrary library);

// The exported function or variable `name`, or null.
void* GetFunctionPointerFromNativeLibrary(NativeLibrary library, const char* name);

}  // namespace base

#endif  // BASE_NATIVE_LIBRARY_H_
