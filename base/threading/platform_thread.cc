// Copyright 2026 Velta Software. All rights reserved.

#include "base/threading/platform_thread.h"

#include <process.h>
#include <windows.h>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/mingw_sdk_gaps.h"

namespace base {
namespace {

// Names longer than this are cut; enough for every thread name we use.
constexpr size_t kMaxNameLength = 63;
thread_local char t_thread_name[kMaxNameLength + 1] = {};

unsigned __stdcall ThreadFunc(void* param) {
  static_cast<PlatformThread::Delegate*>(param)->ThreadMain();
  return 0;
}

}  // namespace

PlatformThreadId PlatformThread::CurrentId() {
  return ::GetCurrentThreadId();
}

void PlatformThread::Sleep(TimeDelta duration) {
  ::Sleep(static_cast<DWORD>(duration.InMillisecondsRoundedUp()));
}

void PlatformThread::YieldCurrentThread() {
  ::Sleep(0);
}

void PlatformThread::SetName(const std::string& name) {
  const size_t length = name.size() < kMaxNameLength ? name.size() : kMaxNameLength;
  name.copy(t_thread_name, length);
  t_thread_name[length] = '\0';
  // Present from Windows 10 1607; looked up so older systems still start.
  auto set_description = BASE_WIN_GET_FUNCTION(L"kernel32.dll", SetThreadDescription);
  if (set_description)
    set_description(::GetCurrentThread(), UTF8ToWide(name).c_str());
}

const char* PlatformThread::GetName() {
  return t_thread_name;
}

bool PlatformThread::Create(size_t stack_size,
                            Delegate* delegate,
                            PlatformThreadHandle* thread_handle) {
  DCHECK(thread_handle);
  // _beginthreadex rather than CreateThread so the C runtime's per-thread
  // state is set up for the new thread.
  const uintptr_t handle = _beginthreadex(nullptr, static_cast<unsigned>(stack_size), &ThreadFunc,
                                          delegate, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!handle) {
    PLOG(ERROR) << "Cannot create thread";
    return false;
  }
  *thread_handle = PlatformThreadHandle(reinterpret_cast<HANDLE>(handle));
  return true;
}

void PlatformThread::Join(PlatformThreadHandle thread_handle) {
  DCHECK(!thread_handle.is_null());
  HANDLE handle = thread_handle.platform_handle();
  const DWORD result = ::WaitForSingleObject(handle, INFINITE);
  DPCHECK(result == WAIT_OBJECT_0);
  ::CloseHandle(handle);
}

}  // namespace base
