// Copyright 2026 Velta Software. All rights reserved.

#include "base/system/sys_info.h"

#include <windows.h>

#include <limits>

#include "base/files/file_path.h"

namespace base {

// static
int64_t SysInfo::AmountOfFreeDiskSpace(const FilePath& path) {
  ULARGE_INTEGER available = {};
  if (!::GetDiskFreeSpaceExW(path.value().c_str(), &available, nullptr, nullptr))
    return -1;
  // A volume larger than 8 EiB does not exist; clamp rather than wrap.
  if (available.QuadPart > static_cast<ULONGLONG>(std::numeric_limits<int64_t>::max()))
    return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(available.QuadPart);
}

}  // namespace base
