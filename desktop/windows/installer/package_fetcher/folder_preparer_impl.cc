// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/package_fetcher/package_folder_mark.h"

namespace velta {

namespace {

// How many taken names one folder skips before it gives up.
constexpr uint32_t kMaxTakenFolders = 1000;

base::FilePath Fail() {
  SetInstallerError(19, "Could not create a download folder", std::wstring());
  return base::FilePath();
}

// Makes a new folder named `base` followed by `*number` (nothing for 0),
// raising the number while the name is taken (by another installer started
// in the same second, or an earlier run): a folder that exists is never
// taken as found. Empty when none could be made; `*number` is then the last
// one tried.
base::FilePath CreateNewNumberedFolder(const base::FilePath& base, uint32_t* number) {
  for (uint32_t tries = 0; tries < kMaxTakenFolders; ++tries, ++*number) {
    const base::FilePath folder(*number == 0 ? base.value()
                                             : base.value() + base::NumberToWString(*number));
    if (::CreateDirectoryW(folder.value().c_str(), nullptr))
      return folder;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      LOG(ERROR) << "Cannot create the folder " << folder.AsUTF8Unsafe() << ", error " << error;
      return base::FilePath();
    }
    VLOG(1) << "The folder " << folder.AsUTF8Unsafe() << " is taken";
  }
  LOG(ERROR) << "Every folder name up to " << base.AsUTF8Unsafe() << *number << " is taken";
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
  if (!install_assistant)
    return;
  // Named here, so made here: the controller hands the name on at once, and
  // the end of this fetch deletes it.
  const base::FilePath assistant_base = download_folder.Append(L"assistant" + suffix);
  uint32_t number = 0;
  if (base::CreateDirectory(download_folder))
    assistant_folder_ = CreateNewNumberedFolder(assistant_base, &number);
  if (assistant_folder_.empty()) {
    // Not ours: the assistant's installation makes it, and fails if it cannot.
    LOG(ERROR) << "Cannot make an assistant folder of this installer's own";
    assistant_folder_ = assistant_base;
    assistant_folder_owned_ = false;
  }
}

FolderPreparerImpl::~FolderPreparerImpl() {
  current_mark_.reset();
  for (const base::FilePath& folder : created_folders_)
    base::DeletePathRecursively(folder);
  if (!assistant_folder_.empty() && assistant_folder_owned_)
    base::DeletePathRecursively(assistant_folder_);
}

base::FilePath FolderPreparerImpl::PrepareFolder() {
  // What killed runs left goes before this run's first folder is made.
  if (attempt_++ == 0)
    PackageFolderMark::RemoveEndedRunsFolders(package_base_.DirName());
  current_mark_.reset();
  if (!current_folder_.empty() && !base::DeletePathRecursively(current_folder_))
    LOG(WARNING) << "Unable to delete " << current_folder_.AsUTF8Unsafe();
  current_folder_.clear();
  if (!base::CreateDirectory(package_base_.DirName()))
    return Fail();
  current_folder_ = CreateNewNumberedFolder(package_base_, &attempt_);
  if (current_folder_.empty())
    return Fail();
  current_mark_ = std::make_unique<PackageFolderMark>(current_folder_);
  created_folders_.push_back(current_folder_);
  return current_folder_;
}

base::FilePath FolderPreparerImpl::GetPackageFolder() const {
  return package_base_;
}

base::FilePath FolderPreparerImpl::GetAssistantFolder() const {
  return assistant_folder_;
}

}  // namespace velta
