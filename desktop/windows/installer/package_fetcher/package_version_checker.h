// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECKER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECKER_H_

#include <string>

#include "base/files/file_path.h"

namespace velta {

// Checks that a fetched package or component is not older than the
// installer (and a package is of its stream). On the fetcher's thread; a
// false answer leaves its reason in the thread's installer error.
class PackageVersionChecker {
 public:
  virtual ~PackageVersionChecker() = default;

  // Checks "velta_package" in `folder`; `version` and `stream` receive what
  // was found. A package without version data is checked through its
  // unpacked installer.exe, and its version is then written to
  // "package_version" for the install steps.
  virtual bool CheckMainPackage(const base::FilePath& folder,
                                std::string* version,
                                std::string* stream) = 0;
  // Checks "<name>_installer.exe" (the name's extension kept after it) in
  // `folder`; "suite" falls back to "assistant_installer.exe".
  virtual bool CheckAdditionalFile(const base::FilePath& folder, const std::wstring& name) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECKER_H_
