// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_HANDLER_CRASH_REPORT_EXCEPTION_HANDLER_H_
#define CRASH_REPORTER_HANDLER_CRASH_REPORT_EXCEPTION_HANDLER_H_

#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "crash_reporter/crash_info_block.h"
#include "crash_reporter/handler/client_block_reader.h"

namespace base {
class CommandLine;
}

namespace velta {
class CrashCounter;
struct ClientDumpRequest;
}  // namespace velta

namespace crashpad {

// Removes `key` from `annotations`; its value goes to `value` when present.
void FilterSimpleAnnotations(Annotations* annotations, const std::string& key,
                             std::string* value);

// Takes the restart entries out of `annotations` and returns the arguments.
std::vector<std::string> GatherRestartArguments(Annotations* annotations);

// Adds "StartupTime", "CrashTime" and "CrashUptime" (64-bit seconds since
// 1970, so they last past 2038) and the memory figures that can be had,
// replacing entries of the same names.
void AddTimeAndMemoryAnnotations(void* process, int64_t start_seconds, int64_t crash_seconds,
                                 Annotations* annotations);

// The annotations as the dump's crash-info stream: key, 0, value, 0, ...
std::string SerializeAnnotations(const Annotations& annotations);

// The command line to start again after a crash, or nothing.
class RestartHandler {
 public:
  void Set(bool restart, std::wstring command_line);
  // Starts the command line when restart is on; a failure is not reported.
  void Restart() const;
  bool restart() const { return restart_; }
  const std::wstring& command_line() const { return command_line_; }

 private:
  bool restart_ = false;
  std::wstring command_line_;
};

// The crash handler's exception routine: counts the crash under the
// client's "crash_counter_name", writes the dump with the crash-info
// stream into the report folder, queues its upload, and fills the restart
// handler. Returns the exit code for the client (its exception code).
class CrashReportExceptionHandler {
 public:
  // `count_file` empty: no counter.
  CrashReportExceptionHandler(base::FilePath database, base::FilePath count_file, bool keep_logs);
  CrashReportExceptionHandler(const CrashReportExceptionHandler&) = delete;
  CrashReportExceptionHandler& operator=(const CrashReportExceptionHandler&) = delete;
  // Writes the pending counts.
  ~CrashReportExceptionHandler();

  uint32_t ExceptionHandlerServerException(const velta::ClientDumpRequest& request,
                                           RestartHandler* restart_handler);

 private:
  const base::FilePath database_;
  const bool keep_logs_;
  std::unique_ptr<velta::CrashCounter> counter_;
};

// The `type=crashpad-handler` role: serves its first client (and any other
// that connects) until that client has ended and all work is done. With
// "--help" it prints its usage to standard output and ends with 0.
uint32_t RunCrashpadHandlerRole(const base::CommandLine& command_line);

}  // namespace crashpad

#endif  // CRASH_REPORTER_HANDLER_CRASH_REPORT_EXCEPTION_HANDLER_H_
