// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/access_list_sddl.h"

#include <aclapi.h>
#include <sddl.h>

namespace velta::test {
namespace {

// `descriptor`'s access list as SDDL; frees `descriptor`, which the
// security-information calls hand out from LocalAlloc.
std::wstring TakeAccessListSddl(PSECURITY_DESCRIPTOR descriptor) {
  LPWSTR sddl = nullptr;
  std::wstring text = L"<no sddl>";
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
    text = sddl;
    ::LocalFree(sddl);
  }
  ::LocalFree(descriptor);
  return text;
}

}  // namespace

std::wstring AccessListSddl(HANDLE handle, SE_OBJECT_TYPE type) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(handle, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS) {
    return L"<unreadable>";
  }
  return TakeAccessListSddl(descriptor);
}

std::wstring AccessListSddl(const std::wstring& name, SE_OBJECT_TYPE type) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(name.c_str(), type, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return L"<unreadable>";
  }
  return TakeAccessListSddl(descriptor);
}

}  // namespace velta::test
