// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_SMALL_DISK_H_
#define BASE_TEST_SCOPED_SMALL_DISK_H_

#include <stdint.h>

#include "base/files/file_path.h"

namespace velta::test {

// A small file system of its own (a tmpfs of the host) mounted on an empty
// folder for the life of the object, so that writes below the folder run
// out of space as on a full disk, while the folder's drive as a whole still
// reports its own, larger, free space. Mounting needs the host's root
// rights: without them is_valid() is false (and not a test failure), so a
// test can skip. The destructor unmounts it, dropping what it holds.
class ScopedSmallDisk {
 public:
  ScopedSmallDisk(const base::FilePath& folder, uint32_t kilobytes);
  ScopedSmallDisk(const ScopedSmallDisk&) = delete;
  ScopedSmallDisk& operator=(const ScopedSmallDisk&) = delete;
  ~ScopedSmallDisk();

  bool is_valid() const { return is_valid_; }

 private:
  std::string unix_folder_;
  bool is_valid_ = false;
};

}  // namespace velta::test

#endif  // BASE_TEST_SCOPED_SMALL_DISK_H_
