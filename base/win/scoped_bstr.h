// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_BSTR_H_
#define BASE_WIN_SCOPED_BSTR_H_

#include <windows.h>
#include <oleauto.h>

#include <string_view>

namespace base::win {

// Owns a BSTR (SysAllocString family) and frees it with SysFreeString.
// Move-only; used on one thread at a time.
class ScopedBstr {
 public:
  ScopedBstr() = default;
  // Copies `non_bstr` (embedded NULs kept) into a new BSTR.
  explicit ScopedBstr(std::wstring_view non_bstr);
  ScopedBstr(ScopedBstr&& other) noexcept;
  ScopedBstr& operator=(ScopedBstr&& other) noexcept;
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr();

  BSTR Get() const { return bstr_; }

  // Frees the current string and owns `bstr` instead.
  void Reset(BSTR bstr = nullptr);
  // Gives up ownership; the caller frees the result with SysFreeString.
  [[nodiscard]] BSTR Release();

  // Frees the current string and allocates a copy of `str`; null when out of
  // memory.
  BSTR Allocate(std::wstring_view str);

  // For out-parameters (`BSTR*`): frees the current string first.
  BSTR* Receive();

  // Characters, without the terminator; 0 for null.
  size_t Length() const;
  size_t ByteLength() const;

 private:
  BSTR bstr_ = nullptr;
};

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_BSTR_H_
