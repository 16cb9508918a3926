// Copyright 2026 Velta Software. All rights reserved.

// base's logging for the native Linux builds of the portable cores and their
// fuzzers: every line goes to stderr, and LOG(FATAL) and a failed CHECK trap,
// which libFuzzer and the sanitizers report as a crash with its stack.

#include "base/logging.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>

#include "base/strings/utf_string_conversions.h"

namespace logging {
namespace {

constexpr const char* kSeverityNames[] = {"INFO", "WARNING", "ERROR", "FATAL"};

// Fuzzers log a refusal for most inputs they try; only errors are shown.
std::atomic<int> g_min_log_level{LOG_ERROR};
std::atomic<LogMessageHandlerFunction> g_log_message_handler{nullptr};

}  // namespace

bool InitLogging(const LoggingSettings&) {
  return true;
}

void CloseLogFile() {}

void SetMinLogLevel(int level) {
  g_min_log_level.store(std::min(LOG_FATAL, level));
}

int GetMinLogLevel() {
  return g_min_log_level.load();
}

int GetVlogVerbosity() {
  return LOG_INFO - GetMinLogLevel();
}

bool ShouldCreateLogMessage(LogSeverity severity) {
  return severity >= GetMinLogLevel() || severity == LOG_FATAL;
}

void SetLogMessageHandler(LogMessageHandlerFunction handler) {
  g_log_message_handler.store(handler);
}

LogMessageHandlerFunction GetLogMessageHandler() {
  return g_log_message_handler.load();
}

SystemErrorCode GetLastSystemErrorCode() {
  return static_cast<SystemErrorCode>(errno);
}

std::string SystemErrorCodeToString(SystemErrorCode error_code) {
  return std::string(strerror(static_cast<int>(error_code))) + " (" +
         std::to_string(error_code) + ")";
}

void LogMessage::Init(const char* file, int line) {
  last_error_ = GetLastSystemErrorCode();
  stream_ << "[";
  if (severity_ >= 0)
    stream_ << kSeverityNames[std::min(severity_, LOG_FATAL)];
  else
    stream_ << "VERBOSE" << -severity_;
  stream_ << ":" << file << "(" << line << ")] ";
  message_start_ = static_cast<size_t>(stream_.ostream().tellp());
}

void LogMessage::Flush() {
  if (flushed_)
    return;
  flushed_ = true;
  stream_ << "\n";
  const std::string line = stream_.str();
  const LogMessageHandlerFunction handler = GetLogMessageHandler();
  if (!handler || !handler(severity_, file_, line_, message_start_, line)) {
    fwrite(line.data(), 1, line.size(), stderr);
    fflush(stderr);
  }
  if (severity_ == LOG_FATAL)
    __builtin_trap();
  errno = static_cast<int>(last_error_);
}

Win32ErrorLogMessage::Win32ErrorLogMessage(const char* file,
                                           int line,
                                           LogSeverity severity,
                                           SystemErrorCode err)
    : LogMessage(file, line, severity), err_(err) {}

Win32ErrorLogMessage::~Win32ErrorLogMessage() {
  stream() << ": " << SystemErrorCodeToString(err_);
  Flush();
}

}  // namespace logging
