// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_

#include <stdint.h>

#include <string>

namespace velta {

// The architecture of the browser package an installer run installs, as the
// settings hold it (a u32).
enum class PackageArchitecture : uint32_t {
  kX86 = 0,
  kX64 = 1,
  kInvalid = 2,
};

// The architecture's name for logs: "X86", "X64", "invalid"; any other value
// gives the empty string.
std::string ArchitectureToString(uint32_t architecture);
std::wstring ArchitectureToWideString(uint32_t architecture);
// The lower-case form used in statistics: "x86", "x64", "invalid"; any other
// value gives the empty string.
std::string ArchitectureToLowerString(uint32_t architecture);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_ARCHITECTURE_NAMES_H_
