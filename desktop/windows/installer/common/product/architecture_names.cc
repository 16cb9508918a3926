// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/architecture_names.h"

#include "base/strings/string_util.h"

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

std::string ArchitectureToLowerString(PackageArchitecture architecture) {
  return base::ToLowerASCII(ArchitectureName(architecture));
}

}  // namespace velta
