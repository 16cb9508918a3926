// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_DISPATCHER_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_DISPATCHER_H_

#include <stdint.h>

// The Win32 MSG structure, without <windows.h>.
struct tagMSG;

namespace base {

// Sees every Windows message a UI run loop takes from the queue before the
// loop translates and dispatches it; given to a RunLoop at construction
// (the window code uses it for dialog keyboard handling). Dispatch() answers
// with PostDispatchAction flags.
//
// Threading: called on the UI thread, from inside RunLoop::Run().
class MessagePumpDispatcher {
 public:
  enum PostDispatchAction : uint32_t {
    // The dispatcher consumed the message: nothing more is done with it.
    POST_DISPATCH_NONE = 0x0,
    // Quit the run loop that took the message.
    POST_DISPATCH_QUIT_LOOP = 0x1,
    // TranslateMessage and DispatchMessage as a loop without dispatcher does.
    POST_DISPATCH_PERFORM_DEFAULT = 0x2,
  };

  virtual ~MessagePumpDispatcher() = default;

  // Returns a combination of PostDispatchAction flags.
  virtual uint32_t Dispatch(const tagMSG& message) = 0;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_DISPATCHER_H_
