// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/registry.h"

#include <string.h>

#include <utility>

namespace base::win {
namespace {

constexpr REGSAM kWow64AccessMask = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

// Opens the key an iterator walks, for reading in the given view.
bool OpenForIteration(RegKey* key, HKEY root_key, const wchar_t* folder_key, REGSAM wow64access) {
  return key->Open(root_key, folder_key, KEY_READ | (wow64access & kWow64AccessMask)) ==
         ERROR_SUCCESS;
}

// Registry names are at most 16383 characters; values may be larger than
// anything worth guessing, so sizes are asked for first.
constexpr DWORD kMaxKeyNameLength = 16384;

}  // namespace

RegKey::RegKey() = default;

RegKey::RegKey(HKEY key) : key_(key) {}

RegKey::RegKey(HKEY rootkey, const wchar_t* subkey, REGSAM access) {
  if (!rootkey)
    return;
  if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK))
    Create(rootkey, subkey, access);
  else
    Open(rootkey, subkey, access);
}

RegKey::RegKey(RegKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), wow64access_(std::exchange(other.wow64access_, 0)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
    wow64access_ = std::exchange(other.wow64access_, 0);
  }
  return *this;
}

RegKey::~RegKey() {
  Close();
}

LONG RegKey::Create(HKEY rootkey, const wchar_t* subkey, REGSAM access) {
  DWORD disposition = 0;
  return CreateWithDisposition(rootkey, subkey, &disposition, access);
}

LONG RegKey::CreateWithDisposition(HKEY rootkey, const wchar_t* subkey, DWORD* disposition,
                                   REGSAM access) {
  if ((access & kWow64AccessMask) == kWow64AccessMask)
    return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(rootkey, subkey ? subkey : L"", 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                                        disposition);
  if (result == ERROR_SUCCESS) {
    Close();
    key_ = key;
    wow64access_ = access & kWow64AccessMask;
  }
  return result;
}

LONG RegKey::ResolveSubkeyAccess(REGSAM access, REGSAM* resolved) const {
  const REGSAM view = access & kWow64AccessMask;
  if (view == kWow64AccessMask || (view != 0 && wow64access_ != 0 && view != wow64access_))
    return ERROR_INVALID_PARAMETER;
  *resolved = view ? access : (access | wow64access_);
  return ERROR_SUCCESS;
}

LONG RegKey::CreateKey(const wchar_t* name, REGSAM access) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  REGSAM resolved = 0;
  LONG result = ResolveSubkeyAccess(access, &resolved);
  if (result != ERROR_SUCCESS)
    return result;
  HKEY subkey = nullptr;
  result = ::RegCreateKeyExW(key_, name, 0, nullptr, REG_OPTION_NON_VOLATILE, resolved, nullptr,
                             &subkey, nullptr);
  if (result == ERROR_SUCCESS) {
    Close();
    key_ = subkey;
    wow64access_ = resolved & kWow64AccessMask;
  }
  return result;
}

LONG RegKey::Open(HKEY rootkey, const wchar_t* subkey, REGSAM access) {
  if ((access & kWow64AccessMask) == kWow64AccessMask)
    return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExW(rootkey, subkey, 0, access, &key);
  if (result == ERROR_SUCCESS) {
    Close();
    key_ = key;
    wow64access_ = access & kWow64AccessMask;
  }
  return result;
}

LONG RegKey::OpenKey(const wchar_t* relative_key_name, REGSAM access) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  REGSAM resolved = 0;
  LONG result = ResolveSubkeyAccess(access, &resolved);
  if (result != ERROR_SUCCESS)
    return result;
  HKEY subkey = nullptr;
  result = ::RegOpenKeyExW(key_, relative_key_name, 0, resolved, &subkey);
  if (result == ERROR_SUCCESS) {
    Close();
    key_ = subkey;
    wow64access_ = resolved & kWow64AccessMask;
  }
  return result;
}

void RegKey::Close() {
  if (key_) {
    ::RegCloseKey(key_);
    key_ = nullptr;
  }
  wow64access_ = 0;
}

void RegKey::Set(HKEY key) {
  if (key_ != key) {
    Close();
    key_ = key;
  }
}

HKEY RegKey::Take() {
  wow64access_ = 0;
  return std::exchange(key_, nullptr);
}

bool RegKey::HasValue(const wchar_t* name) const {
  return key_ && ::RegQueryValueExW(key_, name, nullptr, nullptr, nullptr, nullptr) ==
                     ERROR_SUCCESS;
}

DWORD RegKey::GetValueCount() const {
  DWORD count = 0;
  if (!key_ || ::RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

LONG RegKey::GetValueNameAt(DWORD index, std::wstring* name) const {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  std::wstring buffer(kMaxKeyNameLength, L'\0');
  DWORD length = kMaxKeyNameLength;
  const LONG result = ::RegEnumValueW(key_, index, buffer.data(), &length, nullptr, nullptr,
                                      nullptr, nullptr);
  if (result == ERROR_SUCCESS) {
    buffer.resize(length);
    *name = std::move(buffer);
  }
  return result;
}

LONG RegKey::DeleteKey(const wchar_t* name) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  // An empty name would make RegDeleteTreeW empty this key itself.
  if (!name || !*name)
    return ERROR_INVALID_PARAMETER;
  // Opened in this key's view: SHDeleteKeyW would ignore the view and delete
  // the other view's key of the same name.
  HKEY subkey = nullptr;
  LONG result = ::RegOpenKeyExW(key_, name, 0,
                                DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE |
                                    KEY_SET_VALUE | wow64access_,
                                &subkey);
  if (result != ERROR_SUCCESS)
    return result;
  result = ::RegDeleteTreeW(subkey, nullptr);
  ::RegCloseKey(subkey);
  if (result != ERROR_SUCCESS)
    return result;
  return ::RegDeleteKeyExW(key_, name, wow64access_, 0);
}

LONG RegKey::DeleteEmptyKey(const wchar_t* name) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  if (!name || !*name)
    return ERROR_INVALID_PARAMETER;
  HKEY subkey = nullptr;
  LONG result = ::RegOpenKeyExW(key_, name, 0, KEY_READ | wow64access_, &subkey);
  if (result != ERROR_SUCCESS)
    return result;
  DWORD subkeys = 0;
  DWORD values = 0;
  result = ::RegQueryInfoKeyW(subkey, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr);
  ::RegCloseKey(subkey);
  if (result != ERROR_SUCCESS)
    return result;
  if (subkeys != 0 || values != 0)
    return ERROR_DIR_NOT_EMPTY;
  return ::RegDeleteKeyExW(key_, name, wow64access_, 0);
}

LONG RegKey::DeleteValue(const wchar_t* name) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return ::RegDeleteValueW(key_, name);
}

LONG RegKey::ReadRaw(const wchar_t* name, std::vector<BYTE>* data, DWORD* type) const {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  // The value may grow between the size query and the read: retry a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = 0;
    LONG result = ::RegQueryValueExW(key_, name, nullptr, type, nullptr, &size);
    if (result != ERROR_SUCCESS)
      return result;
    data->resize(size);
    result = ::RegQueryValueExW(key_, name, nullptr, type, data->empty() ? nullptr : data->data(),
                                &size);
    if (result == ERROR_SUCCESS) {
      data->resize(size);
      return result;
    }
    if (result != ERROR_MORE_DATA)
      return result;
  }
  return ERROR_MORE_DATA;
}

LONG RegKey::ReadFixedSize(const wchar_t* name, DWORD expected_type, void* out_value,
                           DWORD size) const {
  // Read into a buffer of the exact size: a value of another size fails with
  // ERROR_MORE_DATA or comes back short, and `out_value` stays untouched.
  uint64_t buffer = 0;
  DWORD type = REG_NONE;
  DWORD read_size = size;
  const LONG result = ReadValue(name, &buffer, &read_size, &type);
  if (result == ERROR_MORE_DATA)
    return ERROR_CANTREAD;
  if (result != ERROR_SUCCESS)
    return result;
  if (type != expected_type || read_size != size)
    return ERROR_CANTREAD;
  memcpy(out_value, &buffer, size);
  return ERROR_SUCCESS;
}

LONG RegKey::ReadValueDW(const wchar_t* name, DWORD* out_value) const {
  return ReadFixedSize(name, REG_DWORD, out_value, sizeof(*out_value));
}

LONG RegKey::ReadInt64(const wchar_t* name, int64_t* out_value) const {
  return ReadFixedSize(name, REG_QWORD, out_value, sizeof(*out_value));
}

LONG RegKey::ReadValue(const wchar_t* name, std::wstring* out_value) const {
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  const LONG result = ReadRaw(name, &data, &type);
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return ERROR_CANTREAD;
  // Stored strings need not end with a NUL, and an odd last byte is not part
  // of any character.
  std::wstring value(data.size() / sizeof(wchar_t), L'\0');
  memcpy(value.data(), data.data(), value.size() * sizeof(wchar_t));
  const size_t end = value.find(L'\0');
  if (end != std::wstring::npos)
    value.resize(end);
  *out_value = std::move(value);
  return ERROR_SUCCESS;
}

LONG RegKey::ReadValue(const wchar_t* name, void* data, DWORD* dsize, DWORD* dtype) const {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return ::RegQueryValueExW(key_, name, nullptr, dtype, static_cast<BYTE*>(data), dsize);
}

LONG RegKey::ReadValues(const wchar_t* name, std::vector<std::wstring>* values) const {
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  const LONG result = ReadRaw(name, &data, &type);
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_MULTI_SZ)
    return ERROR_CANTREAD;
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  // "a\0\0b\0\0" is the list {"a"}: the first empty string ends it. A list
  // written without its final NULs still yields its last string.
  std::vector<std::wstring> list;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find(L'\0', begin);
    if (end == std::wstring::npos)
      end = text.size();
    if (end == begin)
      break;
    list.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  *values = std::move(list);
  return ERROR_SUCCESS;
}

LONG RegKey::WriteValue(const wchar_t* name, DWORD in_value) {
  return WriteValue(name, &in_value, sizeof(in_value), REG_DWORD);
}

LONG RegKey::WriteValue(const wchar_t* name, const wchar_t* in_value) {
  const size_t bytes = (wcslen(in_value) + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD)
    return ERROR_INVALID_PARAMETER;
  return WriteValue(name, in_value, static_cast<DWORD>(bytes), REG_SZ);
}

LONG RegKey::WriteValue(const wchar_t* name, const void* data, DWORD dsize, DWORD dtype) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return ::RegSetValueExW(key_, name, 0, dtype, static_cast<const BYTE*>(data), dsize);
}

// RegistryValueIterator ------------------------------------------------------

RegistryValueIterator::RegistryValueIterator(HKEY root_key, const wchar_t* folder_key)
    : RegistryValueIterator(root_key, folder_key, 0) {}

RegistryValueIterator::RegistryValueIterator(HKEY root_key, const wchar_t* folder_key,
                                             REGSAM wow64access) {
  if (!OpenForIteration(&key_, root_key, folder_key, wow64access))
    return;
  index_ = static_cast<int>(ValueCount()) - 1;
  Read();
}

RegistryValueIterator::~RegistryValueIterator() = default;

DWORD RegistryValueIterator::ValueCount() const {
  return key_.GetValueCount();
}

bool RegistryValueIterator::Valid() const {
  return key_.Valid() && index_ >= 0;
}

void RegistryValueIterator::operator++() {
  --index_;
  Read();
}

bool RegistryValueIterator::Read() {
  name_.clear();
  value_.assign(sizeof(wchar_t), 0);
  value_size_ = 0;
  type_ = REG_NONE;
  if (!Valid())
    return false;
  DWORD max_name = 0;
  DWORD max_data = 0;
  if (::RegQueryInfoKeyW(key_.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &max_name, &max_data, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::wstring name(max_name + 1, L'\0');
    DWORD name_length = max_name + 1;
    // Room for a NUL character after the data, so that Value() is a string
    // even when the stored one lacks its terminator.
    std::vector<BYTE> data(max_data + 2 * sizeof(wchar_t), 0);
    DWORD data_size = max_data;
    const LONG result = ::RegEnumValueW(key_.Handle(), static_cast<DWORD>(index_), name.data(),
                                        &name_length, nullptr, &type_, data.data(), &data_size);
    if (result == ERROR_SUCCESS) {
      name.resize(name_length);
      name_ = std::move(name);
      value_ = std::move(data);
      value_size_ = data_size;
      return true;
    }
    if (result != ERROR_MORE_DATA)
      return false;
    // The value grew since the size query.
    max_name = max_name * 2 + 256;
    max_data = max_data * 2 + 256;
  }
  return false;
}

// RegistryKeyIterator --------------------------------------------------------

RegistryKeyIterator::RegistryKeyIterator(HKEY root_key, const wchar_t* folder_key)
    : RegistryKeyIterator(root_key, folder_key, 0) {}

RegistryKeyIterator::RegistryKeyIterator(HKEY root_key, const wchar_t* folder_key,
                                         REGSAM wow64access) {
  if (!OpenForIteration(&key_, root_key, folder_key, wow64access))
    return;
  index_ = static_cast<int>(SubkeyCount()) - 1;
  Read();
}

RegistryKeyIterator::~RegistryKeyIterator() = default;

DWORD RegistryKeyIterator::SubkeyCount() const {
  DWORD count = 0;
  if (!key_.Valid() ||
      ::RegQueryInfoKeyW(key_.Handle(), nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

bool RegistryKeyIterator::Valid() const {
  return key_.Valid() && index_ >= 0;
}

void RegistryKeyIterator::operator++() {
  --index_;
  Read();
}

bool RegistryKeyIterator::Read() {
  name_.clear();
  if (!Valid())
    return false;
  std::wstring name(kMaxKeyNameLength, L'\0');
  DWORD length = kMaxKeyNameLength;
  if (::RegEnumKeyExW(key_.Handle(), static_cast<DWORD>(index_), name.data(), &length, nullptr,
                      nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  name.resize(length);
  name_ = std::move(name);
  return true;
}

}  // namespace base::win
