// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_ACCESS_LIST_SDDL_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_ACCESS_LIST_SDDL_H_

#include <windows.h>
#include <accctrl.h>

#include <string>

namespace velta::test {

// The access list an object has now, as SDDL, for tests that compare it:
// "<unreadable>" when it cannot be read, "<no sddl>" when it cannot be
// written out. The object behind `handle`, of kind `type`:
std::wstring AccessListSddl(HANDLE handle, SE_OBJECT_TYPE type);
// ... or the object named `name`, as GetNamedSecurityInfo takes it.
std::wstring AccessListSddl(const std::wstring& name, SE_OBJECT_TYPE type);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_ACCESS_LIST_SDDL_H_
