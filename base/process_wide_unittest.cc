// Copyright 2026 Velta Software. All rights reserved.

#include "base/process_wide.h"

#include "gtest/gtest.h"

namespace base {
namespace {

int g_real_made = 0;

class Service {
 public:
  virtual ~Service() = default;
};

class RealService : public Service {
 public:
  RealService() { ++g_real_made; }
};

Service* GetService() {
  return ProcessWide<Service>::GetOrCreate<RealService>();
}

TEST(ProcessWideTest, OverridesNestAndTheRealInstanceComesBack) {
  Service outer;
  Service inner;
  {
    ProcessWide<Service>::ScopedOverride override_outer(&outer);
    EXPECT_EQ(&outer, GetService());
    {
      ProcessWide<Service>::ScopedOverride override_inner(&inner);
      EXPECT_EQ(&inner, GetService());
    }
    EXPECT_EQ(&outer, GetService());
  }
  // An override in place before the first use keeps the real one unmade.
  EXPECT_EQ(0, g_real_made);
  Service* real = GetService();
  EXPECT_EQ(1, g_real_made);
  {
    ProcessWide<Service>::ScopedOverride override_outer(&outer);
    EXPECT_EQ(&outer, GetService());
  }
  EXPECT_EQ(real, GetService());
  EXPECT_EQ(1, g_real_made);
}

}  // namespace
}  // namespace base
