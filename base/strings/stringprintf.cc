// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/stringprintf.h"

#include <errno.h>
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

#include <vector>

#include "base/logging.h"

namespace base {
namespace {

// Larger outputs are refused rather than allocated.
constexpr size_t kMaxOutputLength = 32 * 1024 * 1024;

int VsnprintfT(char* buffer, size_t size, const char* format, va_list ap) {
  return vsnprintf(buffer, size, format, ap);
}

int VsnprintfT(wchar_t* buffer, size_t size, const wchar_t* format, va_list ap) {
  return vswprintf(buffer, size, format, ap);
}

// Saves errno and the last Windows error, restoring them on exit.
class ScopedErrorState {
 public:
  ScopedErrorState() : errno_(errno), last_error_(::GetLastError()) {}
  ScopedErrorState(const ScopedErrorState&) = delete;
  ScopedErrorState& operator=(const ScopedErrorState&) = delete;
  ~ScopedErrorState() {
    errno = errno_;
    ::SetLastError(last_error_);
  }

 private:
  const int errno_;
  const DWORD last_error_;
};

template <typename Char>
void StringAppendVT(std::basic_string<Char>* dst, const Char* format, va_list ap) {
  ScopedErrorState error_state;
  Char stack_buffer[1024];
  va_list ap_copy;
  va_copy(ap_copy, ap);
  errno = 0;
  int result = VsnprintfT(stack_buffer, std::size(stack_buffer), format, ap_copy);
  va_end(ap_copy);
  if (result >= 0 && static_cast<size_t>(result) < std::size(stack_buffer)) {
    dst->append(stack_buffer, static_cast<size_t>(result));
    return;
  }
  // Runtimes differ on a short buffer: the narrow one reports the length it
  // needs, the wide one may report -1 (with errno ERANGE, or 0 under some
  // runtimes). Grow by the length needed, or by doubling, up to the limit;
  // -1 with another errno is a format the runtime refuses (EILSEQ).
  size_t length = std::size(stack_buffer);
  while (true) {
    if (result < 0) {
      if (errno != 0 && errno != ERANGE && errno != EOVERFLOW)
        return;
      length *= 2;
    } else {
      length = static_cast<size_t>(result) + 1;
    }
    if (length > kMaxOutputLength) {
      DLOG(WARNING) << "StringPrintf output too large: refused";
      return;
    }
    std::vector<Char> heap_buffer(length);
    va_copy(ap_copy, ap);
    errno = 0;
    result = VsnprintfT(heap_buffer.data(), length, format, ap_copy);
    va_end(ap_copy);
    if (result >= 0 && static_cast<size_t>(result) < length) {
      dst->append(heap_buffer.data(), static_cast<size_t>(result));
      return;
    }
  }
}

}  // namespace

std::string StringPrintf(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string result;
  StringAppendVT(&result, format, ap);
  va_end(ap);
  return result;
}

std::wstring StringPrintf(const wchar_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::wstring result;
  StringAppendVT(&result, format, ap);
  va_end(ap);
  return result;
}

std::string StringPrintV(const char* format, va_list ap) {
  std::string result;
  StringAppendVT(&result, format, ap);
  return result;
}

std::wstring StringPrintV(const wchar_t* format, va_list ap) {
  std::wstring result;
  StringAppendVT(&result, format, ap);
  return result;
}

void StringAppendF(std::string* dst, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  StringAppendVT(dst, format, ap);
  va_end(ap);
}

void StringAppendF(std::wstring* dst, const wchar_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  StringAppendVT(dst, format, ap);
  va_end(ap);
}

void StringAppendV(std::string* dst, const char* format, va_list ap) {
  StringAppendVT(dst, format, ap);
}

void StringAppendV(std::wstring* dst, const wchar_t* format, va_list ap) {
  StringAppendVT(dst, format, ap);
}

}  // namespace base
