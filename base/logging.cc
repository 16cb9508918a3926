// Copyright 2026 Velta Software. All rights reserved.

#include "base/logging.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>

#include "base/command_line.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"

namespace logging {
namespace {

const char* const kSeverityNames[LOG_NUM_SEVERITIES] = {"INFO", "WARNING", "ERROR", "FATAL"};

// Any thread may log while another changes the settings, so every setting is
// an atomic: a line sees each one either before or after a change. The
// handler is stored after whatever it uses is set up, and loaded before use.
std::atomic<int> g_min_log_level{LOG_INFO};
std::atomic<int> g_vlog_switch_level{-1};
std::atomic<uint32_t> g_logging_destination{LOG_DEFAULT};
std::atomic<LogMessageHandlerFunction> g_log_message_handler{nullptr};

// Guards g_log_file. Unlike the other locks of the base layer it is held
// across a system call: the one WriteFile of a line, so that InitLogging or
// CloseLogFile never closes the handle under a write (a later write could
// land in whatever the recycled handle value then names), and InitLogging's
// reopening, so that a line logged meanwhile waits and goes to the new file.
// Each line is one WriteFile on a handle opened for appending, so lines of
// threads and of processes that share a file do not tear.
constinit base::Lock g_log_file_lock;
HANDLE g_log_file = INVALID_HANDLE_VALUE;

void CloseLogFileLocked() {
  if (g_log_file != INVALID_HANDLE_VALUE) {
    CloseHandle(g_log_file);
    g_log_file = INVALID_HANDLE_VALUE;
  }
}

int ReadVlogSwitch() {
  if (!base::CommandLine::InitializedForCurrentProcess())
    return -1;
  const base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();
  if (!command_line->HasSwitch("v"))
    return -1;
  const std::string value = command_line->GetSwitchValueASCII("v");
  char* end = nullptr;
  const long level = strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || level < 0 || level > 99)
    return -1;
  return static_cast<int>(level);
}

}  // namespace

bool InitLogging(const LoggingSettings& settings) {
  g_vlog_switch_level.store(ReadVlogSwitch());
  base::AutoLock lock(g_log_file_lock);
  CloseLogFileLocked();
  g_logging_destination.store(settings.logging_dest);
  if (!(settings.logging_dest & LOG_TO_FILE))
    return true;
  if (!settings.log_file_path)
    return false;
  if (settings.delete_old == DELETE_OLD_LOG_FILE)
    DeleteFileW(settings.log_file_path);
  g_log_file = CreateFileW(settings.log_file_path, FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return g_log_file != INVALID_HANDLE_VALUE;
}

void CloseLogFile() {
  base::AutoLock lock(g_log_file_lock);
  CloseLogFileLocked();
  g_logging_destination.store(LOG_DEFAULT);
}

void SetMinLogLevel(int level) {
  g_min_log_level.store(std::min(LOG_FATAL, level));
}

int GetMinLogLevel() {
  return g_min_log_level.load();
}

int GetVlogVerbosity() {
  return std::max(g_vlog_switch_level.load(), LOG_INFO - GetMinLogLevel());
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
  return GetLastError();
}

std::string SystemErrorCodeToString(SystemErrorCode error_code) {
  // English (United States) whatever the user's language: the text goes to
  // logs and error records, which are read in English.
  constexpr DWORD kEnglishLanguageId = 1033;
  wchar_t buffer[256];
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length =
      FormatMessageW(flags, nullptr, error_code, kEnglishLanguageId, buffer, 256, nullptr);
  char text[64];
  if (length == 0) {
    const DWORD format_error = GetLastError();
    snprintf(text, sizeof(text), "Error (0x%lX) while retrieving error. (0x%lX)", format_error,
             error_code);
    return text;
  }
  // System texts end in "\r\n" and some span several lines.
  snprintf(text, sizeof(text), " (0x%lX)", error_code);
  return base::CollapseWhitespaceASCII(base::WideToUTF8(std::wstring_view(buffer, length)),
                                       /*trim_sequences_with_line_breaks=*/false) +
         text;
}

void LogMessage::Init(const char* file, int line) {
  last_error_ = ::GetLastError();
  SYSTEMTIME local_time;
  GetLocalTime(&local_time);
  char prefix[64];
  snprintf(prefix, sizeof(prefix), "[%lu:%lu:%02d%02d/%02d%02d%02d.%03d:",
           GetCurrentProcessId(), GetCurrentThreadId(), local_time.wMonth, local_time.wDay,
           local_time.wHour, local_time.wMinute, local_time.wSecond,
           local_time.wMilliseconds);
  stream_ << prefix;
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
  if (handler && handler(severity_, file_, line_, message_start_, line)) {
    if (severity_ == LOG_FATAL)
      __builtin_trap();
    ::SetLastError(last_error_);
    return;
  }

  const uint32_t destination = g_logging_destination.load();
  if (destination & LOG_TO_SYSTEM_DEBUG_LOG)
    OutputDebugStringA(line.c_str());
  if (destination & LOG_TO_STDERR) {
    fwrite(line.data(), 1, line.size(), stderr);
    fflush(stderr);
  }
  if (destination & LOG_TO_FILE) {
    base::AutoLock lock(g_log_file_lock);
    if (g_log_file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(g_log_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
  }

  if (severity_ == LOG_FATAL) {
    // Crash with an exception the crash handler can see, rather than exit.
    __builtin_trap();
  }
  ::SetLastError(last_error_);
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
