// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/security_utils.h"

#include <utility>

#include "base/process_wide.h"
#include "desktop/windows/installer/common/win/security_utils_impl.h"

namespace velta {

SecurityRestoreInfo::SecurityRestoreInfo(std::wstring path,
                                         SE_OBJECT_TYPE object_type,
                                         PACL previous_dacl,
                                         PSECURITY_DESCRIPTOR security_descriptor)
    : path_(std::move(path)),
      object_type_(object_type),
      previous_dacl_(previous_dacl),
      security_descriptor_(security_descriptor) {}

SecurityRestoreInfo::~SecurityRestoreInfo() {
  if (security_descriptor_)
    ::LocalFree(security_descriptor_);
}

SecurityUtils::SecurityUtils() = default;
SecurityUtils::~SecurityUtils() = default;

// static
SecurityUtils* SecurityUtils::GetInstance() {
  return base::ProcessWide<SecurityUtils>::GetOrCreate<SecurityUtilsImpl>();
}

}  // namespace velta
