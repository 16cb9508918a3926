// Copyright 2026 Velta Software. All rights reserved.

// Measures what the unpacker's output block costs before any decoding: a
// block of MEGABYTES in a temporary file of FOLDER, mapped and written from
// its first byte to its last as the decoder fills it, in several ways.
//   mapped_block_bench FOLDER [MEGABYTES] [RUNS]
// Prints the median of RUNS (default 5) milliseconds for each way:
//   sparse file     the file sized by SetEndOfFile, one view of all of it (as
//                   the installer maps it now): one write fault per page;
//   allocated file  the same after FileAllocationInfo reserved the file's
//                   blocks;
//   read first      the sparse file's pages read once before the writes (the
//                   system maps pages in larger runs on read faults), then
//                   written: both passes timed, then the write pass alone;
//   heap            committed private memory, for comparison.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPage = 4096;
// The decoder writes in runs of this size, roughly what one call of its
// loop produces.
constexpr size_t kRun = 64 * 1024;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void WriteBlock(uint8_t* block, size_t size) {
  for (size_t offset = 0; offset < size; offset += kRun)
    memset(block + offset, static_cast<int>(offset / kRun) & 0xFF, std::min(kRun, size - offset));
}

// Touches each page with a read; returns a sum so the reads stay.
unsigned ReadBlock(const uint8_t* block, size_t size) {
  unsigned sum = 0;
  for (size_t offset = 0; offset < size; offset += kPage)
    sum += *reinterpret_cast<const volatile uint8_t*>(block + offset);
  return sum;
}

enum class Way { kSparse, kAllocated, kReadFirst, kHeap };

struct Timing {
  double total = 0;
  double writes = 0;
};

// One run of `way`; false when a system call failed.
bool RunOnce(Way way, const std::wstring& folder, size_t size, Timing* timing) {
  if (way == Way::kHeap) {
    const Clock::time_point start = Clock::now();
    auto* block =
        static_cast<uint8_t*>(::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!block)
      return false;
    WriteBlock(block, size);
    ::VirtualFree(block, 0, MEM_RELEASE);
    timing->total = timing->writes = MillisecondsSince(start);
    return true;
  }
  wchar_t path[MAX_PATH];
  if (!::GetTempFileNameW(folder.c_str(), L"blk", 0, path))
    return false;
  const Clock::time_point start = Clock::now();
  HANDLE file = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  bool ok = true;
  if (way == Way::kAllocated) {
    FILE_ALLOCATION_INFO allocation = {};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    ok = ::SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof(allocation));
  }
  LARGE_INTEGER length;
  length.QuadPart = static_cast<LONGLONG>(size);
  ok = ok && ::SetFilePointerEx(file, length, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
  HANDLE mapping = ok ? ::CreateFileMappingW(file, nullptr, PAGE_READWRITE,
                                             static_cast<DWORD>(uint64_t{size} >> 32),
                                             static_cast<DWORD>(size & 0xFFFFFFFF), nullptr)
                      : nullptr;
  void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size) : nullptr;
  if (view) {
    auto* block = static_cast<uint8_t*>(view);
    if (way == Way::kReadFirst && ReadBlock(block, size) != 0)
      fprintf(stderr, "a fresh block reads as non-zero\n");
    const Clock::time_point writes = Clock::now();
    WriteBlock(block, size);
    timing->writes = MillisecondsSince(writes);
    ::UnmapViewOfFile(view);
  }
  if (mapping)
    ::CloseHandle(mapping);
  ::CloseHandle(file);
  timing->total = MillisecondsSince(start);
  return view != nullptr;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: mapped_block_bench FOLDER [MEGABYTES] [RUNS]\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const size_t megabytes = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 111;
  const int runs = argc > 3 ? static_cast<int>(wcstol(argv[3], nullptr, 10)) : 5;
  if (megabytes == 0 || runs <= 0) {
    fprintf(stderr, "MEGABYTES and RUNS must be positive\n");
    return 2;
  }
  const size_t size = megabytes << 20;
  struct {
    Way way;
    const char* name;
  } const ways[] = {{Way::kSparse, "sparse file"},
                    {Way::kAllocated, "allocated file"},
                    {Way::kReadFirst, "read first"},
                    {Way::kHeap, "heap"}};
  printf("%zu MB block, medians of %d runs\n", megabytes, runs);
  for (const auto& way : ways) {
    std::vector<double> totals;
    std::vector<double> writes;
    for (int run = 0; run < runs; ++run) {
      Timing timing;
      if (!RunOnce(way.way, folder, size, &timing)) {
        // Wine 8 answers FileAllocationInfo with ERROR_CALL_NOT_IMPLEMENTED.
        printf("  %-15s failed with error %lu\n", way.name, ::GetLastError());
        break;
      }
      totals.push_back(timing.total);
      writes.push_back(timing.writes);
    }
    if (static_cast<int>(totals.size()) == runs)
      printf("  %-15s %7.1f ms (writes %7.1f ms)\n", way.name, Median(totals), Median(writes));
  }
  return 0;
}
