// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/installation_placeholder_resolver.h"

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {

InstallationPlaceholderResolver::InstallationPlaceholderResolver(
    const std::wstring& name,
    const base::FilePath& install_folder)
    : name_(name), install_folder_(install_folder) {}

InstallationPlaceholderResolver::~InstallationPlaceholderResolver() = default;

std::wstring InstallationPlaceholderResolver::GetPlaceholderValue(const std::wstring& name) {
  if (name == L"Stream")
    return base::UTF8ToWide(GetChannelName());
  if (name == L"ProgID")
    return base::UTF8ToWide(GetBrandAndChannel());
  if (name == L"Product")
    return base::UTF8ToWide(GetBrandName());
  if (name == L"Protocol" || name == L"Extension")
    return name_;
  if (name == L"InstallFolder")
    return install_folder_.value();
  return name;
}

std::vector<RegistryKeyEntry>* InstallationPlaceholderResolver::GetRegistryRecord(HKEY) {
  return nullptr;
}

}  // namespace velta
