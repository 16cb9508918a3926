// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_BIND_H_
#define BASE_BIND_H_

#include <memory>
#include <type_traits>
#include <utility>

#include "base/bind_internal.h"
#include "base/callback.h"

// Binding arguments to functions, methods and function objects:
//
//   base::OnceClosure task = base::BindOnce(&WriteFile, path, std::move(data));
//   base::RepeatingCallback<void(int)> progress =
//       base::BindRepeating(&Window::OnProgress, weak_factory_.GetWeakPtr());
//   auto add_one = base::BindOnce(&Add, 1);            // partial application
//
// Bound arguments are stored by value (decayed) in the callback. A
// OnceCallback moves them into the call, so move-only values bind with
// std::move; a RepeatingCallback passes them as const lvalues each run.
//
// A method's receiver comes first among the bound arguments:
//  - base::Unretained(this): a raw pointer; the caller guarantees the object
//    outlives every run;
//  - a base::WeakPtr: the call does nothing once the pointer is invalid (the
//    method must return void);
//  - a scoped_refptr: the callback keeps the object alive;
//  - a plain raw pointer works as Unretained.
// Other helpers: base::Owned (the callback owns and deletes the pointee),
// base::RetainedRef (keeps a ref-counted object alive and passes it raw).

namespace base {

template <typename Functor, typename... Args>
auto BindOnce(Functor&& functor, Args&&... args) {
  using State = internal::BindState<true, std::decay_t<Functor>, std::decay_t<Args>...>;
  using Callback = OnceCallback<typename State::RunType>;
  return Callback(scoped_refptr<typename Callback::State>(
      new State(std::forward<Functor>(functor), std::forward<Args>(args)...)));
}

template <typename Functor, typename... Args>
auto BindRepeating(Functor&& functor, Args&&... args) {
  static_assert(!internal::IsOnceCallback<std::decay_t<Functor>>::value,
                "a OnceCallback cannot become repeating");
  using State = internal::BindState<false, std::decay_t<Functor>, std::decay_t<Args>...>;
  using Callback = RepeatingCallback<typename State::RunType>;
  return Callback(scoped_refptr<typename Callback::State>(
      new State(std::forward<Functor>(functor), std::forward<Args>(args)...)));
}

// The receiver or argument is not owned and not kept alive.
template <typename T>
internal::UnretainedWrapper<T> Unretained(T* ptr) {
  return internal::UnretainedWrapper<T>(ptr);
}

// The callback owns `ptr` and deletes it when destroyed; the function gets it
// as a raw pointer.
template <typename T>
internal::OwnedWrapper<T> Owned(T* ptr) {
  return internal::OwnedWrapper<T>(std::unique_ptr<T>(ptr));
}
template <typename T>
internal::OwnedWrapper<T> Owned(std::unique_ptr<T>&& ptr) {
  return internal::OwnedWrapper<T>(std::move(ptr));
}

// The callback holds a reference to `ptr`; the function gets a raw pointer.
template <typename T>
internal::RetainedRefWrapper<T> RetainedRef(T* ptr) {
  return internal::RetainedRefWrapper<T>(scoped_refptr<T>(ptr));
}
template <typename T>
internal::RetainedRefWrapper<T> RetainedRef(scoped_refptr<T> ptr) {
  return internal::RetainedRefWrapper<T>(std::move(ptr));
}

}  // namespace base

#endif  // BASE_BIND_H_
