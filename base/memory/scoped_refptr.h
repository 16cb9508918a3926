// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MEMORY_SCOPED_REFPTR_H_
#define BASE_MEMORY_SCOPED_REFPTR_H_

#include <stddef.h>

#include <compare>
#include <utility>

// A smart pointer to an intrusively reference-counted object (one with
// AddRef() and Release(), usually through base::RefCounted or
// base::RefCountedThreadSafe). Copying takes a reference, destruction drops
// it; the object deletes itself when the last reference goes.
//
// Use it only for objects several threads hold at once (task runners, a
// buffer handed between threads); a single owner holds a std::unique_ptr.
template <typename T>
class scoped_refptr {
 public:
  using element_type = T;

  constexpr scoped_refptr() = default;
  constexpr scoped_refptr(std::nullptr_t) {}  // NOLINT: implicit like nullptr
  // Takes a new reference to `p`.
  scoped_refptr(T* p) : ptr_(p) {  // NOLINT: implicit as in the well-known API
    if (ptr_)
      ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr& r) : scoped_refptr(r.ptr_) {}
  template <typename U>
  scoped_refptr(const scoped_refptr<U>& r) : scoped_refptr(r.get()) {}
  scoped_refptr(scoped_refptr&& r) noexcept : ptr_(std::exchange(r.ptr_, nullptr)) {}
  template <typename U>
  scoped_refptr(scoped_refptr<U>&& r) noexcept : ptr_(r.release()) {}

  ~scoped_refptr() {
    if (ptr_)
      ptr_->Release();
  }

  scoped_refptr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }
  scoped_refptr& operator=(T* p) { return *this = scoped_refptr(p); }
  scoped_refptr& operator=(scoped_refptr r) noexcept {
    std::swap(ptr_, r.ptr_);
    return *this;
  }

  T* get() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  void reset() { scoped_refptr().swap(*this); }
  // Gives up the reference without dropping it: the caller now owns it.
  [[nodiscard]] T* release() { return std::exchange(ptr_, nullptr); }
  void swap(scoped_refptr& r) noexcept { std::swap(ptr_, r.ptr_); }

  template <typename U>
  bool operator==(const scoped_refptr<U>& rhs) const {
    return ptr_ == rhs.get();
  }
  template <typename U>
  bool operator==(const U* rhs) const {
    return ptr_ == rhs;
  }
  bool operator==(std::nullptr_t) const { return ptr_ == nullptr; }
  template <typename U>
  bool operator<(const scoped_refptr<U>& rhs) const {
    return ptr_ < rhs.get();
  }

 private:
  T* ptr_ = nullptr;
};

namespace base {

// Takes a reference to `t` (which may be null).
template <typename T>
scoped_refptr<T> WrapRefCounted(T* t) {
  return scoped_refptr<T>(t);
}

// Makes a new reference-counted T; the usual way to create one.
template <typename T, typename... Args>
scoped_refptr<T> MakeRefCounted(Args&&... args) {
  return scoped_refptr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace base

#endif  // BASE_MEMORY_SCOPED_REFPTR_H_
