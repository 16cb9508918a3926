// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FOLDER_MARK_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FOLDER_MARK_H_

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

namespace velta {

// The mark of the run that made a package folder: the file "fetch.lock" in
// it, which the run holds open without delete sharing for as long as the
// folder is in use. Runs going on at once share the one download folder,
// and a run that is killed (while it downloads, say) never removes its
// package folder: the next run removes the package folders whose mark it
// can delete, that is, of runs that have ended. A folder without a mark
// (one an installer that makes none left, or one whose run has only just
// made it) is never taken for an ended run's.
class PackageFolderMark {
 public:
  // Makes and holds the mark in `folder`, a package folder the run has just
  // made; logs when it cannot, and the folder is then left alone by later
  // runs.
  explicit PackageFolderMark(const base::FilePath& folder);
  PackageFolderMark(const PackageFolderMark&) = delete;
  PackageFolderMark& operator=(const PackageFolderMark&) = delete;
  // Releases the mark (the folder is then about to go).
  ~PackageFolderMark();

  // Removes the package folders ("velta_package_*") in `download_folder`
  // of runs that have ended: each whose mark, no run holding it, can be
  // deleted, with all it holds (the part of a package, the unpacking's and
  // the additional files' temporary files). What cannot be deleted stays.
  // Blocks on disk work.
  static void RemoveEndedRunsFolders(const base::FilePath& download_folder);

 private:
  base::win::ScopedHandle file_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FOLDER_MARK_H_
