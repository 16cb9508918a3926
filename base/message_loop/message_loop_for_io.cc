// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_loop_for_io.h"

#include "base/logging.h"

namespace base {

// static
MessageLoopForIO* MessageLoopForIO::current() {
  MessageLoop* loop = MessageLoop::current();
  DCHECK(loop && loop->IsType(TYPE_IO)) << "the current thread has no IO message loop";
  return static_cast<MessageLoopForIO*>(loop);
}

// static
bool MessageLoopForIO::IsCurrent() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->IsType(TYPE_IO);
}

bool MessageLoopForIO::RegisterIOHandler(HANDLE file, IOHandler* handler) {
  return static_cast<MessagePumpForIO*>(pump())->RegisterIOHandler(file, handler);
}

}  // namespace base
