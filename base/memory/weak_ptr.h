// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MEMORY_WEAK_PTR_H_
#define BASE_MEMORY_WEAK_PTR_H_

#include <stddef.h>

#include <type_traits>
#include <utility>

#include "base/logging.h"
#include "base/memory/ref_counted.h"
#include "base/sequence_checker.h"

// Weak pointers: pointers that become null when the object they point to
// goes away, for tasks and callbacks that may outlive their target:
//
//   class Controller {
//     void StartFetch() {
//       runner->PostTaskAndReply(FROM_HERE, BindOnce(&Fetch),
//           BindOnce(&Controller::OnFetched, weak_factory_.GetWeakPtr()));
//     }
//     base::WeakPtrFactory<Controller> weak_factory_{this};  // last field
//   };
//
// A bound callback whose WeakPtr receiver is invalid does nothing.
//
// Threading: weak pointers may be made and copied on any thread, but they
// must be dereferenced, tested and invalidated on one sequence: the sequence
// of the first dereference or invalidation (checked in debug builds). So a
// pointer handed to another thread is only passed back, never used there.

namespace base {

template <typename T>
class WeakPtr;

namespace internal {

// The shared validity flag of one factory's weak pointers.
class WeakReference {
 public:
  class Flag : public RefCountedThreadSafe<Flag> {
   public:
    Flag();
    void Invalidate();
    bool IsValid() const;

   private:
    friend class RefCountedThreadSafe<Flag>;
    ~Flag();

    SequenceChecker sequence_checker_;
    bool is_valid_ = true;
  };

  WeakReference();
  explicit WeakReference(const scoped_refptr<Flag>& flag);
  WeakReference(const WeakReference& other);
  WeakReference(WeakReference&& other) noexcept;
  WeakReference& operator=(const WeakReference& other);
  WeakReference& operator=(WeakReference&& other) noexcept;
  ~WeakReference();

  bool IsValid() const;

 private:
  scoped_refptr<const Flag> flag_;
};

// Owns the flag on behalf of a WeakPtrFactory.
class WeakReferenceOwner {
 public:
  WeakReferenceOwner();
  ~WeakReferenceOwner();

  WeakReference GetRef() const;
  bool HasRefs() const;
  void Invalidate();

 private:
  mutable scoped_refptr<WeakReference::Flag> flag_;
};

// The untyped part of WeakPtr<T>.
class WeakPtrBase {
 public:
  WeakPtrBase();
  ~WeakPtrBase();
  WeakPtrBase(const WeakPtrBase& other) = default;
  WeakPtrBase(WeakPtrBase&& other) noexcept = default;
  WeakPtrBase& operator=(const WeakPtrBase& other) = default;
  WeakPtrBase& operator=(WeakPtrBase&& other) noexcept = default;

 protected:
  WeakPtrBase(const WeakReference& ref, void* ptr);

  WeakReference ref_;
  void* ptr_ = nullptr;
};

}  // namespace internal

// A pointer that reads as null once its factory invalidated it or died.
template <typename T>
class WeakPtr : public internal::WeakPtrBase {
 public:
  WeakPtr() = default;
  WeakPtr(std::nullptr_t) {}  // NOLINT: implicit like nullptr

  // A WeakPtr<Derived> converts to WeakPtr<Base>.
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  WeakPtr(const WeakPtr<U>& other)  // NOLINT: implicit like raw pointers
      : WeakPtrBase(other) {
    // Converting through the static types keeps multiple inheritance right.
    ptr_ = static_cast<T*>(reinterpret_cast<U*>(other.ptr_));
  }

  T* get() const { return ref_.IsValid() ? reinterpret_cast<T*>(ptr_) : nullptr; }
  T& operator*() const {
    CHECK(ref_.IsValid());
    return *get();
  }
  T* operator->() const {
    CHECK(ref_.IsValid());
    return get();
  }
  explicit operator bool() const { return get() != nullptr; }

  void reset() {
    ref_ = internal::WeakReference();
    ptr_ = nullptr;
  }

 private:
  template <typename U>
  friend class WeakPtr;
  template <typename U>
  friend class WeakPtrFactory;

  WeakPtr(const internal::WeakReference& ref, T* ptr) : WeakPtrBase(ref, ptr) {}
};

template <class T>
bool operator==(const WeakPtr<T>& weak_ptr, std::nullptr_t) {
  return weak_ptr.get() == nullptr;
}

// Hands out weak pointers to one object. Make it the object's last field so
// that the pointers are invalidated before any other field dies. Used on the
// object's sequence (GetWeakPtr may be called on any).
template <class T>
class WeakPtrFactory {
 public:
  explicit WeakPtrFactory(T* ptr) : ptr_(ptr) {}
  WeakPtrFactory(const WeakPtrFactory&) = delete;
  WeakPtrFactory& operator=(const WeakPtrFactory&) = delete;
  ~WeakPtrFactory() = default;

  WeakPtr<T> GetWeakPtr() const { return WeakPtr<T>(owner_.GetRef(), ptr_); }
  // Nulls every weak pointer handed out so far; later ones are valid again.
  void InvalidateWeakPtrs() { owner_.Invalidate(); }
  bool HasWeakPtrs() const { return owner_.HasRefs(); }

 private:
  internal::WeakReferenceOwner owner_;
  T* const ptr_;
};

}  // namespace base

#endif  // BASE_MEMORY_WEAK_PTR_H_
