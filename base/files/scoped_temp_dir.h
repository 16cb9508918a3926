// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_SCOPED_TEMP_DIR_H_
#define BASE_FILES_SCOPED_TEMP_DIR_H_

#include "base/files/file_path.h"

namespace base {

// Owns a folder and deletes it, with everything in it, when destroyed. Made
// by one of the Create functions or handed over with Set; Take gives the
// folder back to the caller. Use on one sequence. A folder that cannot be
// deleted on destruction is logged and left behind.
class ScopedTempDir {
 public:
  // No folder yet.
  ScopedTempDir();
  ScopedTempDir(ScopedTempDir&& other) noexcept;
  ScopedTempDir& operator=(ScopedTempDir&& other);
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  ~ScopedTempDir();

  // Each creates a new, uniquely named folder and fails when this object
  // already holds one. Under the user's temporary folder:
  [[nodiscard]] bool CreateUniqueTempDir();
  // Under `base_path`, which is made first when missing:
  [[nodiscard]] bool CreateUniqueTempDirUnderPath(const FilePath& base_path);
  // Takes ownership of `path`, making it when missing.
  [[nodiscard]] bool Set(const FilePath& path);

  // Deletes the folder now. On failure the folder stays owned (and a later
  // Delete or the destructor tries again).
  [[nodiscard]] bool Delete();
  // Gives up ownership without deleting; returns the path.
  [[nodiscard]] FilePath Take();

  // The folder; only while IsValid().
  const FilePath& GetPath() const;
  // True while a folder is owned.
  bool IsValid() const;

 private:
  FilePath path_;
};

}  // namespace base

#endif  // BASE_FILES_SCOPED_TEMP_DIR_H_
