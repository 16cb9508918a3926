// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_RELATIVE_PATHS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_RELATIVE_PATHS_H_

#include <string_view>

#include "base/files/file_path.h"

namespace velta {

// Whether `path`, read from a files list or a status record, stays inside
// the folder it is relative to: not empty, not absolute, no drive or stream
// colon, no ".." component. Such an entry from a damaged or forged file
// must not make a copy, move or deletion reach elsewhere.
bool IsRelativePathInside(const base::FilePath& path);

// Whether `name` can only ever name one entry of the folder it is appended
// to: not empty, not "." or "..", no separator, drive or stream colon,
// wildcard or other character Windows refuses in a name.
bool IsSingleEntryName(std::wstring_view name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_RELATIVE_PATHS_H_
