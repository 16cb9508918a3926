// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATES_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATES_H_

#include <windows.h>
#include <stdint.h>

#include <vector>

#include "base/win/windows_version.h"

namespace velta {

// One registry value the installation writes for the browser (or a key it
// deletes), with placeholders in braces in its key, value name and string
// data. Plain data: the strings and bytes are static. Applied by
// RegistryTemplateEntry. Rows name their fields; a field left out keeps the
// default given here.
struct RegistryTemplate {
  // `type` values besides the registry's own (REG_NONE ... REG_DWORD):
  // remove the value `value_name` (nothing is recorded), and delete the key
  // with everything below it (`value_name` and the data are not used).
  static constexpr int32_t kRemoveValue = -1;
  static constexpr int32_t kDeleteKey = -2;

  // Below the root.
  const wchar_t* key = nullptr;
  // Null for the key's default value.
  const wchar_t* value_name = nullptr;
  int32_t type = REG_NONE;
  // The data, in the one field that `type` reads; the others are not used.
  // REG_SZ and REG_EXPAND_SZ: the string; null writes an empty value.
  const wchar_t* text = nullptr;
  // REG_BINARY: NUL-terminated bytes; the NUL is not written.
  const char* bytes = nullptr;
  // REG_DWORD.
  DWORD number = 0;
  // In the numbering of base::win::Version (1 XP, 3 Vista, 7 Windows 10).
  int32_t min_windows = base::win::VERSION_XP;
  // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER to apply only under that root;
  // null for either.
  HKEY root = nullptr;
  // The lowest stream the record applies to (ProductInfo::GetStream); 0 any.
  int32_t min_stream = 0;
  // How far removing the installation deletes: RegistryKeyEntry's `clean`.
  uint32_t clean = 0;
  // KEY_WOW64_32KEY to write in the 32-bit registry view, else 0.
  uint32_t access = 0;
};

// The built-in table, in its fixed order (callers choose records by their
// key text). Made on first use (thread-safe) and never destroyed.
const std::vector<RegistryTemplate>& GetRegistryTemplates();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATES_H_
