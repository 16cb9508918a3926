// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_com_initializer.h"

#include <windows.h>
#include <wrl/client.h>

#include <thread>

#include "gtest/gtest.h"

namespace base::win {
namespace {

// Runs `body` on a new thread, so that apartments do not leak between tests.
template <typename Body>
void OnFreshThread(Body body) {
  std::thread thread(body);
  thread.join();
}

TEST(ScopedCOMInitializerTest, StaIsDefaultAndUninitialisesOnDestruction) {
  OnFreshThread([] {
    {
      ScopedCOMInitializer sta;
      ASSERT_TRUE(sta.Succeeded());
      EXPECT_EQ(S_OK, sta.hr());
      ScopedCOMInitializer nested;  // same apartment again
      EXPECT_EQ(S_FALSE, nested.hr());
      EXPECT_TRUE(nested.Succeeded());
      ScopedCOMInitializer mta(ScopedCOMInitializer::kMTA);
      EXPECT_EQ(RPC_E_CHANGED_MODE, mta.hr());
      EXPECT_FALSE(mta.Succeeded());
    }
    // Both successful initialisations were undone: the thread is free again.
    ScopedCOMInitializer mta(ScopedCOMInitializer::kMTA);
    EXPECT_EQ(S_OK, mta.hr());
  });
}

TEST(ScopedCOMInitializerTest, ComObjectsCanBeMadeInsideTheScope) {
  OnFreshThread([] {
    ScopedCOMInitializer com(ScopedCOMInitializer::kMTA);
    ASSERT_TRUE(com.Succeeded());
    Microsoft::WRL::ComPtr<IUnknown> object;
    // The standard global interface table exists on every Windows.
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr,
                                       CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)));
    EXPECT_TRUE(object);
  });
}

}  // namespace
}  // namespace base::win
