// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"

#include "base/lazy_instance.h"
#include "base/logging.h"

namespace velta {

namespace {

base::LazyInstance<Win32DialogDispatcher>::DestructorAtExit g_dispatcher =
    LAZY_INSTANCE_INITIALIZER;

}  // namespace

// static
Win32DialogDispatcher* Win32DialogDispatcher::GetInstance() {
  return g_dispatcher.Pointer();
}

Win32DialogDispatcher::Win32DialogDispatcher() = default;

Win32DialogDispatcher::~Win32DialogDispatcher() = default;

void Win32DialogDispatcher::SetActiveDialog(HWND dialog) {
  VLOG(2) << "Switching to hwnd " << dialog;
  active_dialog_ = dialog;
}

void Win32DialogDispatcher::ClearActiveDialog(HWND dialog) {
  VLOG(2) << "Switching away from hwnd " << dialog;
  if (active_dialog_ == dialog) {
    active_dialog_ = nullptr;
    return;
  }
  VLOG(2) << "Another hwnd was already selected";
}

uint32_t Win32DialogDispatcher::Dispatch(const MSG& message) {
  if (!active_dialog_)
    return POST_DISPATCH_PERFORM_DEFAULT;
  MSG copy = message;
  return ::IsDialogMessageW(active_dialog_, &copy) ? POST_DISPATCH_NONE
                                                   : POST_DISPATCH_PERFORM_DEFAULT;
}

}  // namespace velta
