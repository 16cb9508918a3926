// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"

namespace velta {

namespace {

// How many taken names one PrepareFolder skips before it gives up.
constexpr uint32_t kMaxTakenFolders = 1000;

base::FilePath Fail() {
  SetInstallerError(19, "Could not create a download folder", std::wstring());
  return base::FilePath();
}

}  // namespace

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
  current_folder_.clear();
  if (!base::CreateDirectory(package_base_.DirName()))
    return Fail();
  // Installers started within the same second share the base name: a
  // folder that exists is another's (or an earlier run's), so each attempt
  // makes a new one, taking the next number while the name is taken.
  for (uint32_t tries = 0; tries < kMaxTakenFolders; ++tries, ++attempt_) {
    const base::FilePath folder(package_base_.value() + base::NumberToWString(attempt_));
    if (::CreateDirectoryW(folder.value().c_str(), nullptr)) {
      current_folder_ = folder;
      created_folders_.push_back(current_folder_);
      return current_folder_;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      LOG(ERROR) << "Cannot create the package folder " << folder.AsUTF8Unsafe() << ", error "
                 << error;
      return Fail();
    }
    VLOG(1) << "The package folder " << folder.AsUTF8Unsafe() << " is taken";
  }
  LOG(ERROR) << "Every package folder name up to " << attempt_ << " is taken";
  return Fail();
}

base::FilePath FolderPreparerImpl::GetPackageFolder() const {
  return package_base_;
}

base::FilePath FolderPreparerImpl::GetAssistantFolder() const {
  return assistant_folder_;
}

}  // namespace velta
