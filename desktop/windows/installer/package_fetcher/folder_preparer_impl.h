// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FOLDER_PREPARER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FOLDER_PREPARER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <vector>

#include "base/time/time.h"
#include "desktop/windows/installer/package_fetcher/folder_preparer.h"
#include "desktop/windows/installer/package_fetcher/package_folder_mark.h"

namespace velta {

// Package folders are "velta_package_<YYYYMMDDhhmmss><number>" in the
// download folder, the number counting attempts and skipping the names that
// are taken (by another installer started in the same second): each folder
// is made new, never taken as found. The assistant folder,
// "assistant_<YYYYMMDDhhmmss>", is made the same way by the constructor, a
// number following the time when the name is taken. The destructor deletes
// every folder made, and the assistant folder: once the controller ends, the
// backend has copied what it needs. The current package folder carries the
// run's mark (PackageFolderMark) while it is in use, and the first folder
// is made once the package folders of ended runs are gone.
class FolderPreparerImpl : public FolderPreparer {
 public:
  // `now` names the folders (local time).
  FolderPreparerImpl(const base::FilePath& download_folder, bool install_assistant, base::Time now);
  FolderPreparerImpl(const FolderPreparerImpl&) = delete;
  FolderPreparerImpl& operator=(const FolderPreparerImpl&) = delete;
  ~FolderPreparerImpl() override;

  base::FilePath PrepareFolder() override;
  base::FilePath GetPackageFolder() const override;
  base::FilePath GetAssistantFolder() const override;

 private:
  uint32_t attempt_ = 0;
  base::FilePath package_base_;
  base::FilePath assistant_folder_;
  // False when the assistant folder could not be made here: it is then
  // left alone at the end.
  bool assistant_folder_owned_ = true;
  base::FilePath current_folder_;
  std::unique_ptr<PackageFolderMark> current_mark_;
  std::vector<base::FilePath> created_folders_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FOLDER_PREPARER_IMPL_H_
