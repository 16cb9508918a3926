// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"

namespace velta {

FolderPreparerImpl::FolderPreparerImpl(const base::FilePath& download_folder,
                                       bool install_assistant,
                                       base::Time now) {
  base::Time::Exploded time;
  now.LocalExplode(&time);
  std::wstring suffix = base::StringPrintf(L"_%04d%02d%02d%02d%02d%02d", time.year, time.month,
                                           time.day_of_month, time.hour, time.minute, time.second);
  package_base_ = download_folder.Append(kPackageFileName + suffix);
  if (install_assistant)
    assistant_folder_ = download_folder.Append(L"assistant" + suffix);
}

FolderPreparerImpl::~FolderPreparerImpl() {
  for (const base::FilePath& folder : created_folders_)
    base::DeletePathRecursively(folder);
  if (!assistant_folder_.empty())
    base::DeletePathRecursively(assistant_folder_);
}

base::FilePath FolderPreparerImpl::PrepareFolder() {
  ++attempt_;
  if (!current_folder_.empty() && !base::DeletePathRecursively(current_folder_))
    LOG(WARNING) << "Unable to delete " << current_folder_.AsUTF8Unsafe();
  current_folder_ = base::FilePath(package_base_.value() + base::NumberToWString(attempt_));
  if (base::CreateDirectory(current_folder_)) {
    created_folders_.push_back(current_folder_);
    return current_folder_;
  }
  SetInstallerError(19, "Could not create a download folder", std::wstring());
  current_folder_.clear();
  return base::FilePath();
}

base::FilePath FolderPreparerImpl::GetPackageFolder() const {
  return package_base_;
}

base::FilePath FolderPreparerImpl::GetAssistantFolder() const {
  return assistant_folder_;
}

}  // namespace velta
