// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/registry_operation_utils.h"

namespace velta::internal {

const char* RootKeyName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE)
    return "HKEY_LOCAL_MACHINE";
  if (root == HKEY_CURRENT_USER)
    return "HKEY_CURRENT_USER";
  if (root == HKEY_CLASSES_ROOT)
    return "HKEY_CLASSES_ROOT";
  if (root == HKEY_USERS)
    return "HKEY_USERS";
  return "(other root)";
}

SE_OBJECT_TYPE SecurityObjectType(REGSAM view) {
  return (view & KEY_WOW64_32KEY) ? SE_REGISTRY_WOW64_32KEY : SE_REGISTRY_KEY;
}

REGSAM ViewAccessFlag(RegistryView view) {
  switch (view) {
    case RegistryView::kDefault:
      return 0;
    case RegistryView::k64Bit:
      return KEY_WOW64_64KEY;
    case RegistryView::k32Bit:
      return KEY_WOW64_32KEY;
  }
  return 0;
}

}  // namespace velta::internal
