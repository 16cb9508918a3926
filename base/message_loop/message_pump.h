// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_

#include "base/time/time.h"

namespace base {

class MessagePumpDispatcher;

// The waiting part of a message loop: it sleeps until there is work (a posted
// task, a due delayed task, a Windows message, an I/O completion) and calls
// its delegate (the MessageLoop) to do it. Run() nests: each call has its
// own quit state.
//
// Threading: ScheduleWork() may be called from any thread; everything else
// on the pump's thread.
class MessagePump {
 public:
  class Delegate {
   public:
    // Runs one immediate task. True when one ran (more may be waiting).
    virtual bool DoWork() = 0;
    // Runs one due delayed task. Sets `next_delayed_work_time` to the due time
    // of the next delayed task, or null when there is none.
    virtual bool DoDelayedWork(TimeTicks* next_delayed_work_time) = 0;
    // Called when there is nothing else to do; true when it did something.
    virtual bool DoIdleWork() = 0;
    // The dispatcher of the innermost running run loop, or null. Consulted
    // by the UI pump for every Windows message.
    virtual MessagePumpDispatcher* GetDispatcher() = 0;

   protected:
    virtual ~Delegate() = default;
  };

  MessagePump() = default;
  MessagePump(const MessagePump&) = delete;
  MessagePump& operator=(const MessagePump&) = delete;
  virtual ~MessagePump() = default;

  // Runs until Quit() is called for this level of nesting.
  virtual void Run(Delegate* delegate) = 0;
  // Makes the innermost Run() return once the current work item is done.
  virtual void Quit() = 0;
  // Wakes the pump to call DoWork(). Thread-safe.
  virtual void ScheduleWork() = 0;
  // Asks for DoDelayedWork() at `delayed_work_time`; on the pump's thread.
  virtual void ScheduleDelayedWork(const TimeTicks& delayed_work_time) = 0;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
