// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_loop_for_ui.h"

#include "base/logging.h"

namespace base {

// static
MessageLoopForUI* MessageLoopForUI::current() {
  MessageLoop* loop = MessageLoop::current();
  DCHECK(loop && loop->IsType(TYPE_UI)) << "the current thread has no UI message loop";
  return static_cast<MessageLoopForUI*>(loop);
}

// static
bool MessageLoopForUI::IsCurrent() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->IsType(TYPE_UI);
}

}  // namespace base
