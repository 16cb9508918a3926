// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_OPERATION_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_OPERATION_UTILS_H_

#include <windows.h>
#include <accctrl.h>

#include <string>

#include "desktop/windows/installer/transactions/operation_factory.h"

namespace velta::internal {

// Helpers the registry operations share.

// The root's name for log lines: "HKEY_LOCAL_MACHINE", ...
const char* RootKeyName(HKEY root);

// SE_REGISTRY_WOW64_32KEY for the 32-bit view, else SE_REGISTRY_KEY.
SE_OBJECT_TYPE SecurityObjectType(REGSAM view);

// The access flag that opens keys in `view`: none, KEY_WOW64_64KEY or
// KEY_WOW64_32KEY.
REGSAM ViewAccessFlag(RegistryView view);

}  // namespace velta::internal

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_OPERATION_UTILS_H_
