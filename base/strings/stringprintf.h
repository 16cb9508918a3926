// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_STRINGS_STRINGPRINTF_H_
#define BASE_STRINGS_STRINGPRINTF_H_

#include <stdarg.h>

#include <string>

namespace base {

// printf-style formatting into std::string and std::wstring, on the C
// runtime's vsnprintf/vswprintf. Output of any length is produced (up to
// 32 MiB of characters); a format the runtime cannot apply (a wide string
// argument that does not convert, an output over that size) gives an empty
// result, or leaves `dst` unchanged for the Append forms. In wide formats
// spell narrow strings "%hs" and wide ones "%ls", which mean the same on
// every runtime. Safe on any thread; errno and the last Windows error are
// left as they were.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::wstring StringPrintf(const wchar_t* format, ...);

std::string StringPrintV(const char* format, va_list ap) __attribute__((format(printf, 1, 0)));
std::wstring StringPrintV(const wchar_t* format, va_list ap);

void StringAppendF(std::string* dst, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void StringAppendF(std::wstring* dst, const wchar_t* format, ...);

void StringAppendV(std::string* dst, const char* format, va_list ap)
    __attribute__((format(printf, 2, 0)));
void StringAppendV(std::wstring* dst, const wchar_t* format, va_list ap);

}  // namespace base

#endif  // BASE_STRINGS_STRINGPRINTF_H_
