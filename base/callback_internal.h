// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_CALLBACK_INTERNAL_H_
#define BASE_CALLBACK_INTERNAL_H_

#include "base/memory/ref_counted.h"

namespace base::internal {

// The type-erased state of a bound callback: the functor and the bound
// arguments. Shared by copies of a RepeatingCallback, owned alone by a
// OnceCallback; destroyed, with the bound arguments, where the last callback
// holding it dies.
class BindStateBase : public RefCountedThreadSafe<BindStateBase> {
 public:
  BindStateBase(const BindStateBase&) = delete;
  BindStateBase& operator=(const BindStateBase&) = delete;

  // True when running would do nothing: the receiver is an invalidated
  // WeakPtr. Called on the receiver's sequence.
  virtual bool IsCancelled() const = 0;

 protected:
  BindStateBase() = default;
  virtual ~BindStateBase() = default;

 private:
  friend class RefCountedThreadSafe<BindStateBase>;
};

// The state of a callback with signature R(Args...).
template <typename R, typename... Args>
class BindStateFor : public BindStateBase {
 public:
  // Runs with the bound arguments moved into the call (OnceCallback).
  virtual R RunOnce(Args&&... args) = 0;
  // Runs with the bound arguments passed as const lvalues (RepeatingCallback).
  virtual R RunRepeating(Args&&... args) = 0;
};

}  // namespace base::internal

#endif  // BASE_CALLBACK_INTERNAL_H_
