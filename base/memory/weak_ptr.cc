// Copyright 2026 Velta Software. All rights reserved.

#include "base/memory/weak_ptr.h"

namespace base::internal {

WeakReference::Flag::Flag() {
  // Weak pointers may be handed out on any sequence; the first test or
  // invalidation binds the flag.
  sequence_checker_.DetachFromSequence();
}

WeakReference::Flag::~Flag() = default;

void WeakReference::Flag::Invalidate() {
  DCHECK(sequence_checker_.CalledOnValidSequence() || HasOneRef())
      << "weak pointers must be invalidated on the sequence they are used on";
  is_valid_ = false;
}

bool WeakReference::Flag::IsValid() const {
  DCHECK(sequence_checker_.CalledOnValidSequence())
      << "weak pointers must be tested on the sequence they were bound to";
  return is_valid_;
}

WeakReference::WeakReference() = default;
WeakReference::WeakReference(const scoped_refptr<Flag>& flag) : flag_(flag) {}
WeakReference::WeakReference(const WeakReference& other) = default;
WeakReference::WeakReference(WeakReference&& other) noexcept = default;
WeakReference& WeakReference::operator=(const WeakReference& other) = default;
WeakReference& WeakReference::operator=(WeakReference&& other) noexcept = default;
WeakReference::~WeakReference() = default;

bool WeakReference::IsValid() const {
  return flag_ && flag_->IsValid();
}

WeakReferenceOwner::WeakReferenceOwner() = default;

WeakReferenceOwner::~WeakReferenceOwner() {
  if (flag_)
    flag_->Invalidate();
}

WeakReference WeakReferenceOwner::GetRef() const {
  // A new flag after invalidation: pointers handed out from now on are valid.
  if (!flag_)
    flag_ = MakeRefCounted<WeakReference::Flag>();
  return WeakReference(flag_);
}

bool WeakReferenceOwner::HasRefs() const {
  return flag_ && !flag_->HasOneRef();
}

void WeakReferenceOwner::Invalidate() {
  if (flag_) {
    flag_->Invalidate();
    flag_ = nullptr;
  }
}

WeakPtrBase::WeakPtrBase() = default;
WeakPtrBase::~WeakPtrBase() = default;
WeakPtrBase::WeakPtrBase(const WeakReference& ref, void* ptr) : ref_(ref), ptr_(ptr) {}

}  // namespace base::internal
