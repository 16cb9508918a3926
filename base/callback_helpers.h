// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_CALLBACK_HELPERS_H_
#define BASE_CALLBACK_HELPERS_H_

#include <utility>

#include "base/bind.h"
#include "base/callback.h"

namespace base {

// base::DoNothing() converts to any callback returning void that ignores its
// arguments: `PostTaskAndReply(FROM_HERE, task, base::DoNothing())`.
class DoNothing {
 public:
  template <typename... Args>
  operator OnceCallback<void(Args...)>() const {
    return Once<Args...>();
  }
  template <typename... Args>
  operator RepeatingCallback<void(Args...)>() const {
    return Repeatedly<Args...>();
  }

  template <typename... Args>
  static OnceCallback<void(Args...)> Once() {
    return BindOnce([](Args...) {});
  }
  template <typename... Args>
  static RepeatingCallback<void(Args...)> Repeatedly() {
    return BindRepeating([](Args...) {});
  }
};

// base::NullCallback() converts to a null callback of any type.
class NullCallback {
 public:
  template <typename R, typename... Args>
  operator OnceCallback<R(Args...)>() const {
    return OnceCallback<R(Args...)>();
  }
  template <typename R, typename... Args>
  operator RepeatingCallback<R(Args...)>() const {
    return RepeatingCallback<R(Args...)>();
  }
};

// Runs a closure when it goes out of scope, unless released first.
class ScopedClosureRunner {
 public:
  ScopedClosureRunner() = default;
  explicit ScopedClosureRunner(OnceClosure closure) : closure_(std::move(closure)) {}
  ScopedClosureRunner(ScopedClosureRunner&& other) = default;
  ScopedClosureRunner& operator=(ScopedClosureRunner&& other) {
    RunAndReset();
    closure_ = std::move(other.closure_);
    return *this;
  }
  ~ScopedClosureRunner() { RunAndReset(); }

  void RunAndReset() {
    if (closure_)
      std::move(closure_).Run();
  }
  [[nodiscard]] OnceClosure Release() { return std::move(closure_); }

 private:
  OnceClosure closure_;
};

}  // namespace base

#endif  // BASE_CALLBACK_HELPERS_H_
