// Copyright 2026 Velta Software. All rights reserved.

#include "base/bind.h"

#include <memory>
#include <string>
#include <utility>

#include "base/callback.h"
#include "base/callback_helpers.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "gtest/gtest.h"

namespace base {
namespace {

int Add(int a, int b) {
  return a + b;
}

std::string Join(const std::string& a, std::string b, int c) {
  return a + b + std::to_string(c);
}

int TakeUnique(std::unique_ptr<int> value, int extra) {
  return value ? *value + extra : -1;
}

class Counter {
 public:
  void Increment(int by) { value_ += by; }
  int value() const { return value_; }
  WeakPtr<Counter> GetWeakPtr() { return weak_factory_.GetWeakPtr(); }
  void InvalidateWeakPtrs() { weak_factory_.InvalidateWeakPtrs(); }

 private:
  int value_ = 0;
  WeakPtrFactory<Counter> weak_factory_{this};
};

// Counts its live instances, so a test can see when the bound state dies.
class Tracked {
 public:
  explicit Tracked(int* live) : live_(live) { ++*live_; }
  Tracked(const Tracked& other) : live_(other.live_) { ++*live_; }
  ~Tracked() { --*live_; }

 private:
  int* live_;
};

class Shared : public RefCountedThreadSafe<Shared> {
 public:
  explicit Shared(bool* destroyed) : destroyed_(destroyed) {}
  void Touch() { ++touches_; }
  int touches() const { return touches_; }

 private:
  friend class RefCountedThreadSafe<Shared>;
  ~Shared() { *destroyed_ = true; }

  bool* destroyed_;
  int touches_ = 0;
};

TEST(BindTest, PartialApplicationOfFreeFunctions) {
  OnceCallback<int(int)> add_one = BindOnce(&Add, 1);
  EXPECT_EQ(3, std::move(add_one).Run(2));
  EXPECT_TRUE(add_one.is_null());  // a once callback is spent by Run

  RepeatingCallback<int(int, int)> unbound = BindRepeating(&Add);
  EXPECT_EQ(5, unbound.Run(2, 3));
  EXPECT_EQ(7, unbound.Run(3, 4));

  // Bound arguments are copied at bind time, later changes do not show.
  std::string prefix = "a";
  auto joined = BindRepeating(&Join, prefix, "b");
  prefix = "changed";
  EXPECT_EQ("ab1", joined.Run(1));
  EXPECT_EQ("ab2", joined.Run(2));
}

TEST(BindTest, MoveOnlyArgumentsBindAndPassThrough) {
  auto bound = BindOnce(&TakeUnique, std::make_unique<int>(40));
  EXPECT_EQ(42, std::move(bound).Run(2));

  OnceCallback<int(std::unique_ptr<int>, int)> unbound = BindOnce(&TakeUnique);
  EXPECT_EQ(8, std::move(unbound).Run(std::make_unique<int>(5), 3));

  auto lambda = BindOnce([](std::unique_ptr<std::string> text) { return *text + "!"; },
                         std::make_unique<std::string>("moved"));
  EXPECT_EQ("moved!", std::move(lambda).Run());
}

TEST(BindTest, BoundStateDiesWithTheLastCallback) {
  int live = 0;
  {
    RepeatingClosure first = BindRepeating([](const Tracked&) {}, Tracked(&live));
    EXPECT_EQ(1, live);
    RepeatingClosure copy = first;  // copies share the bound state
    EXPECT_EQ(1, live);
    first.Reset();
    EXPECT_EQ(1, live);
    copy.Run();
  }
  EXPECT_EQ(0, live);

  OnceClosure once = BindOnce([](Tracked) {}, Tracked(&live));
  EXPECT_EQ(1, live);
  std::move(once).Run();
  EXPECT_EQ(0, live);  // run and gone, not kept by the spent callback
}

TEST(BindTest, RepeatingConvertsToOnceAndStaysUsable) {
  Counter counter;
  RepeatingCallback<void(int)> repeating = BindRepeating(&Counter::Increment, Unretained(&counter));
  OnceCallback<void(int)> once = repeating;
  std::move(once).Run(2);
  repeating.Run(3);
  repeating.Run(4);
  EXPECT_EQ(9, counter.value());
}

TEST(BindTest, WeakReceiverInvalidatedMeansNoCall) {
  Counter counter;
  RepeatingClosure tick = BindRepeating(&Counter::Increment, counter.GetWeakPtr(), 1);
  EXPECT_FALSE(tick.IsCancelled());
  tick.Run();
  EXPECT_EQ(1, counter.value());

  counter.InvalidateWeakPtrs();
  EXPECT_TRUE(tick.IsCancelled());
  tick.Run();
  EXPECT_EQ(1, counter.value());

  // Pointers handed out after invalidation work again.
  BindOnce(&Counter::Increment, counter.GetWeakPtr(), 5).Run();
  EXPECT_EQ(6, counter.value());

  OnceClosure orphan;
  {
    Counter gone;
    orphan = BindOnce(&Counter::Increment, gone.GetWeakPtr(), 1);
  }
  std::move(orphan).Run();  // the receiver died: nothing happens, no crash
}

TEST(BindTest, RefCountedReceiverIsKeptAlive) {
  bool destroyed = false;
  OnceClosure touch;
  {
    scoped_refptr<Shared> shared = MakeRefCounted<Shared>(&destroyed);
    touch = BindOnce(&Shared::Touch, shared);
  }
  EXPECT_FALSE(destroyed);
  std::move(touch).Run();
  EXPECT_TRUE(destroyed);  // the last reference went with the run callback

  destroyed = false;
  scoped_refptr<Shared> shared = MakeRefCounted<Shared>(&destroyed);
  RepeatingCallback<int()> count = BindRepeating(
      [](Shared* raw) {
        raw->Touch();
        return raw->touches();
      },
      RetainedRef(shared));
  shared = nullptr;
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(1, count.Run());
  EXPECT_EQ(2, count.Run());
  count.Reset();
  EXPECT_TRUE(destroyed);
}

TEST(BindTest, OwnedPointerIsDeletedWithTheCallback) {
  int live = 0;
  OnceCallback<int()> callback =
      BindOnce([](Tracked* tracked) { return tracked ? 1 : 0; }, Owned(new Tracked(&live)));
  EXPECT_EQ(1, live);
  EXPECT_EQ(1, std::move(callback).Run());
  EXPECT_EQ(0, live);
}

TEST(BindTest, CallbacksBindAsFunctions) {
  RepeatingCallback<int(int, int)> add = BindRepeating(&Add);
  OnceCallback<int(int)> add_ten = BindOnce(add, 10);
  EXPECT_EQ(11, std::move(add_ten).Run(1));

  OnceCallback<int(int)> once = BindOnce(&Add, 100);
  OnceCallback<int()> nested = BindOnce(std::move(once), 1);
  EXPECT_EQ(101, std::move(nested).Run());
}

TEST(BindTest, HelpersMakeDoNothingAndNullCallbacks) {
  OnceClosure nothing = DoNothing();
  EXPECT_FALSE(nothing.is_null());
  std::move(nothing).Run();
  RepeatingCallback<void(int, const std::string&)> ignore = DoNothing();
  ignore.Run(1, "x");
  OnceCallback<int(int)> null = NullCallback();
  EXPECT_TRUE(null.is_null());
  EXPECT_TRUE(null.IsCancelled());

  int runs = 0;
  {
    ScopedClosureRunner runner(BindOnce([](int* runs) { ++*runs; }, &runs));
    EXPECT_EQ(0, runs);
  }
  EXPECT_EQ(1, runs);
  ScopedClosureRunner released(BindOnce([](int* runs) { ++*runs; }, &runs));
  OnceClosure taken = released.Release();
  EXPECT_EQ(1, runs);
}

}  // namespace
}  // namespace base
