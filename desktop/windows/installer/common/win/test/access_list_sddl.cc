// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/access_list_sddl.h"

#include <aclapi.h>
#include <lmcons.h>
#include <sddl.h>
#include <wchar.h>

#include <algorithm>

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

CurrentUser GetCurrentUser() {
  wchar_t name[UNLEN + 1] = {};
  DWORD size = UNLEN + 1;
  if (!::GetUserNameW(name, &size))
    return {};
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof(sid);
  wchar_t domain[256];
  DWORD domain_size = 256;
  SID_NAME_USE use;
  LPWSTR sid_text = nullptr;
  if (!::LookupAccountNameW(nullptr, name, sid, &sid_size, domain, &domain_size, &use) ||
      !::ConvertSidToStringSidW(sid, &sid_text)) {
    return {};
  }
  CurrentUser user{name, sid_text};
  ::LocalFree(sid_text);
  return user;
}

std::vector<std::wstring> AccessListEntries(PACL dacl) {
  std::vector<std::wstring> entries;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace))
      return {L"<unreadable>"};
    auto* header = static_cast<ACE_HEADER*>(ace);
    // Allowed and denied entries share one layout.
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    LPWSTR sid = nullptr;
    if (!::ConvertSidToStringSidW(&allowed->SidStart, &sid))
      return {L"<bad sid>"};
    wchar_t text[128];
    swprintf(text, 128, L"%ls %x %lx %ls",
             header->AceType == ACCESS_DENIED_ACE_TYPE ? L"D" : L"A",
             static_cast<unsigned>(header->AceFlags & VALID_INHERIT_FLAGS),
             static_cast<unsigned long>(allowed->Mask), sid);
    ::LocalFree(sid);
    entries.push_back(text);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

SddlDacl::SddlDacl(const std::wstring& sddl) {
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    return;
  }
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
}

SddlDacl::~SddlDacl() {
  ::LocalFree(descriptor);
}

}  // namespace velta::test
