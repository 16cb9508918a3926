// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CLIENT_INFO_ITEMS_H_
#define CRASH_REPORTER_CLIENT_INFO_ITEMS_H_

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace base {
class FilePath;
class Time;
}  // namespace base

namespace velta {

class ParametersMap;
struct CrashKeyEntry;

// The crash keys of one crashed client, rebuilt from the entry array that the
// reporter read out of the client's memory (hostile input: any entry may be
// garbage). Invalid entries are skipped; chunk entries "<name>-<n>" are
// joined in number order into one item "<name>", unless a plain entry of that
// name came first.
class ClientInfoItems {
 public:
  ClientInfoItems(const CrashKeyEntry* entries, size_t count);
  ClientInfoItems(const ClientInfoItems&) = delete;
  ClientInfoItems& operator=(const ClientInfoItems&) = delete;
  ~ClientInfoItems();

  // The value of `name`; empty when absent.
  std::wstring Get(std::string_view name) const;
  // In name order.
  void ForEach(const std::function<void(const std::wstring&, const std::wstring&)>& function) const;

 private:
  std::map<std::wstring, std::wstring> items_;
};

// Adds a crashed client's parameters to `map`: its crash keys (without
// "crash_guid" and "ptime"), then times (its run time from "ptime"), memory
// figures and product values. The client's own keys come first and so win.
// `process` may be null; what needs it is then left out.
void CollectParametersForClient(void* process, const ClientInfoItems& items, ParametersMap* map);

// Adds a crashed crash reporter's parameters: "Email", ptype
// "crash_reporter", times, memory figures when asked, product values.
void CollectParametersForCrashReporter(uint32_t process_id, ParametersMap* map,
                                       bool with_memory);

// "StartupTime", "CrashTime" (64-bit seconds since 1970) and "InstallTime".
// `run_time_us` is the client's run time in microseconds, when known.
void AddTimeParameters(void* process, std::optional<int64_t> run_time_us, ParametersMap* map);
// The system's and the process's memory figures; each group only when its
// query succeeds.
void AddMemoryParameters(void* process, ParametersMap* map);
// "prod", "ver", "UBN", "BuildID", "ReleaseChannel", and "symbols-package"
// from the process's image when the map has none yet.
void AddProductParameters(void* process, ParametersMap* map);

// "ptime" (milliseconds, signed decimal) as microseconds, saturated to the
// 64-bit range; nothing for an empty or invalid text.
std::optional<int64_t> ParseRunTimeMicroseconds(const std::wstring& ptime);

// The image path of `process`, empty when unknown.
base::FilePath GetProcessImagePath(void* process);

// Asks for a process's image path as QueryFullProcessImageNameW does: true
// with the path and its length in `*size` when `*size` characters hold it
// with its terminating 0; else false with the reason in GetLastError()
// (ERROR_INSUFFICIENT_BUFFER when the buffer is too small).
using ProcessImagePathQuery = std::function<bool(wchar_t* buffer, unsigned long* size)>;

// GetProcessImagePath with `query` in place of the system's, growing the
// buffer for as long as the path does not fit (up to the 32,767 characters
// a path may have).
base::FilePath GetProcessImagePathWith(const ProcessImagePathQuery& query);

// Whole seconds since 1970-01-01 UTC, truncated toward zero (64-bit).
int64_t ToUnixSeconds(base::Time time);

// A process's virtual memory counters, in bytes.
struct ProcessVirtualMemory {
  uint64_t virtual_size = 0;
  uint64_t peak_virtual_size = 0;
};

// The virtual memory of `process` (NtQueryInformationProcess, virtual memory
// counters of the build's pointer size); nothing when `process` is null or
// the query fails.
std::optional<ProcessVirtualMemory> GetProcessVirtualMemory(void* process);

}  // namespace velta

#endif  // CRASH_REPORTER_CLIENT_INFO_ITEMS_H_
