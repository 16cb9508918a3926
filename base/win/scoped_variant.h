// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_VARIANT_H_
#define BASE_WIN_SCOPED_VARIANT_H_

#include <windows.h>
#include <oaidl.h>
#include <stdint.h>

namespace base::win {

// Owns a VARIANT and clears it (VariantClear: frees a BSTR, releases an
// interface) when destroyed or given a new value. Move-only; used on one
// thread at a time.
class ScopedVariant {
 public:
  // VT_EMPTY.
  static const VARIANT kEmptyVariant;

  ScopedVariant();
  // VT_BSTR holding a copy of `str` (null: VT_BSTR with a null BSTR).
  explicit ScopedVariant(const wchar_t* str);
  // VT_I4 (or `vt`, an integer type of at most 32 bits).
  explicit ScopedVariant(long value, VARTYPE vt = VT_I4);
  explicit ScopedVariant(int value);
  // VT_BOOL (VARIANT_TRUE / VARIANT_FALSE).
  explicit ScopedVariant(bool value);
  // VT_DISPATCH; adds a reference.
  explicit ScopedVariant(IDispatch* dispatch);
  ScopedVariant(ScopedVariant&& other) noexcept;
  ScopedVariant& operator=(ScopedVariant&& other) noexcept;
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant();

  VARTYPE type() const { return var_.vt; }

  // Clears the current value and takes ownership of `var` (no copy).
  void Reset(const VARIANT& var = kEmptyVariant);
  // Gives up ownership; the caller clears the result.
  [[nodiscard]] VARIANT Release();

  // Each Set clears the current value first.
  void Set(const wchar_t* str);
  void Set(int32_t value);
  void Set(bool value);
  // Adds a reference (null is allowed: VT_DISPATCH holding null).
  void Set(IDispatch* dispatch);

  // For out-parameters (`VARIANT*` that the callee fills): the current value
  // must be empty (Reset() first).
  VARIANT* Receive();
  // For in-parameters of COM calls that take `VARIANT*` and do not keep it.
  VARIANT* AsInput() const { return const_cast<VARIANT*>(&var_); }
  operator const VARIANT&() const { return var_; }

 private:
  VARIANT var_;
};

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_VARIANT_H_
