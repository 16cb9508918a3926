// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_REGISTRY_H_
#define BASE_WIN_REGISTRY_H_

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace base::win {

// One open registry key. Every operation returns the system's LONG result
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_CANTREAD for a value of another
// type, ...) and leaves outputs untouched on failure.
//
// Registry views: a key opened with KEY_WOW64_32KEY or KEY_WOW64_64KEY
// remembers that flag, and every later operation on its sub-keys (CreateKey,
// OpenKey, DeleteKey, DeleteEmptyKey) uses the same view, as Windows requires.
// Without a flag a 32-bit process on 64-bit Windows lands in WOW6432Node for
// the redirected keys (HKLM\Software).
//
// Move-only; not thread-safe (use on one sequence).
class RegKey {
 public:
  RegKey();
  // Takes ownership of an open key.
  explicit RegKey(HKEY key);
  // Opens (KEY_READ-like access) or creates (any write access) `subkey`; check
  // Valid().
  RegKey(HKEY rootkey, const wchar_t* subkey, REGSAM access);
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();

  // Creates `subkey` (and any missing parents) or opens it when it exists.
  LONG Create(HKEY rootkey, const wchar_t* subkey, REGSAM access);
  // As Create; `disposition` receives REG_CREATED_NEW_KEY or
  // REG_OPENED_EXISTING_KEY.
  LONG CreateWithDisposition(HKEY rootkey, const wchar_t* subkey, DWORD* disposition,
                             REGSAM access);
  // Creates or opens `name` below this key; on success this object holds the
  // sub-key instead. `access` without a view flag takes this key's view; a
  // conflicting view flag is ERROR_INVALID_PARAMETER.
  LONG CreateKey(const wchar_t* name, REGSAM access);

  LONG Open(HKEY rootkey, const wchar_t* subkey, REGSAM access);
  // Opens `relative_key_name` below this key; on success this object holds the
  // sub-key instead (views as for CreateKey).
  LONG OpenKey(const wchar_t* relative_key_name, REGSAM access);

  void Close();
  // Closes the current key and owns `key`, in the default view.
  void Set(HKEY key);
  // Gives up ownership without closing.
  [[nodiscard]] HKEY Take();

  bool Valid() const { return key_ != nullptr; }
  HKEY Handle() const { return key_; }
  // KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0: the view this key was opened in.
  REGSAM wow64access() const { return wow64access_; }

  // True when the value `name` ("" or null: the default value) exists.
  bool HasValue(const wchar_t* name) const;
  // The number of values; 0 also when the key cannot be queried.
  DWORD GetValueCount() const;
  // The name of the value at `index` (0-based, in the registry's order).
  LONG GetValueNameAt(DWORD index, std::wstring* name) const;

  // Deletes the sub-key `name` with everything below it, in this key's view
  // (RegDeleteTreeW on the sub-key opened in that view, then the sub-key).
  // `name` must not be empty: ERROR_INVALID_PARAMETER. A missing key gives
  // ERROR_FILE_NOT_FOUND.
  LONG DeleteKey(const wchar_t* name);
  // Deletes the sub-key `name` only when it has neither values nor sub-keys;
  // otherwise ERROR_DIR_NOT_EMPTY and nothing changes.
  LONG DeleteEmptyKey(const wchar_t* name);
  LONG DeleteValue(const wchar_t* name);

  // REG_DWORD of exactly four bytes, else ERROR_CANTREAD.
  LONG ReadValueDW(const wchar_t* name, DWORD* out_value) const;
  // REG_QWORD of exactly eight bytes, else ERROR_CANTREAD.
  LONG ReadInt64(const wchar_t* name, int64_t* out_value) const;
  // REG_SZ or REG_EXPAND_SZ of any length, else ERROR_CANTREAD. The text ends
  // at its first NUL; REG_EXPAND_SZ comes back as stored, its %VARIABLES% not
  // expanded (callers that need the expansion call ExpandEnvironmentStringsW).
  LONG ReadValue(const wchar_t* name, std::wstring* out_value) const;
  // The raw bytes. In: `*dsize` is the size of `data` in bytes (data may be
  // null to ask for the size). Out: the size needed or written and the type
  // (either pointer may be null). ERROR_MORE_DATA when `data` is too small.
  LONG ReadValue(const wchar_t* name, void* data, DWORD* dsize, DWORD* dtype) const;
  // REG_MULTI_SZ as its strings (empty strings inside the list are kept; the
  // list ends at the double NUL), else ERROR_CANTREAD.
  LONG ReadValues(const wchar_t* name, std::vector<std::wstring>* values) const;

  LONG WriteValue(const wchar_t* name, DWORD in_value);
  // REG_SZ, terminating NUL included.
  LONG WriteValue(const wchar_t* name, const wchar_t* in_value);
  LONG WriteValue(const wchar_t* name, const void* data, DWORD dsize, DWORD dtype);

 private:
  // `access` with the view flag a sub-key must use; ERROR_INVALID_PARAMETER
  // when it names both views or the other view than this key.
  LONG ResolveSubkeyAccess(REGSAM access, REGSAM* resolved) const;
  // Reads a REG_DWORD or REG_QWORD (`size` 4 or 8) into `out_value`.
  LONG ReadFixedSize(const wchar_t* name, DWORD expected_type, void* out_value,
                     DWORD size) const;
  // Reads a value of any size into `data` (resized), with its type.
  LONG ReadRaw(const wchar_t* name, std::vector<BYTE>* data, DWORD* type) const;

  HKEY key_ = nullptr;
  REGSAM wow64access_ = 0;
};

// Walks the values of a key, from the last to the first (so that deleting the
// current value while iterating is safe):
//   for (RegistryValueIterator it(root, path); it.Valid(); ++it) it.Name() ...
// A key that cannot be opened gives an iterator that is not Valid().
class RegistryValueIterator {
 public:
  RegistryValueIterator(HKEY root_key, const wchar_t* folder_key);
  // `wow64access` is KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0.
  RegistryValueIterator(HKEY root_key, const wchar_t* folder_key, REGSAM wow64access);
  RegistryValueIterator(const RegistryValueIterator&) = delete;
  RegistryValueIterator& operator=(const RegistryValueIterator&) = delete;
  ~RegistryValueIterator();

  DWORD ValueCount() const;
  bool Valid() const;
  void operator++();

  const wchar_t* Name() const { return name_.c_str(); }
  // The data as text (for string types; other types as raw bytes, NUL
  // terminated for convenience). ValueSize() is the size in bytes as stored.
  const wchar_t* Value() const { return reinterpret_cast<const wchar_t*>(value_.data()); }
  DWORD ValueSize() const { return value_size_; }
  DWORD Type() const { return type_; }
  int Index() const { return index_; }

 private:
  // Reads the value at index_; false when there is none there.
  bool Read();

  RegKey key_;
  int index_ = -1;
  std::wstring name_;
  std::vector<BYTE> value_;
  DWORD value_size_ = 0;
  DWORD type_ = REG_NONE;
};

// Walks the sub-key names of a key, from the last to the first (deleting the
// current sub-key while iterating is safe).
class RegistryKeyIterator {
 public:
  RegistryKeyIterator(HKEY root_key, const wchar_t* folder_key);
  RegistryKeyIterator(HKEY root_key, const wchar_t* folder_key, REGSAM wow64access);
  RegistryKeyIterator(const RegistryKeyIterator&) = delete;
  RegistryKeyIterator& operator=(const RegistryKeyIterator&) = delete;
  ~RegistryKeyIterator();

  DWORD SubkeyCount() const;
  bool Valid() const;
  void operator++();

  const wchar_t* Name() const { return name_.c_str(); }
  int Index() const { return index_; }

 private:
  bool Read();

  RegKey key_;
  int index_ = -1;
  std::wstring name_;
};

}  // namespace base::win

#endif  // BASE_WIN_REGISTRY_H_
