// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_GET_FUNCTION_H_
#define BASE_WIN_GET_FUNCTION_H_

#include <windows.h>

#include <type_traits>

// System functions are looked up by name at run time instead of being
// imported, for two reasons:
//
// - Functions that newer Windows versions add (and Wine may lack), so that the
//   binaries still start on the oldest supported Windows:
//
//     auto is_wow64_process2 = BASE_WIN_GET_FUNCTION(L"kernel32.dll", IsWow64Process2);
//     if (is_wow64_process2 && is_wow64_process2(...)) ...
//
// - Libraries that only some work needs (HTTP, signature checks, images), so
//   that a process that never does that work does not load them at start-up.
//   (The system libraries that the window, COM and the shell need are
//   delay-loaded instead: cmake/velta_delay_imports.cmake.) Such a library is
//   left off the import table and each call goes through BASE_WIN_LAZY_CALL:
//
//     HINTERNET session = BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpOpen)(...);
//
//   which calls the function when it exists and otherwise fails the way the
//   function itself reports failure: a null pointer or FALSE, with
//   ERROR_PROC_NOT_FOUND as the last error. Callers keep the error handling
//   they had for the imported function.
//
// The type comes from the function's declaration (in the SDK headers or in
// base/win/mingw_sdk_gaps.h), so a wrong signature cannot be written by hand.
// Only the declaration is used: naming the function here does not import it.

namespace base::win {

using GenericFunction = void (*)();

// The address of `function_name` in the system library `module_name`, or null
// when the library or the function does not exist. A library that is not yet
// loaded is loaded from the system folder only (never from the executable's
// folder, the download folder for an installer) and stays loaded for the
// life of the process. Thread-safe.
GenericFunction GetFunctionAddress(const wchar_t* module_name, const char* function_name);

template <typename Function>
Function GetFunction(const wchar_t* module_name, const char* function_name) {
  // The detour through a plain function pointer type keeps -Wcast-function-type
  // quiet: any function pointer converts to and from it.
  return reinterpret_cast<Function>(GetFunctionAddress(module_name, function_name));
}

namespace internal {

// What BASE_WIN_LAZY_CALL returns in place of a missing function's result.
// Only the two failure conventions that need no knowledge of the function
// are covered; a function that reports failure otherwise (an HRESULT, a
// status code, a count) is looked up with BASE_WIN_GET_FUNCTION and its
// absence handled at the call site.
template <typename Result>
Result MissingFunctionResult() {
  ::SetLastError(ERROR_PROC_NOT_FOUND);
  if constexpr (std::is_void_v<Result>) {
    return;
  } else if constexpr (std::is_pointer_v<Result>) {
    return nullptr;
  } else {
    static_assert(std::is_same_v<Result, BOOL>,
                  "only functions that return BOOL, a pointer or a handle fail on their own; "
                  "use BASE_WIN_GET_FUNCTION and check for null");
    return FALSE;
  }
}

// Builds the callable of BASE_WIN_LAZY_CALL with the function's own
// parameter types, so that arguments convert as they would in a direct call
// (NULL and 0 included). `lookup` returns the address typed with the
// function's calling convention, so the call itself is made the declared way.
template <typename Result, typename... Args>
struct LazyCall {
  template <typename Lookup>
  static auto Make(Lookup lookup) {
    return [lookup](Args... args) -> Result {
      const auto address = lookup();
      if (!address)
        return MissingFunctionResult<Result>();
      return address(args...);
    };
  }
};

// Only named in decltype, to take a function pointer type apart: GCC ignores
// a calling convention in a class template's specialisation, but keeps it in
// a function template's parameter.
template <typename Result, typename... Args>
LazyCall<Result, Args...> LazyCallFor(Result (*)(Args...));
#if defined(__i386__)
template <typename Result, typename... Args>
LazyCall<Result, Args...> LazyCallFor(Result(__stdcall*)(Args...));
#endif

}  // namespace internal
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

// A callable that calls `function` of `module_name`, looked up on the first
// call from this call site, or fails as described at the top of this file
// when the library or the function is missing.
#define BASE_WIN_LAZY_CALL(module_name, function)                    \
  (decltype(::base::win::internal::LazyCallFor(&function))::Make(   \
      [] { return BASE_WIN_GET_FUNCTION(module_name, function); }))

#endif  // BASE_WIN_GET_FUNCTION_H_
