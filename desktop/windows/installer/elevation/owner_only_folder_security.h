// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_ELEVATION_OWNER_ONLY_FOLDER_SECURITY_H_
#define DESKTOP_WINDOWS_INSTALLER_ELEVATION_OWNER_ONLY_FOLDER_SECURITY_H_

#include <windows.h>

namespace velta {

// The security attributes of a folder that only this process's user may
// use: its access list grants full access, inherited by everything the
// folder comes to hold, to the current user, SYSTEM and the Administrators
// group, and nothing else; it is protected, so the parent folder's entries
// (Everyone's or other users' in a shared temporary folder) do not reach it.
class OwnerOnlyFolderSecurity {
 public:
  OwnerOnlyFolderSecurity();
  OwnerOnlyFolderSecurity(const OwnerOnlyFolderSecurity&) = delete;
  OwnerOnlyFolderSecurity& operator=(const OwnerOnlyFolderSecurity&) = delete;
  ~OwnerOnlyFolderSecurity();

  // False when the access list could not be made; the attributes must then
  // not be used.
  bool IsValid() const { return dacl_ != nullptr; }

  // For CreateDirectoryW; valid while this object lives.
  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  PACL dacl_ = nullptr;  // LocalAlloc'ed by SetEntriesInAclW.
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_ELEVATION_OWNER_ONLY_FOLDER_SECURITY_H_
