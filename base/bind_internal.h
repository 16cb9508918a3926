// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_BIND_INTERNAL_H_
#define BASE_BIND_INTERNAL_H_

#include <stddef.h>

#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

#include "base/callback.h"
#include "base/callback_internal.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"

// The machinery behind base::BindOnce and base::BindRepeating. Not for use
// outside base/bind.h.

namespace base {
namespace internal {

template <typename... Ts>
struct TypeList {};

// TypeList<Ts...> without its first N types.
template <size_t N, typename List>
struct DropTypeListItem;
template <typename... Ts>
struct DropTypeListItem<0, TypeList<Ts...>> {
  using Type = TypeList<Ts...>;
};
template <size_t N, typename T, typename... Ts>
requires(N > 0) struct DropTypeListItem<N, TypeList<T, Ts...>>
    : DropTypeListItem<N - 1, TypeList<Ts...>> {
};

// The first type of a list (void when empty).
template <typename List>
struct FirstType {
  using Type = void;
};
template <typename T, typename... Ts>
struct FirstType<TypeList<T, Ts...>> {
  using Type = T;
};

template <typename R, typename List>
struct MakeRunType;
template <typename R, typename... Ts>
struct MakeRunType<R, TypeList<Ts...>> {
  using Type = R(Ts...);
  using State = BindStateFor<R, Ts...>;
};

// Wrappers that bind.h hands out.
template <typename T>
class UnretainedWrapper {
 public:
  explicit UnretainedWrapper(T* ptr) : ptr_(ptr) {}
  T* get() const { return ptr_; }

 private:
  T* ptr_;
};

template <typename T>
class RetainedRefWrapper {
 public:
  explicit RetainedRefWrapper(scoped_refptr<T> ptr) : ptr_(std::move(ptr)) {}
  T* get() const { return ptr_.get(); }

 private:
  scoped_refptr<T> ptr_;
};

template <typename T>
class OwnedWrapper {
 public:
  explicit OwnedWrapper(std::unique_ptr<T> ptr) : ptr_(std::move(ptr)) {}
  T* get() const { return ptr_.get(); }

 private:
  std::unique_ptr<T> ptr_;
};

// How a bound argument reaches the call: wrappers give their raw pointer,
// everything else is forwarded as stored.
template <typename T>
struct Unwrapper {
  template <typename U>
  static U&& Unwrap(U&& value) {
    return std::forward<U>(value);
  }
};
template <typename T>
struct Unwrapper<UnretainedWrapper<T>> {
  static T* Unwrap(const UnretainedWrapper<T>& wrapper) { return wrapper.get(); }
};
template <typename T>
struct Unwrapper<RetainedRefWrapper<T>> {
  static T* Unwrap(const RetainedRefWrapper<T>& wrapper) { return wrapper.get(); }
};
template <typename T>
struct Unwrapper<OwnedWrapper<T>> {
  static T* Unwrap(const OwnedWrapper<T>& wrapper) { return wrapper.get(); }
};

template <typename T>
decltype(auto) Unwrap(T&& value) {
  return Unwrapper<std::decay_t<T>>::Unwrap(std::forward<T>(value));
}

// How a method's receiver reaches the call: always as a raw pointer.
template <typename T>
T* UnwrapReceiver(T* ptr) {
  return ptr;
}
template <typename T>
T* UnwrapReceiver(const scoped_refptr<T>& ptr) {
  return ptr.get();
}
template <typename T>
T* UnwrapReceiver(const WeakPtr<T>& ptr) {
  return ptr.get();
}
template <typename T>
T* UnwrapReceiver(const std::unique_ptr<T>& ptr) {
  return ptr.get();
}
template <typename T>
auto UnwrapReceiver(const T& wrapper) -> decltype(wrapper.get()) {
  return wrapper.get();
}

template <typename T>
struct IsOnceCallback : std::false_type {};
template <typename Signature>
struct IsOnceCallback<OnceCallback<Signature>> : std::true_type {};

template <typename T>
struct IsWeakPtr : std::false_type {};
template <typename T>
struct IsWeakPtr<WeakPtr<T>> : std::true_type {};

// What can be bound: functions, methods, lambdas and other function objects,
// and callbacks themselves.
template <typename F, typename = void>
struct FunctorTraits;

template <typename R, typename... A>
struct FunctorTraits<R (*)(A...)> {
  using ReturnType = R;
  using Params = TypeList<A...>;
  static constexpr bool kIsMethod = false;
  template <typename Fn, typename... Ts>
  static R Invoke(Fn&& function, Ts&&... args) {
    return function(std::forward<Ts>(args)...);
  }
};
template <typename R, typename... A>
struct FunctorTraits<R (*)(A...) noexcept> : FunctorTraits<R (*)(A...)> {};

template <typename R, typename C, typename... A>
struct MethodTraits {
  using ReturnType = R;
  using Params = TypeList<C*, A...>;
  static constexpr bool kIsMethod = true;
  template <typename Method, typename Receiver, typename... Ts>
  static R Invoke(Method method, Receiver* receiver, Ts&&... args) {
    return (receiver->*method)(std::forward<Ts>(args)...);
  }
};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...)> : MethodTraits<R, C, A...> {};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...) const> : MethodTraits<R, const C, A...> {};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...) noexcept> : MethodTraits<R, C, A...> {};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...) const noexcept> : MethodTraits<R, const C, A...> {};

// The signature of a function object's call operator.
template <typename CallOperator>
struct CallOperatorTraits;
template <typename R, typename C, typename... A>
struct CallOperatorTraits<R (C::*)(A...)> {
  using ReturnType = R;
  using Params = TypeList<A...>;
};
template <typename R, typename C, typename... A>
struct CallOperatorTraits<R (C::*)(A...) const> : CallOperatorTraits<R (C::*)(A...)> {};
template <typename R, typename C, typename... A>
struct CallOperatorTraits<R (C::*)(A...) noexcept> : CallOperatorTraits<R (C::*)(A...)> {};
template <typename R, typename C, typename... A>
struct CallOperatorTraits<R (C::*)(A...) const noexcept> : CallOperatorTraits<R (C::*)(A...)> {};

template <typename F>
struct FunctorTraits<F, std::void_t<decltype(&F::operator())>>
    : CallOperatorTraits<decltype(&F::operator())> {
  static constexpr bool kIsMethod = false;
  template <typename Fn, typename... Ts>
  static typename CallOperatorTraits<decltype(&F::operator())>::ReturnType Invoke(Fn&& function,
                                                                                  Ts&&... args) {
    return std::forward<Fn>(function)(std::forward<Ts>(args)...);
  }
};

template <typename R, typename... A>
struct FunctorTraits<OnceCallback<R(A...)>> {
  using ReturnType = R;
  using Params = TypeList<A...>;
  static constexpr bool kIsMethod = false;
  template <typename Fn, typename... Ts>
  static R Invoke(Fn&& callback, Ts&&... args) {
    return std::move(callback).Run(std::forward<Ts>(args)...);
  }
};
template <typename R, typename... A>
struct FunctorTraits<RepeatingCallback<R(A...)>> {
  using ReturnType = R;
  using Params = TypeList<A...>;
  static constexpr bool kIsMethod = false;
  template <typename Fn, typename... Ts>
  static R Invoke(Fn&& callback, Ts&&... args) {
    return callback.Run(std::forward<Ts>(args)...);
  }
};

// The bound state of one BindOnce (kIsOnce) or BindRepeating call.
template <bool kIsOnce, typename Functor, typename... Bound>
class BindState;

template <typename State, bool kIsOnce, typename Functor, typename... Bound>
struct BindStateImpl;

template <typename R, typename... Unbound, bool kIsOnce, typename Functor, typename... Bound>
class BindStateImpl<BindStateFor<R, Unbound...>, kIsOnce, Functor, Bound...>
    : public BindStateFor<R, Unbound...> {
 public:
  using Traits = FunctorTraits<Functor>;
  static constexpr bool kIsWeakCall =
      Traits::kIsMethod && IsWeakPtr<typename FirstType<TypeList<Bound...>>::Type>::value;
  static_assert(!kIsWeakCall || std::is_void_v<R>,
                "a method bound to a WeakPtr must return void: it may not run");

  template <typename F, typename... B>
  explicit BindStateImpl(F&& functor, B&&... bound)
      : functor_(std::forward<F>(functor)), bound_(std::forward<B>(bound)...) {}

  bool IsCancelled() const override {
    if constexpr (kIsWeakCall)
      return !std::get<0>(bound_);
    else
      return false;
  }

  R RunOnce(Unbound&&... unbound) override {
    if constexpr (kIsOnce) {
      return Call(std::move(functor_), std::move(bound_), std::index_sequence_for<Bound...>(),
                  std::forward<Unbound>(unbound)...);
    } else {
      return RunRepeating(std::forward<Unbound>(unbound)...);
    }
  }

  R RunRepeating(Unbound&&... unbound) override {
    if constexpr (kIsOnce) {
      // A once state is never shared with a repeating callback.
      __builtin_trap();
    } else {
      return Call(functor_, std::as_const(bound_), std::index_sequence_for<Bound...>(),
                  std::forward<Unbound>(unbound)...);
    }
  }

 private:
  template <size_t I, typename Tuple>
  static decltype(auto) Argument(Tuple&& bound) {
    if constexpr (Traits::kIsMethod && I == 0)
      return UnwrapReceiver(std::get<0>(bound));
    else
      return Unwrap(std::get<I>(std::forward<Tuple>(bound)));
  }

  template <typename F, typename Tuple, size_t... I>
  static R Call(F&& functor, Tuple&& bound, std::index_sequence<I...>, Unbound&&... unbound) {
    if constexpr (kIsWeakCall) {
      // The receiver is gone or invalidated: the call does nothing.
      if (!std::get<0>(bound))
        return;
    }
    return Traits::Invoke(std::forward<F>(functor), Argument<I>(std::forward<Tuple>(bound))...,
                          std::forward<Unbound>(unbound)...);
  }

  Functor functor_;
  std::tuple<Bound...> bound_;
};

template <bool kIsOnce, typename Functor, typename... Bound>
using BindStateBaseFor = typename MakeRunType<
    typename FunctorTraits<Functor>::ReturnType,
    typename DropTypeListItem<sizeof...(Bound),
                              typename FunctorTraits<Functor>::Params>::Type>::State;

template <bool kIsOnce, typename Functor, typename... Bound>
class BindState final : public BindStateImpl<BindStateBaseFor<kIsOnce, Functor, Bound...>,
                                             kIsOnce,
                                             Functor,
                                             Bound...> {
 public:
  using BindStateImpl<BindStateBaseFor<kIsOnce, Functor, Bound...>, kIsOnce, Functor, Bound...>::
      BindStateImpl;

  using RunType = typename MakeRunType<
      typename FunctorTraits<Functor>::ReturnType,
      typename DropTypeListItem<sizeof...(Bound),
                                typename FunctorTraits<Functor>::Params>::Type>::Type;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_BIND_INTERNAL_H_
