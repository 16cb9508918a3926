// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_PROPVARIANT_H_
#define BASE_WIN_SCOPED_PROPVARIANT_H_

#include <windows.h>
#include <propidl.h>

namespace base::win {

// Owns a PROPVARIANT and clears it with PropVariantClear (which frees the
// strings and blobs it holds). Used on one thread at a time.
class ScopedPropVariant {
 public:
  ScopedPropVariant() { PropVariantInit(&pv_); }
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;
  ~ScopedPropVariant() { Reset(); }

  // For out-parameters (IPropertyStore::GetValue): clears the current value
  // first.
  PROPVARIANT* Receive() {
    Reset();
    return &pv_;
  }

  void Reset() {
    if (pv_.vt != VT_EMPTY)
      ::PropVariantClear(&pv_);
  }

  const PROPVARIANT& get() const { return pv_; }

 private:
  PROPVARIANT pv_;
};

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_PROPVARIANT_H_
