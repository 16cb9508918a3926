// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SCOPED_COM_INITIALIZER_H_
#define BASE_WIN_SCOPED_COM_INITIALIZER_H_

#include <objbase.h>

namespace base::win {

// Initialises COM on the current thread for its lifetime: a single-threaded
// apartment by default, the multithreaded one with kMTA. Made and destroyed
// on the same thread. When initialisation fails (for example
// RPC_E_CHANGED_MODE: the thread is already in the other apartment) nothing
// is undone at destruction; check Succeeded() before using COM.
class ScopedCOMInitializer {
 public:
  enum SelectMTA { kMTA };

  ScopedCOMInitializer();
  explicit ScopedCOMInitializer(SelectMTA mta);
  ScopedCOMInitializer(const ScopedCOMInitializer&) = delete;
  ScopedCOMInitializer& operator=(const ScopedCOMInitializer&) = delete;
  ~ScopedCOMInitializer();

  // S_OK or S_FALSE (already initialised in this apartment): COM is usable
  // and will be uninitialised once more at destruction.
  bool Succeeded() const { return SUCCEEDED(hr_); }
  HRESULT hr() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace base::win

#endif  // BASE_WIN_SCOPED_COM_INITIALIZER_H_
