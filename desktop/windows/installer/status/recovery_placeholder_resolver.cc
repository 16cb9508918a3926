// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/recovery_placeholder_resolver.h"

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"

namespace velta {

RecoveryPlaceholderResolver::RecoveryPlaceholderResolver(const base::FilePath& install_folder,
                                                         const std::wstring& uninstall_key_name)
    : install_folder_(install_folder),
      product_(base::UTF8ToWide(GetBrandName())),
      prog_id_(base::UTF8ToWide(GetBrandAndChannel())),
      stream_(base::UTF8ToWide(GetChannelName())),
      // The templates write the uninstall entry's values under "{Uninstall}"
      // itself, so the placeholder is the whole key path, not the subkey's
      // name alone: only then are those values found again.
      uninstall_key_(GetUninstallRegistryPath() + L"\\" + uninstall_key_name) {}

RecoveryPlaceholderResolver::~RecoveryPlaceholderResolver() = default;

std::wstring RecoveryPlaceholderResolver::GetPlaceholderValue(const std::wstring& name) {
  if (name == L"InstallFolder")
    return install_folder_.value();
  if (name == L"Product")
    return product_;
  if (name == L"ProgID")
    return prog_id_;
  if (name == L"Stream")
    return stream_;
  if (name == L"Uninstall")
    return uninstall_key_;
  if (name == L"Executable")
    return base::UTF8ToWide(GetBrowserExeName());
  return name;
}

std::vector<RegistryKeyEntry>* RecoveryPlaceholderResolver::GetRegistryRecord(HKEY) {
  return nullptr;
}

}  // namespace velta
