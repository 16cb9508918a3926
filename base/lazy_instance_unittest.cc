// Copyright 2026 Velta Software. All rights reserved.

#include "base/lazy_instance.h"

#include <atomic>
#include <memory>
#include <vector>

#include "base/at_exit.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::atomic<int> g_constructions{0};
std::atomic<int> g_destructions{0};

class Slow {
 public:
  Slow() {
    ++g_constructions;
    // Widen the window in which other threads arrive during construction.
    for (int i = 0; i < 50; ++i)
      PlatformThread::YieldCurrentThread();
    ready_ = true;
  }
  ~Slow() { ++g_destructions; }
  bool ready() const { return ready_; }

 private:
  bool ready_ = false;
};

LazyInstance<Slow>::Leaky g_leaky = LAZY_INSTANCE_INITIALIZER;
LazyInstance<Slow>::DestructorAtExit g_at_exit = LAZY_INSTANCE_INITIALIZER;

// Waits for the start signal, then takes the instance.
class Getter : public PlatformThread::Delegate {
 public:
  explicit Getter(WaitableEvent* go) : go_(go) {}
  void ThreadMain() override {
    go_->Wait();
    instance_ = g_leaky.Pointer();
    saw_ready_ = instance_->ready();
  }
  Slow* instance_ = nullptr;
  bool saw_ready_ = false;

 private:
  WaitableEvent* go_;
};

TEST(LazyInstanceTest, MadeOnceAcrossThreadsAndFullyBuiltForAll) {
  g_leaky.ResetForTesting();
  g_constructions = 0;
  WaitableEvent go;
  std::vector<std::unique_ptr<Getter>> getters;
  std::vector<PlatformThreadHandle> handles(8);
  for (PlatformThreadHandle& handle : handles) {
    getters.push_back(std::make_unique<Getter>(&go));
    ASSERT_TRUE(PlatformThread::Create(0, getters.back().get(), &handle));
  }
  go.Signal();
  for (PlatformThreadHandle& handle : handles)
    PlatformThread::Join(handle);
  EXPECT_EQ(1, g_constructions);
  for (const auto& getter : getters) {
    EXPECT_EQ(g_leaky.Pointer(), getter->instance_);
    EXPECT_TRUE(getter->saw_ready_);
  }
  g_leaky.ResetForTesting();
  EXPECT_FALSE(g_leaky.IsCreated());
}

TEST(LazyInstanceTest, DestroyedByTheAtExitManagerUnlessLeaky) {
  g_destructions = 0;
  {
    ShadowingAtExitManager manager;
    EXPECT_FALSE(g_at_exit.IsCreated());
    g_at_exit.Get();
    g_leaky.Get();
    EXPECT_TRUE(g_at_exit.IsCreated());
  }
  EXPECT_EQ(1, g_destructions);
  EXPECT_FALSE(g_at_exit.IsCreated());
  EXPECT_TRUE(g_leaky.IsCreated());
  g_leaky.ResetForTesting();
  EXPECT_EQ(2, g_destructions);
}

}  // namespace
}  // namespace base
