// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_FILE_LINK_H_
#define BASE_TEST_SCOPED_FILE_LINK_H_

#include "base/files/file_path.h"

namespace velta::test {

// A symbolic link to a file for the life of the object: the destructor
// removes the link itself, never the target.
//
// Under Wine 8 CreateSymbolicLinkW makes nothing: the link is a Unix
// symbolic link, made and removed by the host's ln and rm. Wine shows it as
// the plain file it leads to (no reparse point; only its final path tells),
// and DeleteFileW, or a deletion through a handle, deletes the target.
class ScopedFileLink {
 public:
  // Makes `link`, which must not exist, lead to the file `target`. A
  // failure is a test failure; see is_valid().
  ScopedFileLink(const base::FilePath& link, const base::FilePath& target);
  ScopedFileLink(const ScopedFileLink&) = delete;
  ScopedFileLink& operator=(const ScopedFileLink&) = delete;
  ~ScopedFileLink();

  bool is_valid() const { return is_valid_; }

 private:
  const base::FilePath link_;
  bool is_valid_ = false;
};

}  // namespace velta::test

#endif  // BASE_TEST_SCOPED_FILE_LINK_H_
