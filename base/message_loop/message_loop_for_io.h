// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_FOR_IO_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_FOR_IO_H_

#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_pump_for_io.h"

namespace base {

// A TYPE_IO MessageLoop: tasks and overlapped I/O completions (see
// MessagePumpForIO). Same threading as MessageLoop; register handles on the
// loop's own thread.
class MessageLoopForIO : public MessageLoop {
 public:
  using IOHandler = MessagePumpForIO::IOHandler;
  using IOContext = MessagePumpForIO::IOContext;

  MessageLoopForIO() : MessageLoop(TYPE_IO) {}

  // The current thread's loop, which must be of TYPE_IO.
  static MessageLoopForIO* current();
  static bool IsCurrent();

  // See MessagePumpForIO::RegisterIOHandler.
  bool RegisterIOHandler(HANDLE file, IOHandler* handler);
};

// MessageLoopForIO adds no fields: any TYPE_IO loop can be viewed as one.
static_assert(sizeof(MessageLoop) == sizeof(MessageLoopForIO));

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_FOR_IO_H_
