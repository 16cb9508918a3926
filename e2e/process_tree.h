// Copyright 2026 Velta Software. All rights reserved.

#ifndef E2E_PROCESS_TREE_H_
#define E2E_PROCESS_TREE_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/process/launch.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace velta::test {

// The exit code of a watched process that ended before the watch could
// hold it (see RunAndWatchProcessTree).
inline constexpr uint32_t kExitCodeUnknown = 0xFFFFFFFFu;

// A process seen by RunAndWatchProcessTree.
struct WatchedProcess {
  DWORD id = 0;
  // 0 when the process could not be held.
  DWORD parent = 0;
  // The executable's file name; empty when the process could not be held.
  std::wstring name;
  // Invalid when the process had gone before the watch could open it.
  base::win::ScopedHandle handle;
  bool ended = false;
  // kExitCodeUnknown while running, or when the process could not be held.
  uint32_t exit_code = kExitCodeUnknown;
};

// Starts `command_line` with the `environment` changes in a job object of
// its own and follows the job's notifications of every process it or its
// descendants start and end, until all of them have ended or `timeout` has
// passed; then terminates what still runs (ended false). The root comes
// first, the others in the order they started.
//
// A process is opened as soon as its start is reported. One that ends
// before that (a crash as soon as it starts) is still seen, with its end,
// but could lose its exit code: so every crash role of a test executable
// hands this process a handle of itself as it starts (the crash hook,
// through the variable kProcessWatcherVariable that this sets), which keeps
// it open to the watch. Wine's debugger, which Wine may start for a crash,
// is not listed.
std::vector<WatchedProcess> RunAndWatchProcessTree(const base::CommandLine& command_line,
                                                   const base::EnvironmentMap& environment,
                                                   base::TimeDelta timeout);

// Ends every process whose program lies below `folder`, whoever started it,
// and returns those programs' paths. A program a run left behind (one a
// killed run started, or one that never ended) would otherwise hold the
// test's output open until ctest's time-out.
std::vector<std::wstring> EndProgramsIn(const base::FilePath& folder);

// The watched processes that `parent` started, in the order seen.
std::vector<const WatchedProcess*> ChildrenOf(const std::vector<WatchedProcess>& watched,
                                              DWORD parent);

}  // namespace velta::test

#endif  // E2E_PROCESS_TREE_H_
