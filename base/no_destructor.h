// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_NO_DESTRUCTOR_H_
#define BASE_NO_DESTRUCTOR_H_

#include <new>
#include <utility>

namespace base {

// A function-local static that is never destroyed, so no exit-time
// destructor runs while other threads may still use it:
//   static base::NoDestructor<std::string> s_name("installer");
// Construction is thread-safe through the language's static initialisation.
template <typename T>
class NoDestructor {
 public:
  template <typename... Args>
  explicit NoDestructor(Args&&... args) {
    new (storage_) T(std::forward<Args>(args)...);
  }
  NoDestructor(const NoDestructor&) = delete;
  NoDestructor& operator=(const NoDestructor&) = delete;
  ~NoDestructor() = default;

  T& operator*() { return *get(); }
  T* operator->() { return get(); }
  const T& operator*() const { return *get(); }
  const T* operator->() const { return get(); }
  T* get() { return std::launder(reinterpret_cast<T*>(storage_)); }
  const T* get() const { return std::launder(reinterpret_cast<const T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace base

#endif  // BASE_NO_DESTRUCTOR_H_
