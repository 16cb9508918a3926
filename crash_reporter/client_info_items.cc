// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/client_info_items.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_key_table.h"
#include "crash_reporter/crash_keys.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/parameters_map.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

bool IsNameUnit(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
         (unit >= u'0' && unit <= u'9') || unit == u'.' || unit == u'-' || unit == u'_';
}

// The entry's name, or nothing when the entry is not valid.
std::optional<std::wstring> ValidName(const CrashKeyEntry& entry) {
  std::wstring name;
  size_t length = 0;
  while (length < CrashKeyEntry::kUnits && entry.name[length] != 0)
    ++length;
  if (length == 0 || length >= CrashKeyEntry::kUnits ||
      std::u16string_view(entry.name, length) == kUnspecifiedCrashKeyName)
    return std::nullopt;
  for (size_t i = 0; i < length; ++i) {
    if (!IsNameUnit(entry.name[i]))
      return std::nullopt;
    name.push_back(static_cast<wchar_t>(entry.name[i]));
  }
  return name;
}

std::optional<std::wstring> ValidValue(const CrashKeyEntry& entry) {
  size_t length = 0;
  while (length < CrashKeyEntry::kUnits && entry.value[length] != 0)
    ++length;
  if (length >= CrashKeyEntry::kUnits)
    return std::nullopt;
  return std::wstring(entry.value, entry.value + length);
}

int64_t SaturatedMultiply(int64_t value, int64_t factor) {
  if (value > std::numeric_limits<int64_t>::max() / factor)
    return std::numeric_limits<int64_t>::max();
  if (value < std::numeric_limits<int64_t>::min() / factor)
    return std::numeric_limits<int64_t>::min();
  return value * factor;
}

// The virtual memory counters of NtQueryInformationProcess's class 3, with
// the build's pointer size (88 bytes on x64, 44 on x86).
struct VirtualMemoryCounters {
  SIZE_T PeakVirtualSize;
  SIZE_T VirtualSize;
  ULONG PageFaultCount;
  SIZE_T PeakWorkingSetSize;
  SIZE_T WorkingSetSize;
  SIZE_T QuotaPeakPagedPoolUsage;
  SIZE_T QuotaPagedPoolUsage;
  SIZE_T QuotaPeakNonPagedPoolUsage;
  SIZE_T QuotaNonPagedPoolUsage;
  SIZE_T PagefileUsage;
  SIZE_T PeakPagefileUsage;
};
constexpr ULONG kProcessVmCounters = 3;

}  // namespace

ClientInfoItems::ClientInfoItems(const CrashKeyEntry* entries, size_t count) {
  std::map<std::wstring, std::map<uint64_t, std::wstring>> chunks;
  for (size_t i = 0; i < count; ++i) {
    const std::optional<std::wstring> name = ValidName(entries[i]);
    const std::optional<std::wstring> value = ValidValue(entries[i]);
    if (!name || !value)
      continue;
    const size_t dash = name->rfind(L'-');
    uint64_t number = 0;
    if (dash != std::wstring::npos && dash + 1 < name->size() &&
        name->find_first_not_of(L"0123456789", dash + 1) == std::wstring::npos &&
        base::StringToUint64(std::wstring_view(*name).substr(dash + 1), &number)) {
      const std::wstring base_name = name->substr(0, dash);
      if (items_.count(base_name))
        continue;
      chunks[base_name].emplace(number, *value);
      continue;
    }
    if (!items_.count(*name) && !chunks.count(*name))
      items_.emplace(*name, *value);
  }
  for (const auto& [base_name, pieces] : chunks) {
    std::wstring joined;
    for (const auto& [number, piece] : pieces)
      joined += piece;
    items_.emplace(base_name, joined);
  }
}

ClientInfoItems::~ClientInfoItems() = default;

std::wstring ClientInfoItems::Get(std::string_view name) const {
  const auto found = items_.find(base::UTF8ToWide(name));
  return found == items_.end() ? std::wstring() : found->second;
}

void ClientInfoItems::ForEach(
    const std::function<void(const std::wstring&, const std::wstring&)>& function) const {
  for (const auto& [name, value] : items_)
    function(name, value);
}

std::optional<int64_t> ParseRunTimeMicroseconds(const std::wstring& ptime) {
  int64_t milliseconds = 0;
  if (ptime.empty() || !base::StringToInt64(ptime, &milliseconds))
    return std::nullopt;
  return SaturatedMultiply(milliseconds, 1000);
}

void CollectParametersForClient(void* process, const ClientInfoItems& items, ParametersMap* map) {
  items.ForEach([map](const std::wstring& name, const std::wstring& value) {
    if (name != L"crash_guid" && name != L"ptime")
      map->Set(name, value);
  });
  AddTimeParameters(process, ParseRunTimeMicroseconds(items.Get("ptime")), map);
  AddMemoryParameters(process, map);
  AddProductParameters(process, map);
}

void CollectParametersForCrashReporter(uint32_t process_id, ParametersMap* map,
                                       bool with_memory) {
  const std::string email = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_EMAIL"));
  if (!email.empty())
    map->Set(std::string("Email"), email);
  map->Set(std::string("ptype"), std::string(kCrashReporterProcessType));
  base::win::ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process_id));
  AddTimeParameters(process.Get(), std::nullopt, map);
  if (with_memory)
    AddMemoryParameters(process.Get(), map);
  AddProductParameters(process.Get(), map);
}

void AddTimeParameters(void* process, std::optional<int64_t> run_time_us, ParametersMap* map) {
  const base::TimeDelta run_time =
      base::TimeDelta::FromMicroseconds(run_time_us.value_or(0));
  FILETIME creation, exit_time, kernel, user;
  base::Time start;
  base::Time crash;
  if (process && ::GetProcessTimes(process, &creation, &exit_time, &kernel, &user)) {
    start = base::Time::FromFileTime(creation);
    crash = run_time_us ? start + run_time : base::Time::Now();
  } else {
    crash = base::Time::Now();
    start = run_time_us ? crash - run_time : base::Time::Now();
  }
  map->Set(L"StartupTime", static_cast<int64_t>(ToUnixSeconds(start)));
  map->Set(L"CrashTime", static_cast<int64_t>(ToUnixSeconds(crash)));

  const base::FilePath image = GetProcessImagePath(process);
  if (image.empty())
    return;
  base::win::ScopedHandle file(::CreateFileW(image.value().c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (file.IsValid() && ::GetFileInformationByHandle(file.Get(), &info)) {
    map->Set(L"InstallTime",
             static_cast<int64_t>(ToUnixSeconds(base::Time::FromFileTime(info.ftCreationTime))));
  }
}

void AddMemoryParameters(void* process, ParametersMap* map) {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (::GlobalMemoryStatusEx(&status)) {
    map->Set(L"mem_load", static_cast<uint32_t>(status.dwMemoryLoad));
    map->Set(L"mem_page_file_avail", static_cast<uint64_t>(status.ullAvailPageFile));
    map->Set(L"mem_page_file_total", static_cast<uint64_t>(status.ullTotalPageFile));
    map->Set(L"mem_physical_avail", static_cast<uint64_t>(status.ullAvailPhys));
    map->Set(L"mem_physical_total", static_cast<uint64_t>(status.ullTotalPhys));
  }
  if (!process)
    return;

  if (const std::optional<ProcessVirtualMemory> memory = GetProcessVirtualMemory(process))
    map->Set(L"mem_virtual_size", memory->virtual_size);

  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof(memory))) {
    map->Set(L"process_page_file_peak_usage", static_cast<uint64_t>(memory.PeakPagefileUsage));
    map->Set(L"process_page_file_usage", static_cast<uint64_t>(memory.PagefileUsage));
    map->Set(L"process_private_usage", static_cast<uint64_t>(memory.PrivateUsage));
    map->Set(L"process_working_set_peak_size", static_cast<uint64_t>(memory.PeakWorkingSetSize));
    map->Set(L"process_working_set_size", static_cast<uint64_t>(memory.WorkingSetSize));
  }
}

void AddProductParameters(void* process, ParametersMap* map) {
  map->Set(std::string("prod"), GetCrashProductName());
  map->Set(std::string("ver"), GetProductVersion());
  map->Set(L"UBN", static_cast<int32_t>(GetBuildNumber()));
  map->Set(std::string("BuildID"), GetBuildId());
  map->Set(std::string("ReleaseChannel"), GetReleaseChannel());
  if (!map->Has("symbols-package")) {
    const base::FilePath image = GetProcessImagePath(process);
    if (!image.empty())
      map->Set(std::string("symbols-package"), GetSymbolsPackageName(image));
  }
}

int64_t ToUnixSeconds(base::Time time) {
  // Milliseconds first, then whole seconds truncated toward zero.
  return (time - base::Time::UnixEpoch()).InMilliseconds() / 1000;
}

std::optional<ProcessVirtualMemory> GetProcessVirtualMemory(void* process) {
  using QueryFunction = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  const auto query =
      base::win::GetFunction<QueryFunction>(L"ntdll.dll", "NtQueryInformationProcess");
  VirtualMemoryCounters counters = {};
  if (!process || !query ||
      query(process, kProcessVmCounters, &counters, sizeof(counters), nullptr) < 0) {
    return std::nullopt;
  }
  return ProcessVirtualMemory{
      .virtual_size = counters.VirtualSize,
      .peak_virtual_size = counters.PeakVirtualSize,
  };
}

base::FilePath GetProcessImagePath(void* process) {
  if (!process)
    return base::FilePath();
  return GetProcessImagePathWith([process](wchar_t* buffer, unsigned long* size) {
    return ::QueryFullProcessImageNameW(process, 0, buffer, size) != FALSE;
  });
}

base::FilePath GetProcessImagePathWith(const ProcessImagePathQuery& query) {
  // A path of MAX_PATH characters or more (a long-path aware system) needs
  // a larger buffer than MAX_PATH: the size asked for counts the terminating
  // 0. A path never exceeds the 32767 characters of a UNICODE_STRING.
  constexpr DWORD kLongestPath = 32767;
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(path.size());
    if (query(path.data(), &size)) {
      path.resize(size);
      return base::FilePath(path);
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() > kLongestPath)
      return base::FilePath();
    path.resize(std::min<size_t>(path.size() * 2, kLongestPath + 1));
  }
}

}  // namespace velta
