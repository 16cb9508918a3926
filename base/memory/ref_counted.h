// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MEMORY_REF_COUNTED_H_
#define BASE_MEMORY_REF_COUNTED_H_

#include <atomic>

#include "base/logging.h"
#include "base/memory/scoped_refptr.h"

namespace base {

namespace subtle {

// The count of a base::RefCounted: plain, used on one sequence.
class RefCountedBase {
 public:
  RefCountedBase(const RefCountedBase&) = delete;
  RefCountedBase& operator=(const RefCountedBase&) = delete;

  bool HasOneRef() const { return ref_count_ == 1; }
  bool HasAtLeastOneRef() const { return ref_count_ >= 1; }

 protected:
  RefCountedBase() = default;
  ~RefCountedBase() { DCHECK_EQ(0, ref_count_) << "object deleted while referenced"; }

  void AddRef() const { ++ref_count_; }
  // True when the last reference went and the object must be deleted.
  bool Release() const {
    DCHECK_GT(ref_count_, 0);
    return --ref_count_ == 0;
  }

 private:
  mutable int ref_count_ = 0;
};

// The count of a base::RefCountedThreadSafe: atomic, used from any thread.
class RefCountedThreadSafeBase {
 public:
  RefCountedThreadSafeBase(const RefCountedThreadSafeBase&) = delete;
  RefCountedThreadSafeBase& operator=(const RefCountedThreadSafeBase&) = delete;

  bool HasOneRef() const { return ref_count_.load(std::memory_order_acquire) == 1; }
  bool HasAtLeastOneRef() const { return ref_count_.load(std::memory_order_acquire) >= 1; }

 protected:
  RefCountedThreadSafeBase() = default;
  ~RefCountedThreadSafeBase() = default;

  void AddRef() const { ref_count_.fetch_add(1, std::memory_order_relaxed); }
  // True when the last reference went and the object must be deleted.
  bool Release() const {
    const int before = ref_count_.fetch_sub(1, std::memory_order_acq_rel);
    DCHECK_GT(before, 0);
    return before == 1;
  }

 private:
  mutable std::atomic<int> ref_count_{0};
};

}  // namespace subtle

// Reference counting for a class used on one sequence:
//   class Buffer : public base::RefCounted<Buffer> { ... private:
//     friend class base::RefCounted<Buffer>; ~Buffer(); };
// Keep the destructor private or protected so only the count deletes.
template <class T>
class RefCounted : public subtle::RefCountedBase {
 public:
  RefCounted() = default;

  void AddRef() const { subtle::RefCountedBase::AddRef(); }
  void Release() const {
    if (subtle::RefCountedBase::Release())
      delete static_cast<const T*>(this);
  }

 protected:
  ~RefCounted() = default;
};

template <class T, typename Traits>
class RefCountedThreadSafe;

// How a RefCountedThreadSafe<T> is destroyed when its count reaches zero:
// plain delete. A class may name its own traits (for instance, to delete
// itself on a particular sequence).
template <typename T>
struct DefaultRefCountedThreadSafeTraits {
  static void Destruct(const T* x) {
    RefCountedThreadSafe<T, DefaultRefCountedThreadSafeTraits>::DeleteInternal(x);
  }
};

// Reference counting for a class that several threads hold at once. The last
// reference to go, on whatever thread, destroys the object through `Traits`.
template <class T, typename Traits = DefaultRefCountedThreadSafeTraits<T>>
class RefCountedThreadSafe : public subtle::RefCountedThreadSafeBase {
 public:
  RefCountedThreadSafe() = default;

  void AddRef() const { subtle::RefCountedThreadSafeBase::AddRef(); }
  void Release() const {
    if (subtle::RefCountedThreadSafeBase::Release())
      Traits::Destruct(static_cast<const T*>(this));
  }

 protected:
  ~RefCountedThreadSafe() = default;

 private:
  friend struct DefaultRefCountedThreadSafeTraits<T>;
  template <typename U>
  static void DeleteInternal(const U* x) {
    delete x;
  }
};

// A thread-safe reference-counted holder of a value, for handing a copyable
// or movable value between threads without choosing an owner thread.
template <typename T>
class RefCountedData : public RefCountedThreadSafe<RefCountedData<T>> {
 public:
  RefCountedData() : data() {}
  explicit RefCountedData(const T& in_value) : data(in_value) {}
  explicit RefCountedData(T&& in_value) : data(std::move(in_value)) {}

  T data;

 private:
  friend class RefCountedThreadSafe<RefCountedData<T>>;
  ~RefCountedData() = default;
};

}  // namespace base

#endif  // BASE_MEMORY_REF_COUNTED_H_
