// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_MODULE_H_
#define BASE_WIN_SCOPED_MODULE_H_

#include <windows.h>

#include "base/win/scoped_handle.h"

namespace base::win {

// Frees with FreeLibrary a module that LoadLibraryW or LoadLibraryExW loaded,
// as code or as a data file. Both return null on failure.
struct ModuleTraits {
  using Handle = HMODULE;
  static bool CloseHandle(Handle module) { return ::FreeLibrary(module) != FALSE; }
  static bool IsHandleValid(Handle module) { return module != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

using ScopedModule = GenericScopedHandle<ModuleTraits>;

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_MODULE_H_
