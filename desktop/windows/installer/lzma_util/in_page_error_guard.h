// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_ERROR_GUARD_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_ERROR_GUARD_H_

#include <stddef.h>
#include <stdint.h>

namespace velta {

// A block of mapped memory, as its owner currently has it mapped. The guard
// reads it when a fault happens, so the owner may map another block while
// the guarded code runs (same thread).
struct MappedRange {
  const uint8_t* begin = nullptr;
  size_t size = 0;
};

// Runs code that writes into a memory-mapped file and turns a failed page-in
// inside that mapping (the disk is full, the network drive went away) into
// a false result instead of a crash. The compiler has no structured
// exception handling here, so a vectored exception handler, installed only
// while Run runs and only acting on faults of this thread inside `range`,
// sends execution back to Run. Windows reports such a fault as
// EXCEPTION_IN_PAGE_ERROR with the NTSTATUS of the failed read or write;
// Wine reports it as an access violation, which inside a mapping that is
// wholly read-write can only mean the same.
//
// The interrupted code does not finish: its stack frames are abandoned
// without running destructors, so it must hold no lock and leave nothing
// that the caller cannot release itself.
class InPageErrorGuard {
 public:
  // `range` must outlive the guard.
  explicit InPageErrorGuard(const MappedRange* range);
  InPageErrorGuard(const InPageErrorGuard&) = delete;
  InPageErrorGuard& operator=(const InPageErrorGuard&) = delete;
  ~InPageErrorGuard();

  // Calls `body(context)`. True when it returned; false when a fault inside
  // the range interrupted it (status() then tells the NTSTATUS). Not
  // re-entrant on one thread.
  bool Run(void (*body)(void* context), void* context);

  // The NTSTATUS of the failed page-in (EXCEPTION_IN_PAGE_ERROR's third
  // parameter), or the exception code itself when the system gave none.
  uint32_t status() const { return status_; }

  // The mapping the guard watches (empty when none is mapped).
  const MappedRange& range() const { return *range_; }

 private:
  friend struct InPageErrorGuardAccess;

  const MappedRange* const range_;
  uint32_t status_ = 0;
  // The resume point of Run (__builtin_setjmp's buffer).
  void* jump_buffer_[5] = {};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_ERROR_GUARD_H_
