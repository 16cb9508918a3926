// Copyright 2026 Velta Software. All rights reserved.

#include "base/memory/weak_ptr.h"

#include <memory>

#include "base/memory/ref_counted.h"
#include "gtest/gtest.h"

namespace base {
namespace {

struct Base {
  virtual ~Base() = default;
  int base_value = 1;
};
struct Other {
  virtual ~Other() = default;
  int other_value = 2;
};
// Multiple inheritance: the Other part sits at an offset in Derived.
struct Derived : Base, Other {
  WeakPtrFactory<Derived> weak_factory{this};
};

TEST(WeakPtrTest, NullsWhenTheFactoryDies) {
  WeakPtr<Derived> weak;
  EXPECT_FALSE(weak);
  {
    Derived derived;
    weak = derived.weak_factory.GetWeakPtr();
    EXPECT_EQ(&derived, weak.get());
    EXPECT_TRUE(derived.weak_factory.HasWeakPtrs());
  }
  EXPECT_EQ(nullptr, weak.get());
  EXPECT_TRUE(weak == nullptr);
}

TEST(WeakPtrTest, InvalidateOnlyAffectsPointersHandedOutBefore) {
  Derived derived;
  WeakPtr<Derived> before = derived.weak_factory.GetWeakPtr();
  WeakPtr<Derived> copy = before;
  derived.weak_factory.InvalidateWeakPtrs();
  EXPECT_FALSE(before);
  EXPECT_FALSE(copy);
  EXPECT_FALSE(derived.weak_factory.HasWeakPtrs());
  WeakPtr<Derived> after = derived.weak_factory.GetWeakPtr();
  EXPECT_EQ(&derived, after.get());
  after.reset();
  EXPECT_FALSE(derived.weak_factory.HasWeakPtrs());
}

TEST(WeakPtrTest, ConvertsToBaseClassesAtTheRightAddress) {
  Derived derived;
  WeakPtr<Other> other = derived.weak_factory.GetWeakPtr();
  ASSERT_TRUE(other);
  EXPECT_EQ(static_cast<Other*>(&derived), other.get());
  EXPECT_EQ(2, other->other_value);
  WeakPtr<Base> base = derived.weak_factory.GetWeakPtr();
  EXPECT_EQ(1, base->base_value);
}

class Counted : public RefCounted<Counted> {
 public:
  explicit Counted(int* deletions) : deletions_(deletions) {}

 private:
  friend class RefCounted<Counted>;
  ~Counted() { ++*deletions_; }
  int* deletions_;
};

TEST(RefCountedTest, LastReferenceDeletesOnce) {
  int deletions = 0;
  scoped_refptr<Counted> first = MakeRefCounted<Counted>(&deletions);
  EXPECT_TRUE(first->HasOneRef());
  scoped_refptr<Counted> second = first;
  EXPECT_FALSE(first->HasOneRef());
  scoped_refptr<Counted> moved = std::move(first);
  EXPECT_FALSE(first);
  second = nullptr;
  EXPECT_EQ(0, deletions);
  EXPECT_TRUE(moved->HasOneRef());
  Counted* raw = moved.release();
  EXPECT_EQ(0, deletions);
  raw->Release();
  EXPECT_EQ(1, deletions);
}

}  // namespace
}  // namespace base
