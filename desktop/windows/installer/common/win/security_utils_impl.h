// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_SECURITY_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_SECURITY_UTILS_IMPL_H_

#include <windows.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/common/win/security_utils.h"

namespace velta {

// SecurityUtils on the process token and the named-object security functions
// of advapi32. Stateless; callable from any thread.
class SecurityUtilsImpl : public SecurityUtils {
 public:
  SecurityUtilsImpl();
  SecurityUtilsImpl(const SecurityUtilsImpl&) = delete;
  SecurityUtilsImpl& operator=(const SecurityUtilsImpl&) = delete;
  ~SecurityUtilsImpl() override;

  // SecurityUtils:
  bool IsUserInAdminGroup(bool consider_linked_token) override;
  bool HasAccess(const std::wstring& path, SE_OBJECT_TYPE type, DWORD desired_access) override;
  bool NeedsElevation(bool all_users, bool folder_writable) override;
  bool EnablePrivilege(const std::wstring& name, bool enable) override;
  bool TakeOwnershipAndGrantFullAccess(const std::wstring& path,
                                       SE_OBJECT_TYPE type,
                                       DWORD access,
                                       bool permanent,
                                       std::unique_ptr<SecurityRestoreInfo>* restore) override;
  bool IsOwnedByUserOrAdministrators(HANDLE object) override;
  bool RestoreSecurity(std::unique_ptr<SecurityRestoreInfo>* restore) override;

 private:
  // Makes the Administrators group the owner of `path`, with the
  // take-ownership privilege enabled for the call only.
  bool TakeOwnership(const std::wstring& path, SE_OBJECT_TYPE type);
};

// The access list that TakeOwnershipAndGrantFullAccess writes, built in
// memory: `dacl` with an entry granting the account `user_name` `access`,
// inherited by sub-folders and files, and with those bits taken out of the
// deny entries of trustees the process token belongs to (an entry left
// denying nothing is dropped). `dacl` itself is unchanged. On success
// `*granted` holds the new list (LocalFree it). A null `dacl` (open to
// everyone) needs nothing: `*granted` stays null. False when the list cannot
// be built.
bool BuildAccessListWithGrant(PACL dacl,
                              DWORD access,
                              const std::wstring& user_name,
                              PACL* granted);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_SECURITY_UTILS_IMPL_H_
