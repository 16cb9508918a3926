// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_UNWRITABLE_FOLDER_H_
#define BASE_TEST_SCOPED_UNWRITABLE_FOLDER_H_

#include <string>

#include "base/files/file_path.h"

namespace velta::test {

// A folder whose entries nobody can add, remove or rename for the life of
// the object, as a read-only install folder: the host's immutable
// attribute (chattr +i), which under Wine, where every access check passes,
// really fails such writes (the files in it stay writable). Setting it
// needs the host's root rights: without them is_valid() is false (and not a
// test failure), so a test can skip. The destructor clears it.
class ScopedUnwritableFolder {
 public:
  explicit ScopedUnwritableFolder(const base::FilePath& folder);
  ScopedUnwritableFolder(const ScopedUnwritableFolder&) = delete;
  ScopedUnwritableFolder& operator=(const ScopedUnwritableFolder&) = delete;
  ~ScopedUnwritableFolder();

  bool is_valid() const { return is_valid_; }

 private:
  std::string unix_folder_;
  bool is_valid_ = false;
};

}  // namespace velta::test

#endif  // BASE_TEST_SCOPED_UNWRITABLE_FOLDER_H_
