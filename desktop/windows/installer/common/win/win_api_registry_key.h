// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_REGISTRY_KEY_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_REGISTRY_KEY_H_

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/registry.h"

namespace velta {

class WinApiRegistryKeyIterator;

// A registry key opened through WinApi::OpenRegKey. It remembers its root,
// path and access (with the registry view in it) so that its sub-keys open
// the same way. The real class works on any key, so a fake hands out one
// opened below a test's own sandbox key; the operations are virtual for fakes
// that need other answers. Owned by the caller; use on one sequence.
class WinApiRegistryKey {
 public:
  // Opens `root`\`path` with `access` (KEY_WOW64_32KEY or KEY_WOW64_64KEY in
  // it choose the view); IsValid() tells whether that worked.
  WinApiRegistryKey(HKEY root, const std::wstring& path, REGSAM access);
  WinApiRegistryKey(const WinApiRegistryKey&) = delete;
  WinApiRegistryKey& operator=(const WinApiRegistryKey&) = delete;
  virtual ~WinApiRegistryKey();

  // Whether the key is open.
  virtual bool IsValid() const;
  // Reads a REG_SZ or REG_EXPAND_SZ value ("" is the default value); true on
  // ERROR_SUCCESS. `value` is untouched on failure.
  virtual bool ReadValue(const std::wstring& name, std::wstring* value) const;
  virtual bool HasValue(const std::wstring& name) const;
  // An iterator over the sub-keys, in the registry's order, each opened with
  // this key's root and access.
  virtual std::unique_ptr<WinApiRegistryKeyIterator> CreateSubKeyIterator() const;
  // The last component of the path: the text after its last backslash, or
  // the whole path when it has none.
  virtual std::wstring GetName() const;

  HKEY root() const { return root_; }
  REGSAM access() const { return access_; }
  const std::wstring& path() const { return path_; }

 private:
  const HKEY root_;
  const REGSAM access_;
  base::win::RegKey key_;
  const std::wstring path_;
};

// Hands out the sub-keys of one key in turn. Owned by the caller; use on one
// sequence. Sub-keys added or removed meanwhile may be missed or repeated, as
// with RegEnumKeyExW.
class WinApiRegistryKeyIterator {
 public:
  // Walks the sub-keys of `root`\`path` opened with `access`.
  WinApiRegistryKeyIterator(HKEY root, const std::wstring& path, REGSAM access);
  WinApiRegistryKeyIterator(const WinApiRegistryKeyIterator&) = delete;
  WinApiRegistryKeyIterator& operator=(const WinApiRegistryKeyIterator&) = delete;
  virtual ~WinApiRegistryKeyIterator();

  // The next sub-key, opened with the parent's root and access as
  // path + "\" + name (it may still fail to open: check IsValid()), or null
  // when there are no more sub-keys or the parent could not be read.
  virtual std::unique_ptr<WinApiRegistryKey> TakeSubKey();

 private:
  const HKEY root_;
  const std::wstring path_;
  const REGSAM access_;
  base::win::RegKey parent_;
  DWORD index_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_REGISTRY_KEY_H_
