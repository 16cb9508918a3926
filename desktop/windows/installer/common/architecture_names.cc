// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/architecture_names.h"

namespace velta {

namespace {

const char* ArchitectureName(uint32_t architecture) {
  switch (static_cast<PackageArchitecture>(architecture)) {
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

std::string ArchitectureToString(uint32_t architecture) {
  return ArchitectureName(architecture);
}

std::wstring ArchitectureToWideString(uint32_t architecture) {
  // The names are ASCII.
  const std::string name = ArchitectureName(architecture);
  return std::wstring(name.begin(), name.end());
}

std::string ArchitectureToLowerString(uint32_t architecture) {
  std::string name = ArchitectureName(architecture);
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

}  // namespace velta
