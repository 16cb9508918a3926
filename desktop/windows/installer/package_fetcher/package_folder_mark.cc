// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_folder_mark.h"

#include <windows.h>

#include <string>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"

namespace velta {

namespace {

constexpr wchar_t kMarkFileName[] = L"fetch.lock";

}  // namespace

PackageFolderMark::PackageFolderMark(const base::FilePath& folder) {
  const base::FilePath mark = folder.Append(kMarkFileName);
  // Readers are welcome; a deleter is not while the run goes.
  file_.Set(::CreateFileW(mark.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_.IsValid())
    PLOG(ERROR) << "Cannot mark the package folder " << folder << " as this run's";
}

PackageFolderMark::~PackageFolderMark() = default;

void PackageFolderMark::RemoveEndedRunsFolders(const base::FilePath& download_folder) {
  base::FileEnumerator folders(download_folder, /*recursive=*/false,
                               base::FileEnumerator::DIRECTORIES,
                               std::wstring(kPackageFileName) + L"_*");
  for (base::FilePath folder = folders.Next(); !folder.empty(); folder = folders.Next()) {
    // A link is no run's folder: nothing is removed through it.
    if (folders.GetInfo().attributes() & FILE_ATTRIBUTE_REPARSE_POINT)
      continue;
    const base::FilePath mark = folder.Append(kMarkFileName);
    if (!::DeleteFileW(mark.value().c_str())) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND)
        VLOG(1) << "Leaving " << folder << ": no run marked it";
      else
        VLOG(1) << "Leaving " << folder << ": its run still goes";
      continue;
    }
    LOG(INFO) << "Removing the package folder of an ended run " << folder;
    if (!base::DeletePathRecursively(folder))
      PLOG(WARNING) << "Cannot remove all of " << folder;
  }
}

}  // namespace velta
