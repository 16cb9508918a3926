// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_FOR_UI_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_FOR_UI_H_

#include "base/message_loop/message_loop.h"

namespace base {

// A TYPE_UI MessageLoop: tasks and Windows messages on a thread with
// windows (see MessagePumpForUI). Same threading as MessageLoop.
class MessageLoopForUI : public MessageLoop {
 public:
  MessageLoopForUI() : MessageLoop(TYPE_UI) {}

  // The current thread's loop, which must be of TYPE_UI.
  static MessageLoopForUI* current();
  static bool IsCurrent();
};

// MessageLoopForUI adds no fields: any TYPE_UI loop can be viewed as one.
static_assert(sizeof(MessageLoop) == sizeof(MessageLoopForUI));

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_FOR_UI_H_
