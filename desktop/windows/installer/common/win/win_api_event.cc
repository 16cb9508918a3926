// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api_event.h"

#include <utility>

namespace velta {

WinApiEvent::WinApiEvent(Delegate* delegate, base::win::ScopedHandle handle)
    : delegate_(delegate), handle_(std::move(handle)) {}

WinApiEvent::~WinApiEvent() = default;

bool WinApiEvent::IsValid() const {
  return handle_.IsValid();
}

bool WinApiEvent::StartWatching() {
  if (!handle_.IsValid())
    return false;
  return watcher_.StartWatchingOnce(handle_.Get(), this);
}

bool WinApiEvent::IsSignaled() const {
  return handle_.IsValid() && ::WaitForSingleObject(handle_.Get(), 0) == WAIT_OBJECT_0;
}

void WinApiEvent::OnObjectSignaled(HANDLE /*object*/) {
  if (delegate_)
    delegate_->OnEventSignaled(this);
}

}  // namespace velta
