// Copyright 2026 Velta Software. All rights reserved.

#ifndef TESTING_E2E_PROCESS_TREE_H_
#define TESTING_E2E_PROCESS_TREE_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "base/process/process.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace velta::test {

// A process seen by WatchProcessTree.
struct WatchedProcess {
  DWORD id = 0;
  DWORD parent = 0;
  // The executable's file name.
  std::wstring name;
  base::win::ScopedHandle handle;
  bool ended = false;
  uint32_t exit_code = 0;
};

// Watches `root` and every process that it or its watched descendants
// start (polling the process list) until all of them have ended, or
// `timeout` has passed; then terminates what still runs (ended false). The
// root comes first. A process that starts and ends between two polls is
// missed; Wine's process start-up takes longer than a poll.
std::vector<WatchedProcess> WatchProcessTree(const base::Process& root, base::TimeDelta timeout);

// The watched processes that `parent` started, in the order seen.
std::vector<const WatchedProcess*> ChildrenOf(const std::vector<WatchedProcess>& watched,
                                              DWORD parent);

}  // namespace velta::test

#endif  // TESTING_E2E_PROCESS_TREE_H_
