// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/folder_permission_access.h"

#include <aclapi.h>

#include <string.h>

#include <vector>

#include "base/logging.h"
#include "base/win/scoped_localalloc.h"
#include "desktop/windows/installer/common/win/security_utils.h"

namespace velta {
namespace {

// The SID of `account`, or empty.
std::vector<BYTE> LookupAccountSid(const std::wstring& account) {
  DWORD sid_size = 0;
  DWORD domain_size = 0;
  SID_NAME_USE use;
  ::LookupAccountNameW(nullptr, account.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  if (sid_size == 0)
    return {};
  std::vector<BYTE> sid(sid_size);
  std::vector<wchar_t> domain(domain_size + 1);
  if (!::LookupAccountNameW(nullptr, account.c_str(), sid.data(), &sid_size, domain.data(),
                            &domain_size, &use)) {
    return {};
  }
  return sid;
}

}  // namespace

bool MergeAccountGrant(PACL dacl, PSID account, PACL* merged) {
  *merged = nullptr;
  if (!dacl)
    return true;
  // Work on a copy: the caller's list stays as read, for the restore.
  std::vector<BYTE> copy(reinterpret_cast<BYTE*>(dacl),
                         reinterpret_cast<BYTE*>(dacl) + dacl->AclSize);
  PACL edited = reinterpret_cast<PACL>(copy.data());
  for (DWORD index = 0; index < edited->AceCount;) {
    void* ace = nullptr;
    if (!::GetAce(edited, index, &ace))
      return false;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
      auto* deny = static_cast<ACCESS_DENIED_ACE*>(ace);
      if (::EqualSid(&deny->SidStart, account)) {
        deny->Mask &= ~kDeniedWriteBits;
        if (deny->Mask == 0) {
          if (!::DeleteAce(edited, index))
            return false;
          continue;
        }
      }
    }
    ++index;
  }
  EXPLICIT_ACCESS_W grant = {};
  grant.grfAccessPermissions = GENERIC_ALL;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  grant.Trustee.TrusteeType = TRUSTEE_IS_USER;
  grant.Trustee.ptstrName = reinterpret_cast<LPWSTR>(account);
  return ::SetEntriesInAclW(1, &grant, edited, merged) == ERROR_SUCCESS;
}

bool GrantAccountFullAccess(const std::wstring& object_name,
                            SE_OBJECT_TYPE type,
                            const std::wstring& account,
                            std::unique_ptr<SecurityRestoreInfo>* restore) {
  restore->reset();
  std::vector<BYTE> sid = LookupAccountSid(account);
  if (sid.empty()) {
    LOG(ERROR) << "Cannot find the account " << account;
    return false;
  }
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD result = ::GetNamedSecurityInfoW(object_name.c_str(), type, DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, &dacl, nullptr, &descriptor);
  if (result != ERROR_SUCCESS || !descriptor) {
    LOG(ERROR) << "Cannot read the access list of " << object_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  base::win::ScopedLocalAlloc owned_descriptor(descriptor);
  PACL merged = nullptr;
  if (!MergeAccountGrant(dacl, sid.data(), &merged)) {
    LOG(ERROR) << "Cannot build the access list for " << object_name;
    return false;
  }
  if (!merged) {
    VLOG(1) << "The access list of " << object_name << " is null; nothing to grant";
    return true;
  }
  base::win::ScopedLocalAlloc owned_merged(merged);
  std::wstring name(object_name);
  result = ::SetNamedSecurityInfoW(name.data(), type, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   merged, nullptr);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Cannot write the access list of " << object_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  *restore = std::make_unique<SecurityRestoreInfo>(object_name, type, dacl,
                                                   owned_descriptor.release());
  return true;
}

}  // namespace velta
