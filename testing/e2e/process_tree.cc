// Copyright 2026 Velta Software. All rights reserved.

#include "testing/e2e/process_tree.h"

#include <tlhelp32.h>

#include <utility>

namespace velta::test {

std::vector<WatchedProcess> WatchProcessTree(const base::Process& root, base::TimeDelta timeout) {
  std::vector<WatchedProcess> watched(1);
  watched[0].id = static_cast<DWORD>(root.Pid());
  HANDLE duplicate = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), root.Handle(), ::GetCurrentProcess(), &duplicate, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
  watched[0].handle.Set(duplicate);
  const base::TimeTicks deadline = base::TimeTicks::Now() + timeout;
  while (base::TimeTicks::Now() < deadline) {
    bool all_ended = true;
    for (const WatchedProcess& process : watched)
      all_ended &= ::WaitForSingleObject(process.handle.Get(), 0) == WAIT_OBJECT_0;
    size_t found = 0;
    base::win::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
      bool known = false;
      bool child = false;
      for (const WatchedProcess& process : watched) {
        known |= process.id == entry.th32ProcessID;
        child |= process.id == entry.th32ParentProcessID;
      }
      if (known || !child)
        continue;
      WatchedProcess process;
      process.id = entry.th32ProcessID;
      process.parent = entry.th32ParentProcessID;
      process.name = entry.szExeFile;
      process.handle.Set(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                       entry.th32ProcessID));
      if (process.handle.IsValid()) {
        watched.push_back(std::move(process));
        ++found;
      }
    }
    if (all_ended && found == 0)
      break;
    ::Sleep(50);
  }
  for (WatchedProcess& process : watched) {
    DWORD exit_code = 0;
    process.ended = ::WaitForSingleObject(process.handle.Get(), 0) == WAIT_OBJECT_0 &&
                    ::GetExitCodeProcess(process.handle.Get(), &exit_code);
    process.exit_code = exit_code;
    if (!process.ended)
      ::TerminateProcess(process.handle.Get(), 0xDEAD);
  }
  return watched;
}

std::vector<const WatchedProcess*> ChildrenOf(const std::vector<WatchedProcess>& watched,
                                              DWORD parent) {
  std::vector<const WatchedProcess*> children;
  for (const WatchedProcess& process : watched) {
    if (process.parent == parent)
      children.push_back(&process);
  }
  return children;
}

}  // namespace velta::test
