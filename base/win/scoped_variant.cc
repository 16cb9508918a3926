// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_variant.h"

#include <oleauto.h>

#include "base/logging.h"

namespace base::win {

// static
const VARIANT ScopedVariant::kEmptyVariant = {};

ScopedVariant::ScopedVariant() {
  var_.vt = VT_EMPTY;
}

ScopedVariant::ScopedVariant(const wchar_t* str) {
  var_.vt = VT_EMPTY;
  Set(str);
}

ScopedVariant::ScopedVariant(long value, VARTYPE vt) {
  DCHECK(vt == VT_I1 || vt == VT_UI1 || vt == VT_I2 || vt == VT_UI2 || vt == VT_I4 ||
         vt == VT_UI4 || vt == VT_INT || vt == VT_UINT || vt == VT_BOOL || vt == VT_ERROR)
      << "not an integer type of at most 32 bits: " << vt;
  var_.vt = vt;
  var_.lVal = value;
}

ScopedVariant::ScopedVariant(int value) {
  var_.vt = VT_EMPTY;
  Set(static_cast<int32_t>(value));
}

ScopedVariant::ScopedVariant(bool value) {
  var_.vt = VT_EMPTY;
  Set(value);
}

ScopedVariant::ScopedVariant(IDispatch* dispatch) {
  var_.vt = VT_EMPTY;
  Set(dispatch);
}

ScopedVariant::ScopedVariant(ScopedVariant&& other) noexcept : var_(other.Release()) {}

ScopedVariant& ScopedVariant::operator=(ScopedVariant&& other) noexcept {
  if (this != &other)
    Reset(other.Release());
  return *this;
}

ScopedVariant::~ScopedVariant() {
  ::VariantClear(&var_);
}

void ScopedVariant::Reset(const VARIANT& var) {
  if (&var != &var_) {
    ::VariantClear(&var_);
    var_ = var;
  }
}

VARIANT ScopedVariant::Release() {
  VARIANT released = var_;
  var_.vt = VT_EMPTY;
  return released;
}

void ScopedVariant::Set(const wchar_t* str) {
  ::VariantClear(&var_);
  var_.vt = VT_BSTR;
  var_.bstrVal = str ? ::SysAllocString(str) : nullptr;
}

void ScopedVariant::Set(int32_t value) {
  ::VariantClear(&var_);
  var_.vt = VT_I4;
  var_.lVal = value;
}

void ScopedVariant::Set(bool value) {
  ::VariantClear(&var_);
  var_.vt = VT_BOOL;
  var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ScopedVariant::Set(IDispatch* dispatch) {
  ::VariantClear(&var_);
  var_.vt = VT_DISPATCH;
  var_.pdispVal = dispatch;
  if (dispatch)
    dispatch->AddRef();
}

VARIANT* ScopedVariant::Receive() {
  DCHECK(var_.vt == VT_EMPTY) << "Receive() over a value would leak it";
  return &var_;
}

}  // namespace base::win
