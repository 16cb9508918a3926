// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_RUN_LOOP_WITH_TIMEOUT_H_
#define BASE_TEST_RUN_LOOP_WITH_TIMEOUT_H_

#include "base/time/time.h"

namespace base {

class RunLoop;

namespace test {

// Long enough for any test action under a loaded Wine; only reached when a
// test is broken.
constexpr TimeDelta kActionTimeout = TimeDelta::FromSeconds(20);

// Runs `run_loop` until it is quit, or until `timeout` passed. Returns false
// on time-out, so a broken test fails instead of hanging.
[[nodiscard]] bool RunWithTimeout(RunLoop* run_loop, TimeDelta timeout = kActionTimeout);

}  // namespace test
}  // namespace base

#endif  // BASE_TEST_RUN_LOOP_WITH_TIMEOUT_H_
