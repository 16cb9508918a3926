// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_OBSERVER_LIST_H_
#define BASE_OBSERVER_LIST_H_

#include <stddef.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "base/logging.h"
#include "base/sequence_checker.h"

namespace base {

// Whom a notification reaches when observers are added during it.
enum class ObserverListPolicy {
  // Observers added during a notification are notified too.
  ALL,
  // Only the observers present when the notification began.
  EXISTING_ONLY,
};

// A list of observers that stays safe while being notified:
//
//   for (auto& observer : observers_)
//     observer.OnStepFinished(step);
//
// An observer may remove itself or any other observer, or add observers,
// during the loop: a removed observer that was not reached yet is not
// notified; an added one is (unless the policy is EXISTING_ONLY). Observers
// are not owned and are held once each (adding twice is a bug, DCHECKed).
// With `check_empty`, the list DCHECKs at destruction that it is empty.
//
// Threading: one sequence (DCHECKed).
template <class ObserverType, bool check_empty = false>
class ObserverList {
 public:
  class Iter {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = ObserverType;
    using difference_type = ptrdiff_t;
    using pointer = ObserverType*;
    using reference = ObserverType&;

    Iter() = default;
    explicit Iter(const ObserverList* list)
        : list_(const_cast<ObserverList*>(list)),
          max_index_(list->policy_ == ObserverListPolicy::ALL ? static_cast<size_t>(-1)
                                                              : list->observers_.size()) {
      DCHECK_CALLED_ON_VALID_SEQUENCE(list_->sequence_checker_);
      ++list_->iteration_depth_;
      SkipRemoved();
    }
    Iter(const Iter& other)
        : list_(other.list_), index_(other.index_), max_index_(other.max_index_) {
      if (list_)
        ++list_->iteration_depth_;
    }
    Iter& operator=(Iter other) {
      std::swap(list_, other.list_);
      std::swap(index_, other.index_);
      std::swap(max_index_, other.max_index_);
      return *this;
    }
    ~Iter() {
      if (list_ && --list_->iteration_depth_ == 0)
        list_->Compact();
    }

    bool operator==(const Iter& other) const { return GetCurrent() == other.GetCurrent(); }
    Iter& operator++() {
      ++index_;
      SkipRemoved();
      return *this;
    }
    ObserverType& operator*() const { return *GetCurrent(); }
    ObserverType* operator->() const { return GetCurrent(); }

   private:
    ObserverType* GetCurrent() const {
      return list_ && index_ < End() ? list_->observers_[index_] : nullptr;
    }
    size_t End() const { return std::min(max_index_, list_->observers_.size()); }
    void SkipRemoved() {
      while (list_ && index_ < End() && !list_->observers_[index_])
        ++index_;
    }

    ObserverList* list_ = nullptr;
    size_t index_ = 0;
    size_t max_index_ = 0;
  };

  using iterator = Iter;
  using const_iterator = Iter;

  explicit ObserverList(ObserverListPolicy policy = ObserverListPolicy::ALL) : policy_(policy) {
    // Bound to the sequence of first use.
    DETACH_FROM_SEQUENCE(sequence_checker_);
  }
  ObserverList(const ObserverList&) = delete;
  ObserverList& operator=(const ObserverList&) = delete;
  ~ObserverList() {
    DCHECK_EQ(0, iteration_depth_) << "observer list destroyed while being notified";
    if (check_empty) {
      Compact();
      DCHECK(observers_.empty()) << "observers left in the list at its destruction";
    }
  }

  Iter begin() const { return Iter(this); }
  Iter end() const { return Iter(); }

  void AddObserver(ObserverType* observer) {
    DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
    DCHECK(observer);
    if (HasObserver(observer)) {
      NOTREACHED() << "observers can only be added once";
      return;
    }
    observers_.push_back(observer);
  }

  // Removing an observer that is not in the list does nothing.
  void RemoveObserver(const ObserverType* observer) {
    DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
    auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end())
      return;
    // During a notification the slot is cleared, not erased, so running
    // iterators keep their place.
    if (iteration_depth_)
      *it = nullptr;
    else
      observers_.erase(it);
  }

  bool HasObserver(const ObserverType* observer) const {
    DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
    return observer &&
           std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
  }

  void Clear() {
    DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
    if (iteration_depth_)
      std::fill(observers_.begin(), observers_.end(), nullptr);
    else
      observers_.clear();
  }

  bool might_have_observers() const { return !empty(); }
  bool empty() const {
    return std::all_of(observers_.begin(), observers_.end(),
                       [](const ObserverType* observer) { return observer == nullptr; });
  }

 private:
  void Compact() { std::erase(observers_, nullptr); }

  std::vector<ObserverType*> observers_;
  int iteration_depth_ = 0;
  const ObserverListPolicy policy_;
  SEQUENCE_CHECKER(sequence_checker_);
};

}  // namespace base

#endif  // BASE_OBSERVER_LIST_H_
