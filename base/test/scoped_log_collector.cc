// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_log_collector.h"

namespace base::test {
namespace {

// The one collector in place; the handler is a plain function.
ScopedLogCollector* g_collector = nullptr;

}  // namespace

ScopedLogCollector::ScopedLogCollector(logging::LogSeverity severity)
    : severity_(severity), previous_(logging::GetLogMessageHandler()) {
  CHECK(!g_collector) << "one log collector at a time";
  g_collector = this;
  logging::SetLogMessageHandler(&Collect);
}

ScopedLogCollector::~ScopedLogCollector() {
  logging::SetLogMessageHandler(previous_);
  g_collector = nullptr;
}

// static
bool ScopedLogCollector::Collect(logging::LogSeverity severity,
                                 const char*,
                                 int,
                                 size_t message_start,
                                 const std::string& text) {
  ScopedLogCollector* collector = g_collector;
  if (collector && severity == collector->severity_) {
    std::string message = text.substr(message_start);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
      message.pop_back();
    collector->lines.push_back(message);
  }
  return false;
}

}  // namespace base::test
