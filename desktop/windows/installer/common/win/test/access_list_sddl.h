// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_ACCESS_LIST_SDDL_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_ACCESS_LIST_SDDL_H_

#include <windows.h>
#include <accctrl.h>

#include <string>
#include <vector>

namespace velta::test {

// The access list an object has now, as SDDL, for tests that compare it:
// "<unreadable>" when it cannot be read, "<no sddl>" when it cannot be
// written out. The object behind `handle`, of kind `type`:
std::wstring AccessListSddl(HANDLE handle, SE_OBJECT_TYPE type);
// ... or the object named `name`, as GetNamedSecurityInfo takes it.
std::wstring AccessListSddl(const std::wstring& name, SE_OBJECT_TYPE type);

// The account the test runs as: its name as GetUserName gives it and its
// SID as text; both empty when they cannot be had.
struct CurrentUser {
  std::wstring name;
  std::wstring sid;
};
CurrentUser GetCurrentUser();

// The entries of `dacl`, sorted (the order SetEntriesInAcl gives differs:
// Wine puts the new entry first), as "A|D inheritance-flags mask SID"; none
// for a null list.
std::vector<std::wstring> AccessListEntries(PACL dacl);

// The access list of a descriptor given as SDDL, for lists built in memory;
// both are null when the text does not parse. (Wine reads a null list,
// "D:NO_ACCESS_CONTROL", as an empty one.)
struct SddlDacl {
  explicit SddlDacl(const std::wstring& sddl);
  SddlDacl(const SddlDacl&) = delete;
  SddlDacl& operator=(const SddlDacl&) = delete;
  ~SddlDacl();

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
};

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_ACCESS_LIST_SDDL_H_
