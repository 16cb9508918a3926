// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_bstr.h"

#include <utility>

namespace base::win {

ScopedBstr::ScopedBstr(std::wstring_view non_bstr) {
  Allocate(non_bstr);
}

ScopedBstr::ScopedBstr(ScopedBstr&& other) noexcept : bstr_(other.Release()) {}

ScopedBstr& ScopedBstr::operator=(ScopedBstr&& other) noexcept {
  if (this != &other)
    Reset(other.Release());
  return *this;
}

ScopedBstr::~ScopedBstr() {
  Reset();
}

void ScopedBstr::Reset(BSTR bstr) {
  if (bstr != bstr_) {
    ::SysFreeString(bstr_);
    bstr_ = bstr;
  }
}

BSTR ScopedBstr::Release() {
  return std::exchange(bstr_, nullptr);
}

BSTR ScopedBstr::Allocate(std::wstring_view str) {
  if (str.size() > 0x7FFFFFFFu / sizeof(wchar_t)) {
    Reset();
    return nullptr;
  }
  Reset(::SysAllocStringLen(str.data(), static_cast<UINT>(str.size())));
  return bstr_;
}

BSTR* ScopedBstr::Receive() {
  Reset();
  return &bstr_;
}

size_t ScopedBstr::Length() const {
  return ::SysStringLen(bstr_);
}

size_t ScopedBstr::ByteLength() const {
  return ::SysStringByteLen(bstr_);
}

}  // namespace base::win
