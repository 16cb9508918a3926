// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/elevation.h"

#include <aclapi.h>

#include <memory>

#include "base/logging.h"
#include "base/win/registry.h"
#include "base/win/scoped_localalloc.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_registry_key.h"

namespace velta {
namespace {

constexpr wchar_t kSystemPoliciesKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

struct FreeSidDeleter {
  void operator()(PSID sid) const { ::FreeSid(sid); }
};

}  // namespace

bool IsUacEnabled() {
  if (SecurityUtils::GetInstance()->IsUserInAdminGroup(true))
    return true;
  if (WinApi::GetInstance()->GetWindowsVersion() < base::win::VERSION_VISTA)
    return true;
  // The policy lives in the system's own (64-bit) view; a 32-bit installer
  // would otherwise read the WOW6432Node copy, which the system ignores.
  std::unique_ptr<WinApiRegistryKey> policies = WinApi::GetInstance()->OpenRegKey(
      HKEY_LOCAL_MACHINE, kSystemPoliciesKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  if (!policies || !policies->IsValid())
    return true;
  base::win::RegKey key(policies->root(), policies->path().c_str(),
                        KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  DWORD enable_lua = 1;
  if (key.ReadValueDW(L"EnableLUA", &enable_lua) != ERROR_SUCCESS)
    return true;
  return enable_lua != 0;
}

bool FixEventACL(HANDLE event) {
  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD result = ::GetSecurityInfo(event, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, &old_dacl, nullptr, &descriptor);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "FixEventACL: failed to GetSecurityInfo " << logging::SystemErrorCodeToString(result);
    return false;
  }
  base::win::ScopedLocalAlloc owned_descriptor(descriptor);

  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "FixEventACL: failed to AllocateAndInitializeSid "
               << logging::SystemErrorCodeToString(error);
    return false;
  }
  std::unique_ptr<void, FreeSidDeleter> owned_sid(administrators);

  EXPLICIT_ACCESS_W grant = {};
  grant.grfAccessPermissions = GENERIC_ALL;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = NO_INHERITANCE;
  grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  grant.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  grant.Trustee.ptstrName = reinterpret_cast<LPWSTR>(administrators);
  PACL new_dacl = nullptr;
  if (::SetEntriesInAclW(1, &grant, old_dacl, &new_dacl) != ERROR_SUCCESS) {
    LOG(ERROR) << "FixEventACL: failed to SetEntriesInAcl";
    return false;
  }
  base::win::ScopedLocalAlloc owned_dacl(new_dacl);

  if (::SetSecurityInfo(event, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        new_dacl, nullptr) != ERROR_SUCCESS) {
    LOG(ERROR) << "FixEventACL: failed to SetSecurityInfo";
    return false;
  }
  return true;
}

}  // namespace velta
