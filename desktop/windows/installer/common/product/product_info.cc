// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/product_info.h"

#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {

ProductInfo::~ProductInfo() = default;

// static
ProductInfo* ProductInfo::GetInstance() {
  return base::ProcessWide<ProductInfo>::GetOrCreate<ProductInfo>();
}

uint32_t ProductInfo::GetStream() const {
  return static_cast<uint32_t>(GetBuildStream());
}

std::string ProductInfo::GetChannelName() const {
  return velta::GetChannelName();
}

std::string ProductInfo::GetInternalVersion() const {
  return velta::GetInternalVersion();
}

std::string ProductInfo::GetProductVersion() const {
  return velta::GetProductVersion();
}

std::string ProductInfo::GetAutoupdateServerUrl() const {
  return "https://autoupdate.velta.example/";
}

std::string ProductInfo::GetAllowedDomain() const {
  return GetAllowedDomainSuffix();
}

std::wstring ProductInfo::GetShortcutFileName(const std::wstring& display_name) const {
  if (GetStream() == static_cast<uint32_t>(Stream::kGranite))
    return display_name + L".lnk";
  return base::UTF8ToWide(GetBrandAndChannelSpaced() + GetShortcutNameSuffix() + ".lnk");
}

}  // namespace velta
