// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_SECURITY_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_SECURITY_UTILS_H_

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "desktop/windows/installer/common/win/security_utils.h"

namespace velta {

// SecurityUtils for tests, for the roads Wine cannot take (every access check
// passes there and access lists are not stored): answers the access and
// administrator questions as the test sets them, records every grant and
// restore, and fails the ones the test names. Changes nothing on the system.
// Object names are compared exactly, as the code under test spells them
// (a file path, or "CURRENT_USER\Software\..." for a key). One thread.
class FakeSecurityUtils : public SecurityUtils {
 public:
  struct Grant {
    std::wstring path;
    SE_OBJECT_TYPE type;
    DWORD access;
    bool permanent;
  };
  struct Restore {
    std::wstring path;
    SE_OBJECT_TYPE type;
  };

  FakeSecurityUtils();
  FakeSecurityUtils(const FakeSecurityUtils&) = delete;
  FakeSecurityUtils& operator=(const FakeSecurityUtils&) = delete;
  ~FakeSecurityUtils() override;

  // What the process token looks like. By default (as under Wine) the user
  // is an elevated administrator. A not-elevated administrator is in the
  // group only when the linked token is considered.
  void set_is_user_in_admin_group(bool value) { is_user_in_admin_group_ = value; }
  void set_is_elevated(bool value) { is_elevated_ = value; }
  void set_needs_elevation(bool value) { needs_elevation_ = value; }
  void set_enable_privilege_result(bool value) { enable_privilege_result_ = value; }

  // HasAccess is false for `path` until AllowAccess; true for all else.
  void DenyAccess(const std::wstring& path) { denied_.insert(path); }
  void AllowAccess(const std::wstring& path) { denied_.erase(path); }
  // HasAccess is false for `path` at its next question only, as when another
  // process grants the access in between.
  void DenyAccessOnce(const std::wstring& path) { denied_once_.insert(path); }
  // Grants on, and restores of, `path` fail (a restore still consumes the
  // record, as the real one does).
  void FailGrant(const std::wstring& path) { failing_grants_.insert(path); }
  void FailRestore(const std::wstring& path) { failing_restores_.insert(path); }

  // IsOwnedByUserOrAdministrators is false for the file or folder `path`
  // (compared with the handle's final path, ignoring case), as for what
  // another user made: Wine reads every file's owner as the current user.
  void SetForeignOwner(const std::wstring& path) { foreign_owned_.insert(path); }

  // Every successful grant and every restore asked for, in order.
  const std::vector<Grant>& grants() const { return grants_; }
  const std::vector<Restore>& restores() const { return restores_; }
  // Every HasAccess question, in order.
  const std::vector<std::wstring>& access_queries() const { return access_queries_; }
  // The names given to EnablePrivilege with their `enable` argument.
  const std::vector<std::pair<std::wstring, bool>>& privileges() const { return privileges_; }

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
  bool is_user_in_admin_group_ = true;
  bool is_elevated_ = true;
  bool needs_elevation_ = false;
  bool enable_privilege_result_ = true;
  std::set<std::wstring> denied_;
  std::set<std::wstring> denied_once_;
  std::set<std::wstring> failing_grants_;
  std::set<std::wstring> failing_restores_;
  std::set<std::wstring> foreign_owned_;
  std::vector<Grant> grants_;
  std::vector<Restore> restores_;
  std::vector<std::wstring> access_queries_;
  std::vector<std::pair<std::wstring, bool>> privileges_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_SECURITY_UTILS_H_
