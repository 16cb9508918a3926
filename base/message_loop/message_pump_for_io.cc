// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_for_io.h"

#include "base/logging.h"

namespace base {

MessagePumpForIO::IOContext::IOContext() : overlapped() {}

MessagePumpForIO::MessagePumpForIO() {
  port_ = ::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
  // Without its port the loop can neither wait nor be woken.
  PCHECK(port_) << "Cannot create I/O completion port";
}

MessagePumpForIO::~MessagePumpForIO() {
  ::CloseHandle(port_);
}

bool MessagePumpForIO::PostWakeUp() {
  // The pump itself as key and overlapped pointer marks a wake-up packet.
  return ::PostQueuedCompletionStatus(port_, 0, reinterpret_cast<ULONG_PTR>(this),
                                      reinterpret_cast<OVERLAPPED*>(this));
}

void MessagePumpForIO::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  delayed_work_time_ = delayed_work_time;
}

bool MessagePumpForIO::RegisterIOHandler(HANDLE file_handle, IOHandler* handler) {
  DCHECK(handler);
  if (::CreateIoCompletionPort(file_handle, port_, reinterpret_cast<ULONG_PTR>(handler), 1))
    return true;
  const DWORD error = ::GetLastError();
  LOG(ERROR) << "Cannot register handle with the I/O completion port: "
             << logging::SystemErrorCodeToString(error);
  return false;
}

bool MessagePumpForIO::ProcessNativeWork() {
  return WaitForIOCompletion(0);
}

void MessagePumpForIO::WaitForWork() {
  WaitForIOCompletion(GetCurrentDelay());
}

bool MessagePumpForIO::WaitForIOCompletion(DWORD timeout_ms) {
  DWORD bytes_transfered = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* overlapped = nullptr;
  const BOOL ok =
      ::GetQueuedCompletionStatus(port_, &bytes_transfered, &key, &overlapped, timeout_ms);
  const DWORD error = ok ? 0 : ::GetLastError();
  if (!overlapped)
    return false;  // time-out (WAIT_TIMEOUT), or the port failed without a packet
  if (key == reinterpret_cast<ULONG_PTR>(this) &&
      overlapped == reinterpret_cast<OVERLAPPED*>(this)) {
    have_work_ = false;
    return true;
  }
  // IOContext starts with its OVERLAPPED, so the pointer is the context's.
  reinterpret_cast<IOHandler*>(key)->OnIOCompleted(reinterpret_cast<IOContext*>(overlapped),
                                                   bytes_transfered, error);
  return true;
}

}  // namespace base
