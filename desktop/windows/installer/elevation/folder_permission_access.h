// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_ELEVATION_FOLDER_PERMISSION_ACCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_ELEVATION_FOLDER_PERMISSION_ACCESS_H_

#include <windows.h>
#include <accctrl.h>

#include <memory>
#include <string>

namespace velta {

class SecurityRestoreInfo;

// The access-list work of the elevated folder-permission helper: it grants
// the installing user, named on its command line (the helper itself may run
// as another, administrating account), full access to the install folder and
// later puts the previous list back through SecurityUtils::RestoreSecurity.

// The access bits taken out of the account's own deny entries: a deny entry
// wins over any grant, so leaving its write bits would keep the folder
// unwritable.
inline constexpr DWORD kDeniedWriteBits =
    GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
    FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER;

// Builds into `*merged` (LocalFree it) `dacl` with the write bits taken out of
// `account`'s deny entries (an entry left empty is dropped) and an entry
// granting `account` GENERIC_ALL, inherited by sub-folders and files. `dacl`
// itself is unchanged. A null `dacl` (open to everyone) needs nothing:
// `*merged` stays null. False when the list cannot be built.
bool MergeAccountGrant(PACL dacl, PSID account, PACL* merged);

// Grants the account named `account` ("DOMAIN\user" or "user") full access to
// the object `object_name` (a folder path, or "CURRENT_USER\..." for a
// registry key) as MergeAccountGrant does. On success `*restore` holds the
// previous access list for RestoreSecurity. An object with a null access list
// (open to everyone) is left alone: a list built from nothing would shut
// everyone else out; that is a success with nothing to restore. False, with
// an ERROR line and the object unchanged, when the account is unknown or the
// list cannot be read, built or written.
bool GrantAccountFullAccess(const std::wstring& object_name,
                            SE_OBJECT_TYPE type,
                            const std::wstring& account,
                            std::unique_ptr<SecurityRestoreInfo>* restore);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_ELEVATION_FOLDER_PERMISSION_ACCESS_H_
