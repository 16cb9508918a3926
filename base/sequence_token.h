// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SEQUENCE_TOKEN_H_
#define BASE_SEQUENCE_TOKEN_H_

#include <stdint.h>

namespace base {

// Names a sequence: the tasks of one sequenced task runner, or everything
// that runs on one thread outside such tasks. Two calls get the same token
// exactly when they run on the same sequence.
class SequenceToken {
 public:
  constexpr SequenceToken() = default;

  static SequenceToken Create();
  // The sequence of the task running now; outside a sequenced scheduler task,
  // the calling thread's own token (made on first use).
  static SequenceToken GetForCurrentThread();

  bool IsValid() const { return token_ != 0; }
  bool operator==(const SequenceToken& other) const { return token_ == other.token_; }

 private:
  friend class ScopedSetSequenceTokenForCurrentThread;
  explicit constexpr SequenceToken(int64_t token) : token_(token) {}

  int64_t token_ = 0;
};

// Makes `token` the current sequence of this thread for its scope; used by
// the task scheduler around each task of a sequence.
class ScopedSetSequenceTokenForCurrentThread {
 public:
  explicit ScopedSetSequenceTokenForCurrentThread(const SequenceToken& token);
  ScopedSetSequenceTokenForCurrentThread(const ScopedSetSequenceTokenForCurrentThread&) = delete;
  ScopedSetSequenceTokenForCurrentThread& operator=(const ScopedSetSequenceTokenForCurrentThread&) =
      delete;
  ~ScopedSetSequenceTokenForCurrentThread();

 private:
  const int64_t previous_scoped_token_;
};

}  // namespace base

#endif  // BASE_SEQUENCE_TOKEN_H_
