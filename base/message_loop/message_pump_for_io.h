// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_FOR_IO_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_FOR_IO_H_

#include <windows.h>

#include "base/message_loop/message_pump_win.h"

namespace base {

// The pump of a TYPE_IO loop: waits on an I/O completion port, so overlapped
// reads and writes on registered handles (named pipes, files) complete on the
// loop's thread, between its tasks. Windows messages are not pumped.
//
// Made and used on one thread; ScheduleWork from any.
class MessagePumpForIO : public MessagePumpWin {
 public:
  // The start of every overlapped operation's state: pass &context->overlapped
  // to ReadFile/WriteFile and get the context back in OnIOCompleted. Extend
  // it by derivation or by holding it as the first field.
  struct IOContext {
    IOContext();
    OVERLAPPED overlapped;
  };

  // Receives the completions of the handles registered with it. It must stay
  // alive until every operation started on those handles has completed.
  class IOHandler {
   public:
    // `error` is 0 on success, else the Win32 error of the operation
    // (ERROR_BROKEN_PIPE, ERROR_OPERATION_ABORTED, ...).
    virtual void OnIOCompleted(IOContext* context, DWORD bytes_transfered, DWORD error) = 0;

   protected:
    virtual ~IOHandler() = default;
  };

  MessagePumpForIO();
  ~MessagePumpForIO() override;

  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

  // Joins `file_handle` (opened with FILE_FLAG_OVERLAPPED) to the port; its
  // completions go to `handler`. A handle can join one port, once, and stays
  // joined until closed. False, logged, on failure (a mailslot, a handle not
  // opened for overlapped I/O, ...).
  bool RegisterIOHandler(HANDLE file_handle, IOHandler* handler);

 private:
  bool PostWakeUp() override;
  bool ProcessNativeWork() override;
  void WaitForWork() override;
  // Waits up to `timeout_ms` for one completion and hands it on. True when
  // something arrived (a completion or a wake-up).
  bool WaitForIOCompletion(DWORD timeout_ms);

  HANDLE port_ = nullptr;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_FOR_IO_H_
