// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_IMPORTANT_FILE_WRITER_H_
#define BASE_FILES_IMPORTANT_FILE_WRITER_H_

#include <string_view>

#include "base/files/file_path.h"

namespace base {

// Replaces a file's contents so that a reader, a crash or a power cut sees
// either the whole old file or the whole new one, never a mix or a torn
// file. Only the static writer is offered (no scheduled writes). Blocks on
// disk I/O; call it off the UI thread.
class ImportantFileWriter {
 public:
  ImportantFileWriter() = delete;

  // Writes `data` to a new temporary file in `path`'s folder, flushes it to
  // the disk, then renames it over `path` (MoveFileExW with
  // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). On any failure
  // `path` keeps its old contents, the temporary file is removed, and the
  // failure is logged with its Windows error, also left in GetLastError().
  static bool WriteFileAtomically(const FilePath& path, std::string_view data);
};

}  // namespace base

#endif  // BASE_FILES_IMPORTANT_FILE_WRITER_H_
