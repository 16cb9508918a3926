// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/security_utils_impl.h"

#include <aclapi.h>
#include <lmcons.h>

#include <string_view>
#include <utility>
#include <vector>

#include "base/win/scoped_handle.h"
#include "base/win/scoped_localalloc.h"

namespace velta {

namespace {

constexpr wchar_t kTakeOwnershipPrivilege[] = L"SeTakeOwnershipPrivilege";

using ScopedLocalMemory = base::win::ScopedLocalAlloc;
using ScopedToken = base::win::ScopedHandle;

// A SID from AllocateAndInitializeSid, freed with FreeSid.
struct SidTraits {
  using Handle = PSID;
  static bool CloseHandle(Handle sid) { return ::FreeSid(sid) == nullptr; }
  static bool IsHandleValid(Handle sid) { return sid != nullptr; }
  static Handle NullHandle() { return nullptr; }
};
using ScopedSid = base::win::GenericScopedHandle<SidTraits>;

ScopedToken OpenOwnProcessToken(DWORD access) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), access, &token))
    return ScopedToken();
  return ScopedToken(token);
}

// AccessCheck and CheckTokenMembership want an impersonation token.
ScopedToken DuplicateForIdentification(HANDLE token) {
  HANDLE duplicate = nullptr;
  if (!::DuplicateToken(token, SecurityIdentification, &duplicate))
    return ScopedToken();
  return ScopedToken(duplicate);
}

ScopedSid MakeAdministratorsSid() {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
    return ScopedSid();
  }
  return ScopedSid(sid);
}

bool IsRegistryType(SE_OBJECT_TYPE type) {
  return type == SE_REGISTRY_KEY || type == SE_REGISTRY_WOW64_32KEY;
}

// A key of the 32-bit registry view, opened by its object name
// ("MACHINE\\Software\\...") with `access` in that view.
struct KeyTraits {
  using Handle = HKEY;
  static bool CloseHandle(Handle key) { return ::RegCloseKey(key) == ERROR_SUCCESS; }
  static bool IsHandleValid(Handle key) { return key != nullptr; }
  static Handle NullHandle() { return nullptr; }
};
using ScopedKey = base::win::GenericScopedHandle<KeyTraits>;

DWORD OpenWow64_32Key(const std::wstring& path, REGSAM access, ScopedKey* key) {
  const struct {
    const wchar_t* prefix;
    HKEY root;
  } kRoots[] = {{L"CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
                {L"CURRENT_USER\\", HKEY_CURRENT_USER},
                {L"MACHINE\\", HKEY_LOCAL_MACHINE},
                {L"USERS\\", HKEY_USERS}};
  for (const auto& root : kRoots) {
    const std::wstring_view prefix(root.prefix);
    if (path.compare(0, prefix.size(), prefix) != 0)
      continue;
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(root.root, path.c_str() + prefix.size(), 0,
                                     access | KEY_WOW64_32KEY, &opened);
    key->Set(status == ERROR_SUCCESS ? opened : nullptr);
    return static_cast<DWORD>(status);
  }
  return ERROR_INVALID_PARAMETER;
}

// The access functions by name answer a key of the 32-bit view with success
// and no descriptor under Wine, and a write by name may land in the other
// view: such a key is read and written through a handle opened in its view.
DWORD GetSecurity(const std::wstring& path,
                  SE_OBJECT_TYPE type,
                  SECURITY_INFORMATION what,
                  PACL* dacl,
                  PSECURITY_DESCRIPTOR* descriptor) {
  if (type != SE_REGISTRY_WOW64_32KEY) {
    return ::GetNamedSecurityInfoW(path.c_str(), type, what, nullptr, nullptr, dacl, nullptr,
                                   descriptor);
  }
  ScopedKey key;
  DWORD result = OpenWow64_32Key(path, READ_CONTROL, &key);
  if (result != ERROR_SUCCESS)
    return result;
  return ::GetSecurityInfo(key.get(), SE_REGISTRY_KEY, what, nullptr, nullptr, dacl, nullptr,
                           descriptor);
}

DWORD SetNamedSecurity(const std::wstring& path,
                       SE_OBJECT_TYPE type,
                       SECURITY_INFORMATION what,
                       PSID owner,
                       PACL dacl) {
  if (type != SE_REGISTRY_WOW64_32KEY) {
    // The security functions take the name as a writable buffer.
    std::wstring name(path);
    return ::SetNamedSecurityInfoW(name.data(), type, what, owner, nullptr, dacl, nullptr);
  }
  ScopedKey key;
  REGSAM access = (what & OWNER_SECURITY_INFORMATION) ? WRITE_OWNER : 0;
  if (what & DACL_SECURITY_INFORMATION)
    access |= WRITE_DAC;
  DWORD result = OpenWow64_32Key(path, access, &key);
  if (result != ERROR_SUCCESS)
    return result;
  return ::SetSecurityInfo(key.get(), SE_REGISTRY_KEY, what, owner, nullptr, dacl, nullptr);
}

}  // namespace

bool BuildAccessListWithGrant(PACL dacl,
                              DWORD access,
                              const std::wstring& user_name,
                              PACL* granted) {
  *granted = nullptr;
  // A null list lets everyone in already. One built from nothing but the
  // grant would shut out everyone else.
  if (!dacl)
    return true;
  ULONG entry_count = 0;
  PEXPLICIT_ACCESS_W entries = nullptr;
  if (::GetExplicitEntriesFromAclW(dacl, &entry_count, &entries) != ERROR_SUCCESS)
    return false;
  ScopedLocalMemory owned_entries(entries);

  // The user's own deny entries would still win over the new grant.
  std::vector<EXPLICIT_ACCESS_W> kept_entries;
  kept_entries.reserve(entry_count);
  for (ULONG i = 0; i < entry_count; ++i) {
    EXPLICIT_ACCESS_W entry = entries[i];
    if (entry.grfAccessMode == DENY_ACCESS && entry.Trustee.TrusteeForm == TRUSTEE_IS_SID) {
      BOOL is_member = FALSE;
      if (::CheckTokenMembership(nullptr, reinterpret_cast<PSID>(entry.Trustee.ptstrName),
                                 &is_member) &&
          is_member) {
        entry.grfAccessPermissions &= ~access;
        if (entry.grfAccessPermissions == 0)
          continue;  // It denies nothing any more.
      }
    }
    kept_entries.push_back(entry);
  }

  EXPLICIT_ACCESS_W grant = {};
  grant.grfAccessPermissions = access;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  // The trustee functions take the name as a writable pointer.
  std::wstring name(user_name);
  ::BuildTrusteeWithNameW(&grant.Trustee, name.data());
  PACL grant_acl = nullptr;
  if (::SetEntriesInAclW(1, &grant, nullptr, &grant_acl) != ERROR_SUCCESS)
    return false;
  ScopedLocalMemory owned_grant_acl(grant_acl);
  return ::SetEntriesInAclW(static_cast<ULONG>(kept_entries.size()), kept_entries.data(),
                            grant_acl, granted) == ERROR_SUCCESS;
}

SecurityUtilsImpl::SecurityUtilsImpl() = default;
SecurityUtilsImpl::~SecurityUtilsImpl() = default;

bool SecurityUtilsImpl::IsUserInAdminGroup(bool consider_linked_token) {
  ScopedToken token = OpenOwnProcessToken(TOKEN_QUERY | TOKEN_DUPLICATE);
  if (!token.IsValid())
    return false;
  // The installer runs on Windows 7 and later only, which all have UAC.
  ScopedToken linked_token;
  HANDLE query_token = token.get();
  if (consider_linked_token) {
    TOKEN_ELEVATION_TYPE elevation_type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenElevationType, &elevation_type,
                               sizeof(elevation_type), &size)) {
      return false;
    }
    if (elevation_type == TokenElevationTypeLimited) {
      TOKEN_LINKED_TOKEN linked = {};
      if (!::GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof(linked), &size))
        return false;
      linked_token.Set(linked.LinkedToken);
      query_token = linked_token.get();
    }
  }
  ScopedToken identification = DuplicateForIdentification(query_token);
  if (!identification.IsValid())
    return false;
  ScopedSid administrators = MakeAdministratorsSid();
  if (!administrators.IsValid())
    return false;
  BOOL is_member = FALSE;
  if (!::CheckTokenMembership(identification.get(), administrators.get(), &is_member))
    return false;
  return is_member != FALSE;
}

bool SecurityUtilsImpl::HasAccess(const std::wstring& path,
                                  SE_OBJECT_TYPE type,
                                  DWORD desired_access) {
  GENERIC_MAPPING mapping = {};
  if (type == SE_FILE_OBJECT) {
    mapping = {0x120089, 0x120116, 0x1200A0, 0x1F01FF};
  } else if (IsRegistryType(type)) {
    mapping = {0x20019, 0x20006, 0x20019, 0xF003F};
  } else {
    return false;
  }
  ScopedToken token = OpenOwnProcessToken(TOKEN_QUERY | TOKEN_DUPLICATE);
  if (!token.IsValid())
    return false;
  ScopedToken identification = DuplicateForIdentification(token.get());
  if (!identification.IsValid())
    return false;

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurity(path, type,
                  OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                      DACL_SECURITY_INFORMATION,
                  nullptr, &descriptor) != ERROR_SUCCESS ||
      !descriptor) {
    return false;
  }
  ScopedLocalMemory owned_descriptor(descriptor);

  // AccessCheck refuses generic bits in the desired access.
  DWORD access = desired_access;
  ::MapGenericMask(&access, &mapping);
  PRIVILEGE_SET privileges = {};
  DWORD privileges_size = sizeof(privileges);
  DWORD granted = 0;
  BOOL access_status = FALSE;
  if (!::AccessCheck(descriptor, identification.get(), access, &mapping, &privileges,
                     &privileges_size, &granted, &access_status)) {
    return false;
  }
  return access_status != FALSE;
}

bool SecurityUtilsImpl::NeedsElevation(bool all_users, bool folder_writable) {
  if (IsUserInAdminGroup(false))
    return false;
  return all_users || !folder_writable;
}

bool SecurityUtilsImpl::EnablePrivilege(const std::wstring& name, bool enable) {
  ScopedToken token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES);
  if (!token.IsValid())
    return false;
  LUID luid = {};
  if (!::LookupPrivilegeValueW(nullptr, name.c_str(), &luid))
    return false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr,
                               nullptr)) {
    return false;
  }
  // Success with ERROR_NOT_ALL_ASSIGNED means the token lacks the privilege.
  return ::GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

bool SecurityUtilsImpl::TakeOwnership(const std::wstring& path, SE_OBJECT_TYPE type) {
  if (!SecurityUtilsImpl::EnablePrivilege(kTakeOwnershipPrivilege, true))
    return false;
  ScopedSid administrators = MakeAdministratorsSid();
  DWORD result = ERROR_INVALID_SID;
  if (administrators.IsValid()) {
    result = SetNamedSecurity(path, type, OWNER_SECURITY_INFORMATION, administrators.get(),
                              nullptr);
  }
  SecurityUtilsImpl::EnablePrivilege(kTakeOwnershipPrivilege, false);
  return result == ERROR_SUCCESS;
}

bool SecurityUtilsImpl::TakeOwnershipAndGrantFullAccess(
    const std::wstring& path,
    SE_OBJECT_TYPE type,
    DWORD access,
    bool permanent,
    std::unique_ptr<SecurityRestoreInfo>* restore) {
  restore->reset();
  wchar_t user_name[UNLEN + 1] = {};
  DWORD user_name_size = UNLEN + 1;
  if (!::GetUserNameW(user_name, &user_name_size))
    return false;

  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD result = GetSecurity(path, type, DACL_SECURITY_INFORMATION, &dacl, &descriptor);
  if (result == ERROR_ACCESS_DENIED) {
    if (!TakeOwnership(path, type))
      return false;
    result = GetSecurity(path, type, DACL_SECURITY_INFORMATION, &dacl, &descriptor);
  }
  // Without the current access list nothing could be merged into the new one
  // nor put back later: writing a list built from nothing would leave the
  // object open to everyone (or to the user alone) for good.
  if (result != ERROR_SUCCESS || !descriptor)
    return false;
  ScopedLocalMemory owned_descriptor(descriptor);

  PACL new_acl = nullptr;
  if (!BuildAccessListWithGrant(dacl, access, user_name, &new_acl))
    return false;
  if (!new_acl)
    return true;  // A null list, left open: nothing to write or put back.
  ScopedLocalMemory owned_new_acl(new_acl);

  result = SetNamedSecurity(path, type, DACL_SECURITY_INFORMATION, nullptr, new_acl);
  if (result == ERROR_ACCESS_DENIED) {
    if (!TakeOwnership(path, type))
      return false;
    result = SetNamedSecurity(path, type, DACL_SECURITY_INFORMATION, nullptr, new_acl);
  }
  if (result != ERROR_SUCCESS)
    return false;

  if (!permanent) {
    *restore = std::make_unique<SecurityRestoreInfo>(path, type, dacl,
                                                     owned_descriptor.release());
  }
  return true;
}

bool SecurityUtilsImpl::IsOwnedByUserOrAdministrators(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS ||
      !descriptor) {
    return false;
  }
  ScopedLocalMemory owned_descriptor(descriptor);
  if (!owner || !::IsValidSid(owner))
    return false;
  if (::IsWellKnownSid(owner, WinLocalSystemSid) ||
      ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) {
    return true;
  }
  ScopedToken token = OpenOwnProcessToken(TOKEN_QUERY);
  if (!token.IsValid())
    return false;
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size < sizeof(TOKEN_USER))
    return false;
  std::vector<uint8_t> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
    return false;
  const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  return ::EqualSid(owner, user->User.Sid) != FALSE;
}

bool SecurityUtilsImpl::RestoreSecurity(std::unique_ptr<SecurityRestoreInfo>* restore) {
  if (!*restore)
    return false;
  std::unique_ptr<SecurityRestoreInfo> info = std::move(*restore);
  if (!info->security_descriptor())
    return false;
  // Put the inheritance protection back as it was, too: without either flag a
  // protected list could start inheriting from the parent.
  SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (::GetSecurityDescriptorControl(info->security_descriptor(), &control, &revision)) {
    what |= (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                          : UNPROTECTED_DACL_SECURITY_INFORMATION;
  }
  return SetNamedSecurity(info->path(), info->object_type(), what, nullptr,
                          info->previous_dacl()) == ERROR_SUCCESS;
}

}  // namespace velta
