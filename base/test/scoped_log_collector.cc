// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_log_collector.h"

#include <utility>

#include "base/synchronization/lock.h"

namespace base::test {
namespace {

// Guards the collector in place and its lines: threads of the code under
// test log while the test's thread makes or destroys the collector.
constinit base::Lock g_collector_lock;
// The one collector in place; the handler is a plain function.
ScopedLogCollector* g_collector = nullptr;

}  // namespace

ScopedLogCollector::ScopedLogCollector(logging::LogSeverity severity)
    : severity_(severity), previous_(logging::GetLogMessageHandler()) {
  {
    base::AutoLock lock(g_collector_lock);
    CHECK(!g_collector) << "one log collector at a time";
    g_collector = this;
  }
  logging::SetLogMessageHandler(&Collect);
}

ScopedLogCollector::~ScopedLogCollector() {
  logging::SetLogMessageHandler(previous_);
  // A line being collected on another thread is finished first.
  base::AutoLock lock(g_collector_lock);
  g_collector = nullptr;
}

// static
bool ScopedLogCollector::Collect(logging::LogSeverity severity,
                                 const char*,
                                 int,
                                 size_t message_start,
                                 const std::string& text) {
  std::string message = text.substr(message_start);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.pop_back();
  base::AutoLock lock(g_collector_lock);
  ScopedLogCollector* collector = g_collector;
  if (collector && severity == collector->severity_)
    collector->lines.push_back(std::move(message));
  return false;
}

}  // namespace base::test
