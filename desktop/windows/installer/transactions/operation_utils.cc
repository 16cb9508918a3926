// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/operation_utils.h"

#include <windows.h>
#include <stdio.h>

namespace velta::internal {

std::string FormatSystemErrorMessage(uint32_t code) {
  char buffer[256] = {};
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 1033, buffer, sizeof(buffer), nullptr);
  char code_text[64];
  if (length == 0) {
    DWORD format_error = ::GetLastError();
    snprintf(code_text, sizeof(code_text), "Error (0x%lX) while retrieving error. (0x%lX)",
             format_error, static_cast<unsigned long>(code));
    return code_text;
  }
  // Collapse the line breaks and runs of spaces of the system text.
  std::string text;
  bool pending_space = false;
  for (DWORD i = 0; i < length && buffer[i]; ++i) {
    const char c = buffer[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      pending_space = !text.empty();
      continue;
    }
    if (pending_space)
      text += ' ';
    pending_space = false;
    text += c;
  }
  snprintf(code_text, sizeof(code_text), " (0x%lX)", static_cast<unsigned long>(code));
  return text + code_text;
}

void AppendError(std::string* error, std::string_view text) {
  if (error)
    error->append(text);
}

void SetError(std::string* error, std::string_view text) {
  if (error)
    error->assign(text);
}

bool ClearReadOnlyAttribute(const base::FilePath& path, bool* was_read_only) {
  if (was_read_only)
    *was_read_only = false;
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (!(attributes & FILE_ATTRIBUTE_READONLY))
    return true;
  if (!::SetFileAttributesW(path.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
    return false;
  if (was_read_only)
    *was_read_only = true;
  return true;
}

bool SetReadOnlyAttribute(const base::FilePath& path) {
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  return ::SetFileAttributesW(path.value().c_str(), attributes | FILE_ATTRIBUTE_READONLY) != 0;
}

void RemoveEmptyFoldersUpwards(const base::FilePath& folder) {
  base::FilePath current = folder;
  while (::RemoveDirectoryW(current.value().c_str())) {
    base::FilePath parent = current.DirName();
    if (parent == current)
      break;
    current = parent;
  }
}

}  // namespace velta::internal
