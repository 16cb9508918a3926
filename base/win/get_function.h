// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_GET_FUNCTION_H_
#define BASE_WIN_GET_FUNCTION_H_

// Functions that newer Windows versions add (and Wine may lack) are looked up
// by name at run time instead of being imported, so that the binaries still
// start on the oldest supported Windows:
//
//   auto is_wow64_process2 = BASE_WIN_GET_FUNCTION(L"kernel32.dll", IsWow64Process2);
//   if (is_wow64_process2 && is_wow64_process2(...)) ...
//
// The type comes from the function's declaration (in the SDK headers or in
// base/win/mingw_sdk_gaps.h), so a wrong signature cannot be written by hand.

namespace base::win {

using GenericFunction = void (*)();

// The address of `function_name` in the system library `module_name`, or null
// when the library or the function does not exist. A library that is not yet
// loaded is loaded from the system folder and stays loaded for the life of the
// process. Thread-safe.
GenericFunction GetFunctionAddress(const wchar_t* module_name, const char* function_name);

template <typename Function>
Function GetFunction(const wchar_t* module_name, const char* function_name) {
  // The detour through a plain function pointer type keeps -Wcast-function-type
  // quiet: any function pointer converts to and from it.
  return reinterpret_cast<Function>(GetFunctionAddress(module_name, function_name));
}

}  // namespace base::win

// Looks `function` up in `module_name` once per call site and process (the
// result, null included, is kept in a function-local static) and returns it
// typed as a pointer to the declared function.
#define BASE_WIN_GET_FUNCTION(module_name, function)                      \
  ([]() {                                                                 \
    static const auto kFunction =                                         \
        ::base::win::GetFunction<decltype(&function)>(module_name, #function); \
    return kFunction;                                                     \
  }())

#endif  // BASE_WIN_GET_FUNCTION_H_
