// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_SECURITY_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_SECURITY_UTILS_H_

#include <windows.h>
#include <accctrl.h>

#include <memory>
#include <string>

namespace velta {

// What a non-permanent TakeOwnershipAndGrantFullAccess changed, so that
// RestoreSecurity can put the earlier access list back. Owned by the caller;
// destroying it frees the saved descriptor without restoring anything.
class SecurityRestoreInfo {
 public:
  // Takes over `security_descriptor` (a LocalAlloc buffer, may be null);
  // `previous_dacl` points into it and may be null for an object that had a
  // null access list. A record without a descriptor restores nothing.
  SecurityRestoreInfo(std::wstring path,
                      SE_OBJECT_TYPE object_type,
                      PACL previous_dacl,
                      PSECURITY_DESCRIPTOR security_descriptor);
  SecurityRestoreInfo(const SecurityRestoreInfo&) = delete;
  SecurityRestoreInfo& operator=(const SecurityRestoreInfo&) = delete;
  ~SecurityRestoreInfo();

  // The object's name as the security functions take it: a file path, or
  // "MACHINE\Software\..." for a registry key.
  const std::wstring& path() const { return path_; }
  SE_OBJECT_TYPE object_type() const { return object_type_; }
  PACL previous_dacl() const { return previous_dacl_; }
  PSECURITY_DESCRIPTOR security_descriptor() const { return security_descriptor_; }

 private:
  const std::wstring path_;
  const SE_OBJECT_TYPE object_type_;
  const PACL previous_dacl_;
  const PSECURITY_DESCRIPTOR security_descriptor_;
};

// The Windows security questions and changes of the installer: is the user an
// administrator, may the current user access a file or key, does an
// installation need elevation, and granting the current user access to an
// object (taking ownership first when needed) with a way back.
//
// One process-wide instance (see ProcessWide), made on first use and never
// destroyed; a test puts another implementation in place with
// base::ProcessWide<SecurityUtils>::ScopedOverride before the code under test asks
// for it. The real implementation keeps no state and may be called from any
// thread. Failures are reported only by the results: nothing is logged and no
// installer error is recorded.
class SecurityUtils {
 public:
  SecurityUtils(const SecurityUtils&) = delete;
  SecurityUtils& operator=(const SecurityUtils&) = delete;
  virtual ~SecurityUtils();

  // The one a test put in place, else the real one.
  static SecurityUtils* GetInstance();

  // Whether the process token belongs to the built-in Administrators group.
  // With `consider_linked_token`, a filtered (UAC-limited) token is judged by
  // its linked full token, so an administrator who is not elevated counts.
  virtual bool IsUserInAdminGroup(bool consider_linked_token) = 0;

  // Whether the current user may open `path` with `desired_access`. Only
  // SE_FILE_OBJECT, SE_REGISTRY_KEY and SE_REGISTRY_WOW64_32KEY are asked
  // about; any other type is false without touching the object.
  virtual bool HasAccess(const std::wstring& path,
                         SE_OBJECT_TYPE type,
                         DWORD desired_access) = 0;

  // False for an administrator; otherwise true when installing for all users
  // or into a folder that is not writable.
  virtual bool NeedsElevation(bool all_users, bool folder_writable) = 0;

  // Enables or disables the token privilege `name` ("SeTakeOwnershipPrivilege")
  // of the process; false also when the token does not hold it.
  virtual bool EnablePrivilege(const std::wstring& name, bool enable) = 0;

  // Grants the current user `access` on `path`, inheritable by sub-folders and
  // files, and lifts the user's own deny entries for those bits; takes
  // ownership for the Administrators group first when the access list cannot
  // be read or written. Fails, granting nothing, when the current access list
  // cannot be read even as owner. An object with a null access list (open to
  // everyone) is left as it is: that is a success with nothing to restore.
  // Unless `permanent`, `*restore` receives the earlier access list after a
  // grant; it is empty on failure, after a permanent grant and when nothing
  // was changed.
  virtual bool TakeOwnershipAndGrantFullAccess(
      const std::wstring& path,
      SE_OBJECT_TYPE type,
      DWORD access,
      bool permanent,
      std::unique_ptr<SecurityRestoreInfo>* restore) = 0;

  // Whether the file or folder open as `object` (with READ_CONTROL access)
  // is owned by the current user, SYSTEM or the Administrators group, as
  // GetSecurityInfo reads its owner: what no other user of the machine can
  // have made or taken over. False when the owner cannot be read.
  virtual bool IsOwnedByUserOrAdministrators(HANDLE object) = 0;

  // Writes the saved access list back and empties `*restore`. False when
  // `*restore` is empty, holds no saved descriptor, or the write fails (the
  // record is destroyed in every case).
  virtual bool RestoreSecurity(std::unique_ptr<SecurityRestoreInfo>* restore) = 0;

 protected:
  SecurityUtils();
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_SECURITY_UTILS_H_
