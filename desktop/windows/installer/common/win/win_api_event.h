// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_EVENT_H_

#include <windows.h>

#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"

namespace velta {

// A named event opened through WinApi::OpenEvent (SYNCHRONIZE access only),
// which can tell its delegate once when another process signals it. Made,
// watched and destroyed on one sequence, which must run a message loop while
// it watches; destroying the object stops the watch and closes the handle.
// Owned by the caller.
class WinApiEvent : public base::win::ObjectWatcher::Delegate {
 public:
  class Delegate {
   public:
    // The event was signalled; runs on the sequence that called
    // StartWatching, once per StartWatching. `event` may be destroyed here.
    virtual void OnEventSignaled(WinApiEvent* event) = 0;

   protected:
    virtual ~Delegate() = default;
  };

  // Takes `handle` (may be invalid: an event that could not be opened).
  // `delegate` is not owned and must outlive the watch.
  WinApiEvent(Delegate* delegate, base::win::ScopedHandle handle);
  WinApiEvent(const WinApiEvent&) = delete;
  WinApiEvent& operator=(const WinApiEvent&) = delete;
  ~WinApiEvent() override;

  // Whether an event is held.
  virtual bool IsValid() const;
  // Watches the event once: the delegate hears of the next signal on the
  // calling sequence. False when there is no event or the watch cannot
  // start.
  virtual bool StartWatching();
  // Whether the event is signalled now (a zero-time wait).
  virtual bool IsSignaled() const;

 private:
  // base::win::ObjectWatcher::Delegate:
  void OnObjectSignaled(HANDLE object) override;

  Delegate* const delegate_;
  base::win::ScopedHandle handle_;
  // Declared after the handle: stops watching before the handle closes.
  base::win::ObjectWatcher watcher_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_EVENT_H_
