// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/utils.h"

#include <stdio.h>
#include <windows.h>

namespace velta {
namespace {

// English (United States): the texts go to logs and to the error record's
// detail, which are read in English whatever the user's language.
constexpr DWORD kEnglishLanguageId = 1033;
constexpr DWORD kErrorTextBufferSize = 256;

bool IsAsciiWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Turns every run of white space into one blank and trims both ends: system
// texts end in "\r\n" and some span several lines.
std::string CollapseWhitespace(const char* text) {
  std::string result;
  bool pending_blank = false;
  for (const char* c = text; *c; ++c) {
    if (IsAsciiWhitespace(*c)) {
      pending_blank = !result.empty();
      continue;
    }
    if (pending_blank)
      result.push_back(' ');
    pending_blank = false;
    result.push_back(*c);
  }
  return result;
}

}  // namespace

std::string FormatSystemErrorMessage(uint32_t code) {
  char buffer[kErrorTextBufferSize];
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, kEnglishLanguageId, buffer,
                                  kErrorTextBufferSize, nullptr);
  char suffix[64];
  if (length == 0) {
    DWORD format_error = ::GetLastError();
    snprintf(suffix, sizeof(suffix), "Error (0x%lX) while retrieving error. (0x%lX)",
             static_cast<unsigned long>(format_error), static_cast<unsigned long>(code));
    return suffix;
  }
  buffer[length < kErrorTextBufferSize ? length : kErrorTextBufferSize - 1] = '\0';
  snprintf(suffix, sizeof(suffix), " (0x%lX)", static_cast<unsigned long>(code));
  return CollapseWhitespace(buffer) + suffix;
}

}  // namespace velta
