// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_

#include <atomic>

#include "base/message_loop/message_pump.h"
#include "base/time/time.h"

namespace base {

// What the Windows pumps (default, UI, IO) share: the quit state of each
// nested Run() and the due time of the next delayed task. Subclasses supply
// the loop and the way to wait and wake.
class MessagePumpWin : public MessagePump {
 public:
  MessagePumpWin();
  ~MessagePumpWin() override;

  void Run(Delegate* delegate) override;
  void Quit() override;
  // Wakes the pump through PostWakeUp(), once per burst of posts. Thread-safe.
  void ScheduleWork() override;

 protected:
  // One level of Run() nesting.
  struct RunState {
    Delegate* delegate = nullptr;
    bool should_quit = false;
  };

  // Native work first (a Windows message, an I/O completion), then a task,
  // then a due delayed task; when none was there, idle work, then a wait.
  void DoRunLoop();
  // Handles one piece of native work without waiting; true when there was
  // one (or a wake-up).
  virtual bool ProcessNativeWork() = 0;
  // Sleeps until woken, native work arrives or the next delayed task is due.
  virtual void WaitForWork() = 0;
  // Queues the wake-up (a window message, a completion packet); false, with
  // the system error set, when it cannot.
  virtual bool PostWakeUp() = 0;

  // Milliseconds until the next delayed task is due, rounded up so a wait
  // never ends early; INFINITE (0xFFFFFFFF) when there is none.
  unsigned long GetCurrentDelay() const;

  // The innermost Run()'s state; null outside Run().
  RunState* state_ = nullptr;
  // Due time of the next delayed task; null when there is none.
  TimeTicks delayed_work_time_;
  // Set while a wake-up is on its way, so a burst of posts wakes once; the
  // pump clears it when it takes the wake-up.
  std::atomic<bool> have_work_{false};
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_
