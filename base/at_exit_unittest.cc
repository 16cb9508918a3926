// Copyright 2026 Velta Software. All rights reserved.

#include "base/at_exit.h"

#include <string>

#include "base/bind.h"
#include "gtest/gtest.h"

namespace base {
namespace {

void Append(void* param) {
  *static_cast<std::string*>(param) += "c";
}

TEST(AtExitTest, RunsCallbacksLastRegisteredFirst) {
  std::string order;
  {
    ShadowingAtExitManager manager;
    AtExitManager::RegisterTask(BindOnce([](std::string* s) { *s += "a"; }, &order));
    AtExitManager::RegisterTask(BindOnce([](std::string* s) { *s += "b"; }, &order));
    AtExitManager::RegisterCallback(&Append, &order);
    EXPECT_EQ("", order);
  }
  EXPECT_EQ("cba", order);
}

TEST(AtExitTest, ProcessCallbacksNowRunsEachOnceAndAcceptsNewOnes) {
  std::string order;
  ShadowingAtExitManager manager;
  AtExitManager::RegisterTask(BindOnce([](std::string* s) { *s += "1"; }, &order));
  // A callback that registers another while the callbacks run: the new one
  // runs in the same pass, before the older ones.
  AtExitManager::RegisterTask(BindOnce(
      [](std::string* s) {
        *s += "2";
        AtExitManager::RegisterTask(BindOnce([](std::string* s) { *s += "3"; }, s));
      },
      &order));
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ("231", order);
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ("231", order);
}

TEST(AtExitTest, ShadowingManagerHidesTheOuterOne) {
  std::string order;
  ShadowingAtExitManager outer;
  AtExitManager::RegisterTask(BindOnce([](std::string* s) { *s += "outer"; }, &order));
  {
    ShadowingAtExitManager inner;
    AtExitManager::RegisterTask(BindOnce([](std::string* s) { *s += "inner;"; }, &order));
  }
  EXPECT_EQ("inner;", order);
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ("inner;outer", order);
}

}  // namespace
}  // namespace base
