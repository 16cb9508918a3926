// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_LAZY_INSTANCE_H_
#define BASE_LAZY_INSTANCE_H_

#include <stdint.h>

#include <atomic>
#include <new>

#include "base/at_exit.h"
#include "base/logging.h"

// A process-wide instance made on first use, without a static constructor:
//
//   base::LazyInstance<DialogDispatcher>::DestructorAtExit g_dispatcher =
//       LAZY_INSTANCE_INITIALIZER;
//   base::LazyInstance<Installation>::Leaky g_installation = LAZY_INSTANCE_INITIALIZER;
//   g_dispatcher.Get().Dispatch(msg);
//
// Making the instance is thread-safe: when several threads ask at once,
// exactly one constructs it and the others wait for it. The plain form
// (`LazyInstance<T>`, same as `::DestructorAtExit`) is destroyed by the
// AtExitManager, after which the next Get() makes a new one; `::Leaky` is
// never destroyed.
//
// Tests: `ResetForTesting()` destroys the instance (also a leaky one) so the
// next Get() makes a fresh one; call it only while no other thread uses it.

namespace base {

namespace internal {

// The instance pointer's states besides a real address.
constexpr uintptr_t kLazyInstanceStateCreating = 1;

// Waits until another thread finished making the instance; returns it.
uintptr_t WaitForLazyInstance(const std::atomic<uintptr_t>* state);

}  // namespace internal

template <typename T>
struct LazyInstanceTraitsBase {
  static T* New(void* instance) { return new (instance) T(); }
};

// Destroyed by the AtExitManager.
template <typename T>
struct DestructorAtExitLazyInstanceTraits : LazyInstanceTraitsBase<T> {
  static constexpr bool kRegisterOnExit = true;
  static void Delete(T* instance) { instance->~T(); }
};

// Never destroyed.
template <typename T>
struct LeakyLazyInstanceTraits : LazyInstanceTraitsBase<T> {
  static constexpr bool kRegisterOnExit = false;
  static void Delete(T* instance) { instance->~T(); }
};

template <typename T, typename Traits = DestructorAtExitLazyInstanceTraits<T>>
class LazyInstance {
 public:
  using Leaky = LazyInstance<T, LeakyLazyInstanceTraits<T>>;
  using DestructorAtExit = LazyInstance<T, DestructorAtExitLazyInstanceTraits<T>>;

  // Constant initialisation only; use LAZY_INSTANCE_INITIALIZER.
  constexpr LazyInstance() = default;
  LazyInstance(const LazyInstance&) = delete;
  LazyInstance& operator=(const LazyInstance&) = delete;

  T& Get() { return *Pointer(); }
  T* Pointer() {
    uintptr_t value = state_.load(std::memory_order_acquire);
    if (value > internal::kLazyInstanceStateCreating)
      return reinterpret_cast<T*>(value);
    uintptr_t expected = 0;
    if (state_.compare_exchange_strong(expected, internal::kLazyInstanceStateCreating,
                                       std::memory_order_acquire)) {
      T* instance = Traits::New(storage_);
      state_.store(reinterpret_cast<uintptr_t>(instance), std::memory_order_release);
      if (Traits::kRegisterOnExit)
        AtExitManager::RegisterCallback(&OnExit, this);
      return instance;
    }
    return reinterpret_cast<T*>(internal::WaitForLazyInstance(&state_));
  }

  // True when the instance exists (a snapshot; other threads may make it).
  bool IsCreated() const {
    return state_.load(std::memory_order_acquire) > internal::kLazyInstanceStateCreating;
  }

  void ResetForTesting() { Destroy(); }

 private:
  static void OnExit(void* lazy_instance) { static_cast<LazyInstance*>(lazy_instance)->Destroy(); }

  void Destroy() {
    const uintptr_t value = state_.load(std::memory_order_acquire);
    if (value <= internal::kLazyInstanceStateCreating)
      return;
    Traits::Delete(reinterpret_cast<T*>(value));
    state_.store(0, std::memory_order_release);
  }

  alignas(T) unsigned char storage_[sizeof(T)] = {};
  std::atomic<uintptr_t> state_{0};
};

}  // namespace base

#define LAZY_INSTANCE_INITIALIZER \
  {}

#endif  // BASE_LAZY_INSTANCE_H_
