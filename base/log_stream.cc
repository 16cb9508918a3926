// Copyright 2026 Velta Software. All rights reserved.

// The stream a log line is written to (wide texts go in as UTF-8) and the
// message's life around it. Portable, so the native builds' logging sink
// shares it with base's own; each defines LogMessage::Init and Flush.

#include <ostream>
#include <string>
#include <string_view>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace logging {

LogStream::LogStream() = default;
LogStream::~LogStream() = default;

LogStream& LogStream::operator<<(const std::wstring& value) {
  stream_ << base::WideToUTF8(value);
  return *this;
}

LogStream& LogStream::operator<<(std::wstring_view value) {
  stream_ << base::WideToUTF8(value);
  return *this;
}

LogStream& LogStream::operator<<(const wchar_t* value) {
  if (!value) {
    stream_ << "(null)";
    return *this;
  }
  return *this << std::wstring_view(value);
}

LogStream& LogStream::operator<<(std::ostream& (*manipulator)(std::ostream&)) {
  stream_ << manipulator;
  return *this;
}

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : severity_(severity), file_(file), line_(line) {
  Init(file, line);
}

LogMessage::LogMessage(const char* file, int line, const char* condition)
    : severity_(LOG_FATAL), file_(file), line_(line) {
  Init(file, line);
  stream_ << "Check failed: " << condition << ". ";
}

LogMessage::~LogMessage() {
  Flush();
}

}  // namespace logging
