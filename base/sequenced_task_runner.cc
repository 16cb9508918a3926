// Copyright 2026 Velta Software. All rights reserved.

#include "base/sequenced_task_runner.h"

#include "base/bind.h"

namespace base {

bool SequencedTaskRunner::DeleteOrReleaseSoonInternal(const Location& from_here,
                                                      void (*deleter)(const void*),
                                                      const void* object) {
  // When posting fails the closure dies holding a raw pointer: the object
  // leaks instead of being deleted on the wrong sequence.
  return PostTask(from_here, BindOnce(deleter, object));
}

}  // namespace base
