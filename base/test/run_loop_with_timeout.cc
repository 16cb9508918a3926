// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/run_loop_with_timeout.h"

#include "base/bind.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/timer/timer.h"

namespace base::test {

bool RunWithTimeout(RunLoop* run_loop, TimeDelta timeout) {
  bool timed_out = false;
  OneShotTimer timer;
  timer.Start(FROM_HERE, timeout,
              BindOnce(
                  [](bool* timed_out, RunLoop* run_loop) {
                    *timed_out = true;
                    run_loop->Quit();
                  },
                  &timed_out, run_loop));
  run_loop->Run();
  return !timed_out;
}

}  // namespace base::test
