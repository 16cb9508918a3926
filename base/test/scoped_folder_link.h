// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_FOLDER_LINK_H_
#define BASE_TEST_SCOPED_FOLDER_LINK_H_

#include "base/files/file_path.h"

namespace velta::test {

// A symbolic link to a folder, seen as Windows shows a junction or a
// symbolic link (a folder with FILE_ATTRIBUTE_REPARSE_POINT), for the life of
// the object: the destructor removes the link itself, never the target.
//
// Under Wine 8 neither CreateSymbolicLinkW (it reports success and makes
// nothing) nor FSCTL_SET_REPARSE_POINT (ERROR_NOT_SUPPORTED) makes a link,
// and every removal through the link's name acts on the target
// (RemoveDirectoryW removes an empty target and fails on a full one,
// DeleteFileW and MoveFileW reach through) where Windows acts on the link.
// There the link is a Unix symbolic link, made and removed by the host's ln
// and rm.
class ScopedFolderLink {
 public:
  // Makes `link`, which must not exist, lead to the folder `target`. A
  // failure is a test failure; see is_valid().
  ScopedFolderLink(const base::FilePath& link, const base::FilePath& target);
  ScopedFolderLink(const ScopedFolderLink&) = delete;
  ScopedFolderLink& operator=(const ScopedFolderLink&) = delete;
  ~ScopedFolderLink();

  bool is_valid() const { return is_valid_; }

 private:
  const base::FilePath link_;
  bool is_valid_ = false;
};

}  // namespace velta::test

#endif  // BASE_TEST_SCOPED_FOLDER_LINK_H_
