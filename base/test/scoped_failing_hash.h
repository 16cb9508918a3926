// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_FAILING_HASH_H_
#define BASE_TEST_SCOPED_FAILING_HASH_H_

#include "base/hash/secure_hash.h"

namespace base::test {

// While it lives, every SecureHash made (digests and HMACs) fails at one
// step, as it would on a system whose hash provider fails: the code under
// test must fail its step and go on. Made and destroyed on the test's main
// thread, one at a time; the hashes it made must not be used after it.
class ScopedFailingHash {
 public:
  enum class Step {
    kCreate,  // Create gives null
    kUpdate,  // Update gives false
    kFinish,  // Update works, Finish gives false
  };

  explicit ScopedFailingHash(Step step);
  ScopedFailingHash(const ScopedFailingHash&) = delete;
  ScopedFailingHash& operator=(const ScopedFailingHash&) = delete;
  ~ScopedFailingHash();

 private:
  const SecureHash::FactoryForTesting previous_;
};

}  // namespace base::test

#endif  // BASE_TEST_SCOPED_FAILING_HASH_H_
