// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_file_names.h"

#include <wctype.h>

#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_split.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

namespace velta {

namespace {

// The installer's library beside installer.exe.
constexpr wchar_t kInstallerLibraryFileName[] = L"velta_installer.dll";

// One spelling for every name Windows takes as the same file: components
// without their final dots and spaces, upper-cased as the file system
// compares them, joined by "\".
std::wstring KeyOf(const std::wstring& relative_name) {
  std::wstring key;
  for (std::wstring component :
       base::SplitString(relative_name, L"\\/", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    while (!component.empty() && (component.back() == L'.' || component.back() == L' '))
      component.pop_back();
    for (wchar_t& c : component)
      c = static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
    if (!key.empty())
      key += L'\\';
    key += component;
  }
  return key;
}

}  // namespace

PackageFileNames::PackageFileNames() {
  for (const wchar_t* name :
       {kPackageInstallerFileName, kInstallerLibraryFileName, kFilesListFileName,
        kRootFilesListFileName, kPackageReadyFileName, kPackageFileName, kPackageVersionFileName,
        kServerTrackingDataFileName, kInstallerPrefsIncludeFileName, kLauncherFileName,
        kHelperFileName, kHelper64FileName, kMinimalInstallFileName}) {
    Add(name);
  }
}

PackageFileNames::~PackageFileNames() = default;

bool PackageFileNames::AddPackageArchive(const base::FilePath& package_folder,
                                         LzmaUtil* lzma_util) {
  const base::FilePath archive = package_folder.Append(kPackageFileName);
  if (!base::PathExists(archive))
    return true;
  std::vector<LzmaUtil::EntryPath> entries;
  int result = lzma_util->Open(archive);
  if (result == LzmaUtil::kOpenSuccess)
    result = lzma_util->ListEntryPaths(package_folder, &entries);
  lzma_util->Close();
  if (result != 0) {
    LOG(ERROR) << "Cannot list the files of the package " << archive.AsUTF8Unsafe()
               << ", error " << result;
    return false;
  }
  for (const LzmaUtil::EntryPath& entry : entries) {
    base::FilePath relative;
    if (package_folder.AppendRelativePath(entry.path, &relative))
      Add(relative.value());
  }
  return true;
}

bool PackageFileNames::Holds(const std::wstring& relative_name) const {
  return keys_.count(KeyOf(relative_name)) != 0;
}

void PackageFileNames::Add(const std::wstring& relative_name) {
  keys_.insert(KeyOf(relative_name));
}

}  // namespace velta
