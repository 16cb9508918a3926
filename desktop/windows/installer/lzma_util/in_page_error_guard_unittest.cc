// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

#include <windows.h>

#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr DWORD kStatusDiskFull = 0xC000007F;

// Reserved-and-committed pages standing in for a mapped view. The faults
// here are raised for real, but not by a failing file: RaiseException gives
// the in-page error Windows reports, a no-access page the access violation
// Wine reports. A real failing page-in is made by the LzmaUtil disk-full
// test on a small volume.
class GuardedPages {
 public:
  explicit GuardedPages(size_t size) : size_(size) {
    begin_ = static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    range_.begin = begin_;
    range_.size = size;
  }
  ~GuardedPages() { ::VirtualFree(begin_, 0, MEM_RELEASE); }

  uint8_t* begin() const { return begin_; }
  const MappedRange* range() const { return &range_; }
  void MakeInaccessible(size_t offset) {
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(begin_ + offset, 4096, PAGE_NOACCESS, &old));
  }

 private:
  const size_t size_;
  uint8_t* begin_ = nullptr;
  MappedRange range_;
};

struct Fill {
  uint8_t* begin;
  size_t size;
  bool finished = false;
};

void FillPages(void* context) {
  Fill* fill = static_cast<Fill*>(context);
  for (size_t i = 0; i < fill->size; ++i)
    reinterpret_cast<volatile uint8_t*>(fill->begin)[i] = static_cast<uint8_t>(i);
  fill->finished = true;
}

struct RaisedFault {
  uintptr_t address;
  bool finished = false;
};

void RaiseInPageError(void* context) {
  RaisedFault* fault = static_cast<RaisedFault*>(context);
  const ULONG_PTR parameters[3] = {1, fault->address, kStatusDiskFull};
  ::RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, parameters);
  fault->finished = true;
}

TEST(InPageErrorGuardTest, BodyThatReturnsRunsToTheEnd) {
  GuardedPages pages(3 * 4096);
  InPageErrorGuard guard(pages.range());
  Fill fill{pages.begin(), 3 * 4096};
  EXPECT_TRUE(guard.Run(&FillPages, &fill));
  EXPECT_TRUE(fill.finished);
  EXPECT_EQ(0u, guard.status());
  EXPECT_EQ(static_cast<uint8_t>(3 * 4096 - 1), pages.begin()[3 * 4096 - 1]);
}

TEST(InPageErrorGuardTest, InPageErrorInsideTheRangeStopsTheBody) {
  GuardedPages pages(4 * 4096);
  InPageErrorGuard guard(pages.range());
  for (uintptr_t offset : {uintptr_t{0}, uintptr_t{4096 + 17}, uintptr_t{4 * 4096 - 1}}) {
    RaisedFault fault{reinterpret_cast<uintptr_t>(pages.begin()) + offset};
    EXPECT_FALSE(guard.Run(&RaiseInPageError, &fault)) << offset;
    EXPECT_FALSE(fault.finished);
    EXPECT_EQ(kStatusDiskFull, guard.status());
  }
  // The guard works again after a fault, and leaves no handler behind.
  Fill fill{pages.begin(), 4096};
  EXPECT_TRUE(guard.Run(&FillPages, &fill));
  EXPECT_EQ(0u, guard.status());
}

TEST(InPageErrorGuardTest, AccessViolationInsideTheRangeStopsTheBody) {
  GuardedPages pages(4 * 4096);
  pages.MakeInaccessible(2 * 4096);
  InPageErrorGuard guard(pages.range());
  Fill fill{pages.begin(), 4 * 4096};
  EXPECT_FALSE(guard.Run(&FillPages, &fill));
  EXPECT_FALSE(fill.finished);
  EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), guard.status());
  // Everything before the inaccessible page was written.
  EXPECT_EQ(static_cast<uint8_t>(2 * 4096 - 1), pages.begin()[2 * 4096 - 1]);
}

// A fault outside the range is not the guard's business: the process
// crashes as it would without it.
VELTA_TEST_CHILD_MAIN(FaultOutsideGuardedRange) {
  GuardedPages guarded(4096);
  GuardedPages other(2 * 4096);
  other.MakeInaccessible(4096);
  InPageErrorGuard guard(guarded.range());
  Fill fill{other.begin(), 2 * 4096};
  guard.Run(&FillPages, &fill);
  return 0;
}

VELTA_TEST_CHILD_MAIN(InPageErrorOutsideGuardedRange) {
  GuardedPages guarded(4096);
  InPageErrorGuard guard(guarded.range());
  RaisedFault fault{reinterpret_cast<uintptr_t>(guarded.begin()) + 4096};
  guard.Run(&RaiseInPageError, &fault);
  return 0;
}

uint32_t RunChildRole(const char* role) {
  const test::ChildResult result = test::RunChild(test::MakeChildCommandLine(role));
  EXPECT_TRUE(result.started && result.exited) << role;
  return result.exit_code;
}

TEST(InPageErrorGuardTest, FaultsOutsideTheRangeStillCrash) {
  EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION),
            RunChildRole("FaultOutsideGuardedRange"));
  EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_IN_PAGE_ERROR),
            RunChildRole("InPageErrorOutsideGuardedRange"));
}

}  // namespace
}  // namespace velta
