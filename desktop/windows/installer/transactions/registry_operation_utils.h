// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_OPERATION_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_OPERATION_UTILS_H_

#include <windows.h>
#include <accctrl.h>

#include <string>

namespace velta::internal {

// Helpers the registry operations share.

// The root's name for log lines: "HKEY_LOCAL_MACHINE", ...
const char* RootKeyName(HKEY root);

// SE_REGISTRY_WOW64_32KEY for the 32-bit view, else SE_REGISTRY_KEY.
SE_OBJECT_TYPE SecurityObjectType(REGSAM view);

}  // namespace velta::internal

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_OPERATION_UTILS_H_
