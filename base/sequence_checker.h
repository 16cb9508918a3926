// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SEQUENCE_CHECKER_H_
#define BASE_SEQUENCE_CHECKER_H_

#include "base/logging.h"
#include "base/sequence_token.h"
#include "base/synchronization/lock.h"

namespace base {

// Checks in debug builds that an object is used on one sequence:
//   DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
// Bound to the constructing sequence, or, after DetachFromSequence(), to the
// sequence of the next check. Cheap, but meant for DCHECKs only.
class SequenceChecker {
 public:
  SequenceChecker();
  SequenceChecker(const SequenceChecker&) = delete;
  SequenceChecker& operator=(const SequenceChecker&) = delete;
  ~SequenceChecker() = default;

  // True on the bound sequence; binds an unbound checker to the caller's.
  bool CalledOnValidSequence() const;
  void DetachFromSequence();

 private:
  mutable Lock lock_;
  mutable SequenceToken sequence_token_;
};

}  // namespace base

#if DCHECK_IS_ON()
#define SEQUENCE_CHECKER(name) ::base::SequenceChecker name
#define DCHECK_CALLED_ON_VALID_SEQUENCE(name) DCHECK((name).CalledOnValidSequence())
#define DETACH_FROM_SEQUENCE(name) (name).DetachFromSequence()
#else
#define SEQUENCE_CHECKER(name) static_assert(true, "")
#define DCHECK_CALLED_ON_VALID_SEQUENCE(name) DCHECK(true)
#define DETACH_FROM_SEQUENCE(name) static_assert(true, "")
#endif

#endif  // BASE_SEQUENCE_CHECKER_H_
