// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FOLDER_PREPARER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FOLDER_PREPARER_H_

#include "base/files/file_path.h"

namespace velta {

// Names, makes and finally removes the package folders of a fetch.
class FolderPreparer {
 public:
  virtual ~FolderPreparer() = default;

  // Deletes the previous attempt's folder and makes the next numbered one
  // that did not exist. Empty (installer error 19 set) when none can be made.
  virtual base::FilePath PrepareFolder() = 0;
  virtual base::FilePath GetPackageFolder() const = 0;
  // Empty unless the assistant is installed.
  virtual base::FilePath GetAssistantFolder() const = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FOLDER_PREPARER_H_
