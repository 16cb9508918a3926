// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_CALLBACK_H_
#define BASE_CALLBACK_H_

#include <stddef.h>

#include <utility>

#include "base/callback_forward.h"
#include "base/callback_internal.h"
#include "base/logging.h"

// Callbacks: a function with some arguments already bound (base/bind.h).
//
//   base::OnceCallback<int(int)> once = base::BindOnce(&Add, 1);
//   int three = std::move(once).Run(2);   // once is null afterwards
//
//   base::RepeatingClosure tick = base::BindRepeating(&Tick, counter);
//   tick.Run(); tick.Run();
//
// A OnceCallback is move-only and runs at most once (Run() on an rvalue);
// it may hold move-only bound arguments, which are moved into the call. A
// RepeatingCallback is copyable (copies share the bound state) and converts
// to a OnceCallback. The bound state is destroyed where the last callback
// holding it dies; that is what lets a reply be destroyed on its own thread.
// Running a null callback is a bug (CHECKed).

namespace base {

template <typename R, typename... Args>
class OnceCallback<R(Args...)> {
 public:
  using RunType = R(Args...);
  using State = internal::BindStateFor<R, Args...>;

  constexpr OnceCallback() = default;
  OnceCallback(std::nullptr_t) {}  // NOLINT: implicit like nullptr
  explicit OnceCallback(scoped_refptr<State> state) : state_(std::move(state)) {}
  OnceCallback(const OnceCallback&) = delete;
  OnceCallback& operator=(const OnceCallback&) = delete;
  OnceCallback(OnceCallback&& other) noexcept = default;
  OnceCallback& operator=(OnceCallback&& other) noexcept = default;
  // A repeating callback runs through a once one with its own semantics
  // (bound arguments copied, not moved, as its copies share them).
  OnceCallback(RepeatingCallback<RunType> other)  // NOLINT: implicit as in the well-known API
      : state_(std::move(other.state_)), is_repeating_(true) {}
  OnceCallback& operator=(RepeatingCallback<RunType> other) {
    state_ = std::move(other.state_);
    is_repeating_ = true;
    return *this;
  }

  bool is_null() const { return !state_; }
  explicit operator bool() const { return !is_null(); }
  bool IsCancelled() const { return !state_ || state_->IsCancelled(); }
  void Reset() { state_ = nullptr; }

  R Run(Args... args) && {
    CHECK(state_) << "running a null callback";
    // Taking the state out first makes the callback null even if the call
    // destroys the object that held it.
    scoped_refptr<State> state = std::move(state_);
    if (is_repeating_)
      return state->RunRepeating(std::forward<Args>(args)...);
    return state->RunOnce(std::forward<Args>(args)...);
  }
  // A OnceCallback runs only as an rvalue: std::move(callback).Run(...).
  R Run(Args... args) & = delete;

 private:
  scoped_refptr<State> state_;
  bool is_repeating_ = false;
};

template <typename R, typename... Args>
class RepeatingCallback<R(Args...)> {
 public:
  using RunType = R(Args...);
  using State = internal::BindStateFor<R, Args...>;

  constexpr RepeatingCallback() = default;
  RepeatingCallback(std::nullptr_t) {}  // NOLINT: implicit like nullptr
  explicit RepeatingCallback(scoped_refptr<State> state) : state_(std::move(state)) {}
  RepeatingCallback(const RepeatingCallback&) = default;
  RepeatingCallback& operator=(const RepeatingCallback&) = default;
  RepeatingCallback(RepeatingCallback&&) noexcept = default;
  RepeatingCallback& operator=(RepeatingCallback&&) noexcept = default;

  bool is_null() const { return !state_; }
  explicit operator bool() const { return !is_null(); }
  bool IsCancelled() const { return !state_ || state_->IsCancelled(); }
  void Reset() { state_ = nullptr; }
  // True when both hold the same bound state (copies of one bind).
  bool Equals(const RepeatingCallback& other) const { return state_ == other.state_; }
  bool operator==(const RepeatingCallback& other) const { return Equals(other); }

  R Run(Args... args) const& {
    CHECK(state_) << "running a null callback";
    // Keeps the state alive if the call resets or destroys this callback.
    scoped_refptr<State> state = state_;
    return state->RunRepeating(std::forward<Args>(args)...);
  }
  R Run(Args... args) && {
    CHECK(state_) << "running a null callback";
    scoped_refptr<State> state = std::move(state_);
    return state->RunRepeating(std::forward<Args>(args)...);
  }

 private:
  friend class OnceCallback<R(Args...)>;

  scoped_refptr<State> state_;
};

}  // namespace base

#endif  // BASE_CALLBACK_H_
