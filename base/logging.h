// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_LOGGING_H_
#define BASE_LOGGING_H_

#include <stdint.h>

#include <sstream>
#include <string>
#include <string_view>

#include "base/dcheck_is_on.h"

// Logging in the well-known style:
//
//   LOG(INFO) << "Installer download folder: " << path;
//   VLOG(1) << "Using default message loop";
//   PLOG(ERROR) << "Error returned by CreateFile";   // appends the system error
//   CHECK(ptr) << "reason";  DCHECK_EQ(a, b);
//
// Wide strings may be streamed into any of them and are written as UTF-8.
//
// Every line reads
//   [pid:tid:MMDD/HHMMSS.mmm:SEVERITY:file(line)] message
// with SEVERITY one of INFO, WARNING, ERROR, FATAL or VERBOSEn, and `file` the
// source file's path in the repository. Before InitLogging lines go to
// standard error and the system debug log. LOG(FATAL) and failed CHECKs write
// their line and then crash the process on purpose.
//
// Verbose lines appear when their level is at most the verbosity: the value
// of the `v` switch of the process command line when logging is initialised,
// or what SetMinLogLevel(-n) asks for.

namespace logging {

using LogSeverity = int;
constexpr LogSeverity LOG_VERBOSE = -1;
constexpr LogSeverity LOG_INFO = 0;
constexpr LogSeverity LOG_WARNING = 1;
constexpr LogSeverity LOG_ERROR = 2;
constexpr LogSeverity LOG_FATAL = 3;
constexpr LogSeverity LOG_NUM_SEVERITIES = 4;
// <windows.h> (wingdi.h) defines ERROR as 0, so LOG(ERROR) may reach us as
// LOG(0).
constexpr LogSeverity LOG_0 = LOG_ERROR;

#if DCHECK_IS_ON()
constexpr LogSeverity LOG_DFATAL = LOG_FATAL;
#else
constexpr LogSeverity LOG_DFATAL = LOG_ERROR;
#endif

enum LoggingDestination : uint32_t {
  LOG_NONE = 0,
  LOG_TO_FILE = 1 << 0,
  LOG_TO_SYSTEM_DEBUG_LOG = 1 << 1,
  LOG_TO_STDERR = 1 << 2,
  LOG_DEFAULT = LOG_TO_SYSTEM_DEBUG_LOG | LOG_TO_STDERR,
};

enum LogLockingState { LOCK_LOG_FILE, DONT_LOCK_LOG_FILE };
enum OldFileDeletionState { DELETE_OLD_LOG_FILE, APPEND_TO_OLD_LOG_FILE };

struct LoggingSettings {
  uint32_t logging_dest = LOG_DEFAULT;
  // Required with LOG_TO_FILE. Relative paths are relative to the current
  // directory.
  const wchar_t* log_file_path = nullptr;
  LogLockingState lock_log = LOCK_LOG_FILE;
  OldFileDeletionState delete_old = APPEND_TO_OLD_LOG_FILE;
};

// The settings below may be read and changed on any thread, also while others
// log: a line follows each setting as it was either before or after a change.

// Sets where lines go and reads the verbosity from the `v` switch. Returns
// false when the log file cannot be opened (lines then go nowhere but to the
// other destinations). May be called again to switch files; lines logged
// meanwhile wait and go to the new file.
bool InitLogging(const LoggingSettings& settings);

// Closes the log file; later lines go to the default destinations.
void CloseLogFile();

// Lines below `level` are dropped. Negative values enable verbose levels:
// SetMinLogLevel(-2) shows VLOG(1) and VLOG(2).
void SetMinLogLevel(int level);
int GetMinLogLevel();

// The highest verbose level shown.
int GetVlogVerbosity();
bool ShouldCreateLogMessage(LogSeverity severity);

// Receives every line before it is written, on the logging thread; returning
// true swallows it. `message_start` is the offset of the text after the
// prefix. A line under way when the handler is replaced may still reach the
// old one.
using LogMessageHandlerFunction = bool (*)(LogSeverity severity,
                                           const char* file,
                                           int line,
                                           size_t message_start,
                                           const std::string& str);
void SetLogMessageHandler(LogMessageHandlerFunction handler);
LogMessageHandlerFunction GetLogMessageHandler();

// System error codes (GetLastError values) and their English text.
using SystemErrorCode = unsigned long;
SystemErrorCode GetLastSystemErrorCode();
// The system's English text of `error_code` on one line, white space
// collapsed, then " (0x<code in hex>)": "Access is denied. (0x5)". When the
// system has no text: "Error (0x<FormatMessage's error>) while retrieving
// error. (0x<code>)". Never empty.
std::string SystemErrorCodeToString(SystemErrorCode error_code);

// What the logging macros stream into: anything std::ostream takes, and wide
// strings (std::wstring, std::wstring_view, null-terminated wchar_t text)
// written as UTF-8. The wide operators are members so that every caller finds
// them: a free operator<< would be hidden by any operator<< of the caller's
// namespace, and argument-dependent lookup only searches std for a wide
// string, where nothing of ours may be declared. A plain std::ostream has no
// wide operators: code writing to one converts with base::WideToUTF8.
class LogStream {
 public:
  LogStream();
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;
  ~LogStream();

  template <typename T>
  LogStream& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }
  LogStream& operator<<(const std::wstring& value);
  LogStream& operator<<(std::wstring_view value);
  // Null writes "(null)".
  LogStream& operator<<(const wchar_t* value);
  // std::endl, std::flush and the other function templates.
  LogStream& operator<<(std::ostream& (*manipulator)(std::ostream&));

  std::ostream& ostream() { return stream_; }
  std::string str() const { return stream_.str(); }

 private:
  std::ostringstream stream_;
};

class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  // For CHECK: the line starts with "Check failed: <condition>. ".
  LogMessage(const char* file, int line, const char* condition);
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  virtual ~LogMessage();

  LogStream& stream() { return stream_; }
  LogSeverity severity() const { return severity_; }

 protected:
  // Writes the line; crashes for LOG_FATAL.
  void Flush();

 private:
  void Init(const char* file, int line);

  const LogSeverity severity_;
  LogStream stream_;
  size_t message_start_ = 0;
  const char* const file_;
  const int line_;
  // The caller's last system error, put back after the line is written so
  // that logging a failure never changes what GetLastError() tells.
  SystemErrorCode last_error_ = 0;
  bool flushed_ = false;
};

// PLOG: appends ": " and the text of the system error saved at construction.
class Win32ErrorLogMessage : public LogMessage {
 public:
  Win32ErrorLogMessage(const char* file, int line, LogSeverity severity, SystemErrorCode err);
  ~Win32ErrorLogMessage() override;

 private:
  const SystemErrorCode err_;
};

// Lets the ternary in LAZY_STREAM have type void on both sides.
class LogMessageVoidify {
 public:
  void operator&(LogStream&) {}
};

// Builds the "Check failed: a == b (1 vs. 2)" text for CHECK_EQ and friends.
template <typename A, typename B>
std::string* MakeCheckOpString(const A& a, const B& b, const char* names) {
  LogStream ss;
  ss << names << " (" << a << " vs. " << b << ")";
  return new std::string(ss.str());
}

}  // namespace logging

#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::logging::LogMessageVoidify() & (stream)

#define LOG_IS_ON(severity) (::logging::ShouldCreateLogMessage(::logging::LOG_##severity))
#define VLOG_IS_ON(verbose_level) ((verbose_level) <= ::logging::GetVlogVerbosity())

#define LOG_STREAM(severity) \
  ::logging::LogMessage(__FILE__, __LINE__, ::logging::LOG_##severity).stream()
#define VLOG_STREAM(verbose_level) \
  ::logging::LogMessage(__FILE__, __LINE__, -(verbose_level)).stream()
#define PLOG_STREAM(severity)                                                 \
  ::logging::Win32ErrorLogMessage(__FILE__, __LINE__, ::logging::LOG_##severity, \
                                  ::logging::GetLastSystemErrorCode())        \
      .stream()

#define LOG(severity) LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity) && (condition))
#define VLOG(verbose_level) LAZY_STREAM(VLOG_STREAM(verbose_level), VLOG_IS_ON(verbose_level))
#define VLOG_IF(verbose_level, condition) \
  LAZY_STREAM(VLOG_STREAM(verbose_level), VLOG_IS_ON(verbose_level) && (condition))
#define PLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity))
#define PLOG_IF(severity, condition) \
  LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#define CHECK(condition)                                                        \
  LAZY_STREAM(::logging::LogMessage(__FILE__, __LINE__, #condition).stream(), \
              !(condition))
#define PCHECK(condition)                                                     \
  LAZY_STREAM(PLOG_STREAM(FATAL), !(condition)) << "Check failed: " #condition ". "

#define CHECK_OP(name, op, val1, val2)                                             \
  if (std::string* _check_result = ((val1)op(val2))                                \
                                       ? nullptr                                   \
                                       : ::logging::MakeCheckOpString(             \
                                             (val1), (val2), #val1 " " #op " " #val2)) \
  ::logging::LogMessage(__FILE__, __LINE__, _check_result->c_str()).stream()

#define CHECK_EQ(val1, val2) CHECK_OP(EQ, ==, val1, val2)
#define CHECK_NE(val1, val2) CHECK_OP(NE, !=, val1, val2)
#define CHECK_LE(val1, val2) CHECK_OP(LE, <=, val1, val2)
#define CHECK_LT(val1, val2) CHECK_OP(LT, <, val1, val2)
#define CHECK_GE(val1, val2) CHECK_OP(GE, >=, val1, val2)
#define CHECK_GT(val1, val2) CHECK_OP(GT, >, val1, val2)

#if DCHECK_IS_ON()
#define DLOG(severity) LOG(severity)
#define DLOG_IF(severity, condition) LOG_IF(severity, condition)
#define DVLOG(verbose_level) VLOG(verbose_level)
#define DPLOG(severity) PLOG(severity)
#define DCHECK(condition) CHECK(condition)
#define DPCHECK(condition) PCHECK(condition)
#define DCHECK_EQ(val1, val2) CHECK_EQ(val1, val2)
#define DCHECK_NE(val1, val2) CHECK_NE(val1, val2)
#define DCHECK_LE(val1, val2) CHECK_LE(val1, val2)
#define DCHECK_LT(val1, val2) CHECK_LT(val1, val2)
#define DCHECK_GE(val1, val2) CHECK_GE(val1, val2)
#define DCHECK_GT(val1, val2) CHECK_GT(val1, val2)
#else
// Compiled, never evaluated: keeps the arguments type-checked.
#define DLOG(severity) LAZY_STREAM(LOG_STREAM(severity), false)
#define DLOG_IF(severity, condition) LAZY_STREAM(LOG_STREAM(severity), false && (condition))
#define DVLOG(verbose_level) LAZY_STREAM(VLOG_STREAM(verbose_level), false)
#define DPLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), false)
#define DCHECK(condition) LAZY_STREAM(LOG_STREAM(FATAL), false && !(condition))
#define DPCHECK(condition) DCHECK(condition)
#define DCHECK_EQ(val1, val2) DCHECK((val1) == (val2))
#define DCHECK_NE(val1, val2) DCHECK((val1) != (val2))
#define DCHECK_LE(val1, val2) DCHECK((val1) <= (val2))
#define DCHECK_LT(val1, val2) DCHECK((val1) < (val2))
#define DCHECK_GE(val1, val2) DCHECK((val1) >= (val2))
#define DCHECK_GT(val1, val2) DCHECK((val1) > (val2))
#endif

#define NOTREACHED() DCHECK(false) << "NOTREACHED hit. "
#define NOTIMPLEMENTED() LOG(ERROR) << "Not implemented reached in " << __func__

#endif  // BASE_LOGGING_H_
