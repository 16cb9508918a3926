// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/operation_utils.h"

#include <windows.h>
#include <stdio.h>

namespace velta::internal {

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

void RemoveEmptyFoldersUpwards(const base::FilePath& folder, const base::FilePath& limit) {
  // "<limit>\..\x" names a folder beside `limit`, not below it.
  if (folder.ReferencesParent())
    return;
  for (base::FilePath current = folder; !limit.empty() && limit.IsParent(current);
       current = current.DirName()) {
    if (!::RemoveDirectoryW(current.value().c_str()))
      break;
  }
}

}  // namespace velta::internal
