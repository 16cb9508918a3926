// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_LOG_COLLECTOR_H_
#define BASE_TEST_SCOPED_LOG_COLLECTOR_H_

#include <string>
#include <vector>

#include "base/logging.h"

namespace base::test {

// Collects the text (without the line's prefix and end of line) of every line
// of one severity logged while it lives; the lines are still logged as usual.
// One at a time per process, made and destroyed on the test's main thread;
// puts back the handler that was in place before. Lines logged on other
// threads are collected too, one at a time; read `lines` once the code under
// test has stopped logging.
class ScopedLogCollector {
 public:
  explicit ScopedLogCollector(logging::LogSeverity severity);
  ScopedLogCollector(const ScopedLogCollector&) = delete;
  ScopedLogCollector& operator=(const ScopedLogCollector&) = delete;
  ~ScopedLogCollector();

  // In the order they were logged; tests may clear it.
  std::vector<std::string> lines;

 private:
  static bool Collect(logging::LogSeverity severity,
                      const char* file,
                      int line,
                      size_t message_start,
                      const std::string& text);

  const logging::LogSeverity severity_;
  const logging::LogMessageHandlerFunction previous_;
};

}  // namespace base::test

#endif  // BASE_TEST_SCOPED_LOG_COLLECTOR_H_
