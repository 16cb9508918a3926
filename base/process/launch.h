// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PROCESS_LAUNCH_H_
#define BASE_PROCESS_LAUNCH_H_

#include <stddef.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/process/process.h"
#include "base/time/time.h"

namespace base {

class CommandLine;

using HandlesToInheritVector = std::vector<void*>;
// Variable name to value; an empty value removes the variable.
using EnvironmentMap = std::map<std::wstring, std::wstring>;

// How a child process is started.
struct LaunchOptions {
  // Which of this process's inheritable handles the child gets.
  enum class Inherit {
    // Only `handles_to_inherit` and the standard handles below (none when both
    // are empty), passed as an explicit list, so that no other inheritable
    // handle (another thread's pipe, say) leaks into the child.
    kSpecific,
    // Every inheritable handle of this process. Callers serialise launches
    // with whoever holds inheritable handles meant for one child.
    kAll,
  };

  LaunchOptions();
  LaunchOptions(const LaunchOptions&);
  LaunchOptions& operator=(const LaunchOptions&);
  ~LaunchOptions();

  // Wait until the child has exited before returning (the returned Process
  // is still valid and holds the exit code).
  bool wait = false;
  // SW_HIDE for the child's first window.
  bool start_hidden = false;
  // A console program gets a console of its own that no one sees
  // (CREATE_NO_WINDOW) and, unless the standard handles below are given,
  // reads and writes that console: nothing it prints reaches this process's
  // console or output.
  bool console_without_window = false;

  Inherit inherit_mode = Inherit::kSpecific;
  // With kSpecific: handles to pass on. Each must be inheritable
  // (SetHandleInformation HANDLE_FLAG_INHERIT); a non-inheritable one makes
  // the launch fail.
  HandlesToInheritVector handles_to_inherit;

  // Standard handles of the child; all null: the child gets this process's
  // own. Any of them set: those set are passed (with kSpecific they join the
  // list automatically; they must be inheritable), the others are null.
  void* stdin_handle = nullptr;
  void* stdout_handle = nullptr;
  void* stderr_handle = nullptr;

  // The child's working folder; empty: this process's.
  FilePath current_directory;

  // Changes to this process's environment for the child.
  EnvironmentMap environment;

  // Start through ShellExecuteExW with the "runas" verb (asks for elevation
  // where UAC is on). Only `wait`, `start_hidden` and `current_directory`
  // apply; no handles are passed.
  bool elevated = false;
};

// The longest command line Windows starts a program with, in characters,
// its terminating 0 included (CreateProcessW's limit).
inline constexpr size_t kMaxCommandLineLength = 32767;

// Whether `cmdline` fits kMaxCommandLineLength with its terminating 0. A
// longer one is refused by Windows, and cut by Wine, whose child would run
// with part of its switches; when it does not fit, the reason is logged
// naming its program and ERROR_FILENAME_EXCED_RANGE is left in
// GetLastError().
bool CommandLineFitsLaunch(const std::wstring& cmdline);

// Starts the program of `cmdline` with its arguments. Returns an invalid
// Process on failure, with the reason logged and the system error left in
// GetLastError(); a command line longer than kMaxCommandLineLength allows
// is never started. Blocks only with `options.wait`.
Process LaunchProcess(const CommandLine& cmdline, const LaunchOptions& options);
// As above with a complete command line ("program" args...); the program is
// found as CreateProcessW finds it (no search for a program given by name
// only beyond CreateProcessW's own).
Process LaunchProcess(const std::wstring& cmdline, const LaunchOptions& options);

// Starts `cmdline` through ShellExecuteExW "runas". See LaunchOptions::elevated.
Process LaunchElevatedProcess(const CommandLine& cmdline, const LaunchOptions& options);

// Runs `cmdline` with its standard output going into `output` (read to the
// end while the child runs, so any amount of output is fine) and waits for it
// to exit. Its standard input is the NUL device, its standard error this
// process's; it inherits no other handle. No time-out: a child that never
// exits blocks the caller.
//
// True when the child ran and exited with 0. `output` holds whatever was
// read, also on failure.
bool GetAppOutput(const CommandLine& cmdline, std::string* output);
// As GetAppOutput, but true whenever the child ran to its end, whatever its
// exit code, which goes into `exit_code`.
bool GetAppOutputWithExitCode(const CommandLine& cmdline, std::string* output, int* exit_code);

// How far a child whose output is captured may go.
struct AppOutputLimits {
  // How long it may run.
  TimeDelta timeout = TimeDelta::Max();
  // How many bytes it may write to its standard output.
  size_t max_output = std::numeric_limits<size_t>::max();
};

// As GetAppOutput, for a program that is not trusted to end or to keep its
// output short: a child that runs past `limits.timeout` or writes more than
// `limits.max_output` bytes is ended, and the call fails (logged). The
// output is read as it comes (the pipe is looked at every few
// milliseconds), and once the child has ended a program it started that
// still holds the pipe open is not waited for. `output` holds what was read,
// also on failure.
bool GetAppOutputWithinLimits(const CommandLine& cmdline,
                              const AppOutputLimits& limits,
                              std::string* output);

}  // namespace base

#endif  // BASE_PROCESS_LAUNCH_H_
