// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_

#include <stdint.h>

#include <string>

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
// The lower-case form used in statistics: "x86", "x64", "invalid"; a value
// outside the enumeration gives the empty string.
std::string ArchitectureToLowerString(PackageArchitecture architecture);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_
