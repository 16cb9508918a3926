// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PROCESS_WIDE_H_
#define BASE_PROCESS_WIDE_H_

namespace base {

// The storage behind the GetInstance() of a process-wide object that tests
// replace, and the one way they replace it:
//
//   Clock* Clock::GetInstance() {
//     return base::ProcessWide<Clock>::GetOrCreate<ClockImpl>();
//   }
//
//   FakeClock fake;
//   base::ProcessWide<Clock>::ScopedOverride override_clock(&fake);
//
// The real `Impl` is made on the first call that finds no override in place
// (on the main thread before any worker starts, like every process-wide
// object) and never destroyed, as callers may keep the pointer until the
// process ends. Overrides are put in place and taken away on the main thread
// while no other thread uses the object.
template <typename T>
class ProcessWide {
 public:
  ProcessWide() = delete;

  // The override in place, else the real `Impl`.
  template <typename Impl>
  static T* GetOrCreate() {
    if (override_)
      return override_;
    static T* const instance = new Impl();
    return instance;
  }

  // Puts `instance` (not owned, must outlive this object) in place until this
  // object dies, then puts back whatever was in place before, so overrides
  // nest. Tests and the test hooks of test executables only.
  class ScopedOverride {
   public:
    explicit ScopedOverride(T* instance) : previous_(override_) { override_ = instance; }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;
    ~ScopedOverride() { override_ = previous_; }

   private:
    T* const previous_;
  };

 private:
  static inline T* override_ = nullptr;
};

}  // namespace base

#endif  // BASE_PROCESS_WIDE_H_
