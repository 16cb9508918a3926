// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_

#include <stdint.h>

#include <string>

#include "base/win/windows_version.h"

namespace velta {

// The architecture of the browser package an installer run installs, as the
// settings hold it.
enum class PackageArchitecture : uint32_t {
  kX86 = 0,
  kX64 = 1,
  kInvalid = 2,
};

// The architecture's name for logs: "X86", "X64", "invalid"; a value outside
// the enumeration gives the empty string.
std::string ArchitectureToString(PackageArchitecture architecture);
// The same name as a wide string.
std::wstring ArchitectureToWideString(PackageArchitecture architecture);
// The lower-case form used in statistics: "x86", "x64", "invalid"; a value
// outside the enumeration gives the empty string.
std::string ArchitectureToLowerString(PackageArchitecture architecture);

// The file name of the package's pinning helper for a system of
// `os_architecture`: the 64-bit helper on x64 only; ARM64 and every other
// system run the 32-bit one. The package, the install steps and the taskbar
// pins all ask here, so they agree on the file.
const wchar_t* GetHelperFileName(base::win::OSInfo::WindowsArchitecture os_architecture);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_
