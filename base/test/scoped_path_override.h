// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_PATH_OVERRIDE_H_
#define BASE_TEST_SCOPED_PATH_OVERRIDE_H_

#include "base/files/file_path.h"

namespace base {

// Makes a PathService key answer a test's own folder while it lives; the
// key's override is removed at destruction (so two of these for one key must
// not overlap).
class ScopedPathOverride {
 public:
  // `path` must be absolute; a missing folder is created. Check is_valid().
  ScopedPathOverride(int key, const FilePath& path);
  ScopedPathOverride(const ScopedPathOverride&) = delete;
  ScopedPathOverride& operator=(const ScopedPathOverride&) = delete;
  ~ScopedPathOverride();

  bool is_valid() const { return is_valid_; }

 private:
  const int key_;
  bool is_valid_ = false;
};

}  // namespace base

#endif  // BASE_TEST_SCOPED_PATH_OVERRIDE_H_
