// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_log_collector.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "gtest/gtest.h"

namespace base::test {
namespace {

TEST(ScopedLogCollectorTest, CollectsOnlyItsSeverityWithoutThePrefix) {
  ScopedLogCollector collector(logging::LOG_WARNING);
  LOG(INFO) << "not this one";
  LOG(WARNING) << "this one";
  ASSERT_EQ(1u, collector.lines.size());
  EXPECT_EQ("this one", collector.lines[0]);
}

// Code under test logs on its own threads while the test collects: every
// line arrives whole, none is lost.
TEST(ScopedLogCollectorTest, CollectsEveryLineOfThreadsLoggingAtOnce) {
  constexpr int kThreads = 8;
  constexpr int kLinesEach = 250;
  ScopedLogCollector collector(logging::LOG_INFO);
  {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([t] {
        for (int i = 0; i < kLinesEach; ++i)
          LOG(INFO) << "thread " << t << " line " << i;
      });
    }
    for (std::thread& thread : threads)
      thread.join();
  }
  ASSERT_EQ(static_cast<size_t>(kThreads * kLinesEach), collector.lines.size());
  for (int t = 0; t < kThreads; ++t) {
    const std::string last = "thread " + base::NumberToString(t) + " line " +
                             base::NumberToString(kLinesEach - 1);
    EXPECT_NE(collector.lines.end(),
              std::find(collector.lines.begin(), collector.lines.end(), last))
        << last;
  }
}

}  // namespace
}  // namespace base::test
