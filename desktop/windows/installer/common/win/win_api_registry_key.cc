// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_registry_key.h"

namespace velta {
namespace {

// Registry key names are at most 255 characters; RegEnumKeyExW fails with
// ERROR_MORE_DATA for a longer one, which ends the walk like the last key.
constexpr DWORD kMaxKeyNameLength = 260;

}  // namespace

WinApiRegistryKey::WinApiRegistryKey(HKEY root, const std::wstring& path, REGSAM access)
    : root_(root), access_(access), path_(path) {
  key_.Open(root, path.c_str(), access);
}

WinApiRegistryKey::~WinApiRegistryKey() = default;

bool WinApiRegistryKey::IsValid() const {
  return key_.Valid();
}

bool WinApiRegistryKey::ReadValue(const std::wstring& name, std::wstring* value) const {
  return key_.ReadValue(name.c_str(), value) == ERROR_SUCCESS;
}

bool WinApiRegistryKey::HasValue(const std::wstring& name) const {
  return key_.HasValue(name.c_str());
}

std::unique_ptr<WinApiRegistryKeyIterator> WinApiRegistryKey::CreateSubKeyIterator() const {
  return std::make_unique<WinApiRegistryKeyIterator>(root_, path_, access_);
}

std::wstring WinApiRegistryKey::GetName() const {
  size_t separator = path_.rfind(L'\\');
  return separator == std::wstring::npos ? path_ : path_.substr(separator + 1);
}

WinApiRegistryKeyIterator::WinApiRegistryKeyIterator(HKEY root, const std::wstring& path,
                                                     REGSAM access)
    : root_(root), path_(path), access_(access) {
  parent_.Open(root, path.c_str(), access);
}

WinApiRegistryKeyIterator::~WinApiRegistryKeyIterator() = default;

std::unique_ptr<WinApiRegistryKey> WinApiRegistryKeyIterator::TakeSubKey() {
  if (!parent_.Valid())
    return nullptr;
  wchar_t name[kMaxKeyNameLength];
  DWORD name_length = kMaxKeyNameLength;
  if (::RegEnumKeyExW(parent_.Handle(), index_, name, &name_length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  ++index_;
  return std::make_unique<WinApiRegistryKey>(root_, path_ + L"\\" + name, access_);
}

}  // namespace velta
