// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_WORKER_GUARD_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_WORKER_GUARD_H_

#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/lzma_util/seven_zip/worker_guard.h"

namespace velta {

// Guards the reader's decoding threads as InPageErrorGuard guards the
// unpacking thread: a failed page-in of the mapped output block on one of
// them interrupts that thread's work instead of crashing the process. It
// keeps the first fault's status, so that the unpacking reports the fault of
// a decoding thread as it reports its own. Run is called on several threads
// at once; each call has a guard of its own.
class InPageWorkerGuard : public seven_zip::WorkerGuard {
 public:
  // `range` must outlive the guard.
  explicit InPageWorkerGuard(const MappedRange* range);
  InPageWorkerGuard(const InPageWorkerGuard&) = delete;
  InPageWorkerGuard& operator=(const InPageWorkerGuard&) = delete;
  ~InPageWorkerGuard() override;

  bool Run(void (*body)(void* context), void* context) override;

  // Whether a decoding thread faulted since the last ClearFault, the first
  // such fault's status (as InPageErrorGuard::status()), and the size of the
  // mapping it faulted in (the block is released by the time the unpacking
  // reports the fault).
  bool faulted() const { return faulted_.load(); }
  uint32_t status() const { return status_.load(); }
  size_t mapped_size() const { return mapped_size_.load(); }
  void ClearFault();

 private:
  const MappedRange* const range_;
  std::atomic<bool> faulted_{false};
  std::atomic<uint32_t> status_{0};
  std::atomic<size_t> mapped_size_{0};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_WORKER_GUARD_H_
