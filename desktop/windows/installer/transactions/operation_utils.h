// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_UTILS_H_

#include <stdint.h>

#include <string>
#include <string_view>

#include "base/files/file_path.h"

namespace velta::internal {

// Small helpers the operations share. The file ones block on the file system.

// Appends `text` to `*error` when `error` is not null.
void AppendError(std::string* error, std::string_view text);
// Replaces `*error` with `text` when `error` is not null.
void SetError(std::string* error, std::string_view text);

// Clears the read-only attribute of `path`. `*was_read_only` (may be null)
// tells whether it was set. True when the file is writable afterwards; false
// (with the Windows error kept) when its attributes cannot be read or set.
bool ClearReadOnlyAttribute(const base::FilePath& path, bool* was_read_only);
// Sets the read-only attribute of `path` again; false when that fails.
bool SetReadOnlyAttribute(const base::FilePath& path);

// Removes `folder` and then its parents with RemoveDirectoryW for as long as
// that succeeds, i.e. while each one is empty, and only while they lie below
// `limit`: `limit` itself and every folder outside it stay, as does
// everything when `limit` is empty.
void RemoveEmptyFoldersUpwards(const base::FilePath& folder, const base::FilePath& limit);

}  // namespace velta::internal

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_UTILS_H_
