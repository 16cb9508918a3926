// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATES_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATES_H_

#include <windows.h>
#include <stdint.h>

#include <vector>

namespace velta {

// One registry value the installation writes for the browser (or a key it
// deletes), with placeholders in braces in its key, value name and string
// data. Plain data: the strings and bytes are static. Applied by
// RegistryTemplateEntry.
struct RegistryTemplate {
  // `type` values besides the registry's own (REG_NONE ... REG_DWORD):
  // remove the value `value_name` (nothing is recorded), and delete the key
  // with everything below it (`value_name` and `data` are not used).
  static constexpr int32_t kRemoveValue = -1;
  static constexpr int32_t kDeleteKey = -2;

  // `data` for each type: a string (REG_SZ, REG_EXPAND_SZ; null writes an
  // empty value), NUL-terminated bytes (REG_BINARY; the NUL is not written)
  // or the number itself (REG_DWORD).
  static uintptr_t Text(const wchar_t* text) { return reinterpret_cast<uintptr_t>(text); }
  static uintptr_t Bytes(const char* bytes) { return reinterpret_cast<uintptr_t>(bytes); }
  static uintptr_t Number(DWORD number) { return number; }

  // Below the root.
  const wchar_t* key;
  // Null for the key's default value.
  const wchar_t* value_name;
  int32_t type;
  uintptr_t data;
  // In the numbering of base::win::Version (1 XP, 3 Vista, 7 Windows 10).
  int32_t min_windows;
  // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER to apply only under that root;
  // null for either.
  HKEY root;
  // The lowest stream the record applies to (ProductInfo::GetStream); 0 any.
  int32_t min_stream;
  // How far removing the installation deletes: RegistryKeyEntry's `clean`.
  uint32_t clean;
  // KEY_WOW64_32KEY to write in the 32-bit registry view, else 0.
  uint32_t access;
};

// The built-in table, in its fixed order (callers choose records by their
// key text). Made on first use (thread-safe) and never destroyed.
const std::vector<RegistryTemplate>& GetRegistryTemplates();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATES_H_
