// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/architecture_names.h"

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/installer_constants.h"

namespace velta {

namespace {

const char* ArchitectureName(PackageArchitecture architecture) {
  switch (architecture) {
    case PackageArchitecture::kX86:
      return "X86";
    case PackageArchitecture::kX64:
      return "X64";
    case PackageArchitecture::kInvalid:
      return "invalid";
  }
  return "";
}

}  // namespace

std::string ArchitectureToString(PackageArchitecture architecture) {
  return ArchitectureName(architecture);
}

std::wstring ArchitectureToWideString(PackageArchitecture architecture) {
  return base::ASCIIToWide(ArchitectureName(architecture));
}

std::string ArchitectureToLowerString(PackageArchitecture architecture) {
  return base::ToLowerASCII(ArchitectureName(architecture));
}

const wchar_t* GetHelperFileName(base::win::OSInfo::WindowsArchitecture os_architecture) {
  return os_architecture == base::win::OSInfo::X64_ARCHITECTURE ? kHelper64FileName
                                                                 : kHelperFileName;
}

}  // namespace velta
