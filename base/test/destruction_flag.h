// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_DESTRUCTION_FLAG_H_
#define BASE_TEST_DESTRUCTION_FLAG_H_

#include <utility>

namespace base::test {

// A movable value that sets `*destroyed` when the last of its moved-to copies
// dies: bind it into a task to see whether, and when, the task was destroyed.
class DestructionFlag {
 public:
  explicit DestructionFlag(bool* destroyed) : destroyed_(destroyed) {}
  DestructionFlag(DestructionFlag&& other) : destroyed_(std::exchange(other.destroyed_, nullptr)) {}
  DestructionFlag& operator=(DestructionFlag&&) = delete;
  ~DestructionFlag() {
    if (destroyed_)
      *destroyed_ = true;
  }

 private:
  bool* destroyed_;
};

}  // namespace base::test

#endif  // BASE_TEST_DESTRUCTION_FLAG_H_
