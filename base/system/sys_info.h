// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SYSTEM_SYS_INFO_H_
#define BASE_SYSTEM_SYS_INFO_H_

#include <stdint.h>

namespace base {

class FilePath;

// Questions about the machine. Stateless; callable from any thread.
class SysInfo {
 public:
  SysInfo() = delete;

  // The bytes that the current user may still write on the volume holding
  // `path` (an existing file or folder; a drive root such as "C:\" names the
  // drive), quotas included. -1 when the volume cannot be asked (no such
  // drive, a path that does not exist). Touches the disk.
  static int64_t AmountOfFreeDiskSpace(const FilePath& path);
};

}  // namespace base

#endif  // BASE_SYSTEM_SYS_INFO_H_
