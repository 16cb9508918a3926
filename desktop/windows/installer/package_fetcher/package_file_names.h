// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FILE_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FILE_NAMES_H_

#include <stdint.h>

#include <set>
#include <string>

#include "base/files/file_path.h"

namespace velta {

class LzmaUtil;

// The relative names of the files a fetched package puts in place: the
// entries of its archive and the files that the fetch and the installer
// themselves write into a package folder (and so into the version folder
// the package is copied to), the fetch's temporary downloads and running
// self-extracting archives among them. An additional file may take none of
// them. Names compare as Windows opens them: in any case, with either
// separator, with the dots and spaces that end a component dropped, and a
// component of a short (8.3) name's shape ("VELTA_~1.DLL") as any longer
// name that Windows may have given it to (conservatively: the digits after
// "~" and a hashed prefix are not checked further).
class PackageFileNames {
 public:
  // Holds the installer's own names only.
  PackageFileNames();
  PackageFileNames(const PackageFileNames&) = delete;
  PackageFileNames& operator=(const PackageFileNames&) = delete;
  ~PackageFileNames();

  // Adds the entries of the package archive in `package_folder`; there is
  // none in a fetch of additional files only. The archive has passed its
  // checks, yet it is read as any archive: false (logged) when it is there
  // and cannot be listed. Blocks on disk work.
  bool AddPackageArchive(const base::FilePath& package_folder, LzmaUtil* lzma_util);
  // Whether `relative_name` opens a file of the package.
  bool Holds(const std::wstring& relative_name) const;

  // The name of the fetch's `counter`th temporary download in a package
  // folder ("additional_file0.tmp", then 1...).
  static std::wstring TemporaryDownloadName(uint32_t counter);
  // The name under which an additional file named `file_name` that is a
  // self-extracting archive runs ("<name>_sfx.exe").
  static std::wstring SelfExtractorName(const std::wstring& file_name);

 private:
  void Add(const std::wstring& relative_name);

  std::set<std::wstring> keys_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FILE_NAMES_H_
