// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/owner_only_folder_security.h"

#include <windows.h>
#include <aclapi.h>

#include <memory>
#include <vector>

#include "base/logging.h"
#include "base/win/scoped_handle.h"

namespace velta {
namespace {

// The SID of the process's user, in `*buffer`.
bool GetCurrentUserSid(std::vector<BYTE>* buffer) {
  HANDLE raw_token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw_token))
    return false;
  base::win::ScopedHandle token(raw_token);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size < sizeof(TOKEN_USER))
    return false;
  buffer->resize(size);
  return ::GetTokenInformation(token.Get(), TokenUser, buffer->data(), size, &size) != FALSE;
}

}  // namespace

OwnerOnlyFolderSecurity::OwnerOnlyFolderSecurity() {
  std::vector<BYTE> user;
  BYTE system[SECURITY_MAX_SID_SIZE];
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD system_size = sizeof(system);
  DWORD administrators_size = sizeof(administrators);
  if (!GetCurrentUserSid(&user) ||
      !::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &system_size) ||
      !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators,
                            &administrators_size)) {
    PLOG(ERROR) << "Cannot name the accounts of an owner-only folder";
    return;
  }
  const PSID sids[] = {reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, system,
                       administrators};
  EXPLICIT_ACCESS_W entries[3] = {};
  for (size_t i = 0; i < 3; ++i) {
    entries[i].grfAccessPermissions = FILE_ALL_ACCESS;
    entries[i].grfAccessMode = SET_ACCESS;
    entries[i].grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    ::BuildTrusteeWithSidW(&entries[i].Trustee, sids[i]);
  }
  PACL dacl = nullptr;
  const DWORD error = ::SetEntriesInAclW(3, entries, nullptr, &dacl);
  if (error != ERROR_SUCCESS) {
    LOG(ERROR) << "Cannot make the access list of an owner-only folder: "
               << logging::SystemErrorCodeToString(error);
    return;
  }
  if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&descriptor_, TRUE, dacl, FALSE) ||
      !::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    PLOG(ERROR) << "Cannot make the security descriptor of an owner-only folder";
    ::LocalFree(dacl);
    return;
  }
  dacl_ = dacl;
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

OwnerOnlyFolderSecurity::~OwnerOnlyFolderSecurity() {
  if (dacl_)
    ::LocalFree(dacl_);
}

}  // namespace velta
