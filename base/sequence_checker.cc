// Copyright 2026 Velta Software. All rights reserved.

#include "base/sequence_checker.h"

namespace base {

SequenceChecker::SequenceChecker() : sequence_token_(SequenceToken::GetForCurrentThread()) {}

bool SequenceChecker::CalledOnValidSequence() const {
  AutoLock auto_lock(lock_);
  const SequenceToken current = SequenceToken::GetForCurrentThread();
  if (!sequence_token_.IsValid())
    sequence_token_ = current;
  return sequence_token_ == current;
}

void SequenceChecker::DetachFromSequence() {
  AutoLock auto_lock(lock_);
  sequence_token_ = SequenceToken();
}

}  // namespace base
