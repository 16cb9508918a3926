// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/in_page_worker_guard.h"

namespace velta {

InPageWorkerGuard::InPageWorkerGuard(const MappedRange* range) : range_(range) {}

InPageWorkerGuard::~InPageWorkerGuard() = default;

bool InPageWorkerGuard::Run(void (*body)(void* context), void* context) {
  InPageErrorGuard guard(range_);
  if (guard.Run(body, context))
    return true;
  bool expected = false;
  if (faulted_.compare_exchange_strong(expected, true)) {
    status_.store(guard.status());
    mapped_size_.store(range_->size);
  }
  return false;
}

void InPageWorkerGuard::ClearFault() {
  status_.store(0);
  mapped_size_.store(0);
  faulted_.store(false);
}

}  // namespace velta
