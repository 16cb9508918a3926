// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

#include <windows.h>

#include "base/logging.h"

namespace velta {

// Lets the file's free functions reach the guard's private state.
struct InPageErrorGuardAccess {
  static const MappedRange* range(InPageErrorGuard* guard) { return guard->range_; }
  static void set_status(InPageErrorGuard* guard, uint32_t status) { guard->status_ = status; }
  static void** jump_buffer(InPageErrorGuard* guard) { return guard->jump_buffer_; }
};

namespace {

// The slot that holds the guard running on a thread. Plain Win32 TLS: the
// handler must not allocate, and the compiler's TLS emulation may.
DWORD GuardSlot() {
  static const DWORD slot = ::TlsAlloc();
  return slot;
}

InPageErrorGuard* ActiveGuard() {
  return static_cast<InPageErrorGuard*>(::TlsGetValue(GuardSlot()));
}

// Runs in place of the faulting instruction, on the faulting thread's stack,
// once the system has finished dispatching the exception.
[[noreturn]] __attribute__((noinline)) void ResumeAfterFault() {
  __builtin_longjmp(InPageErrorGuardAccess::jump_buffer(ActiveGuard()), 1);
}

LONG CALLBACK HandleFault(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  // Look at the code before anything else: every exception of every thread
  // passes here while a guard runs.
  if (record->ExceptionCode != EXCEPTION_IN_PAGE_ERROR &&
      record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  InPageErrorGuard* guard = ActiveGuard();
  if (!guard || record->NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  const MappedRange* range = InPageErrorGuardAccess::range(guard);
  const uintptr_t address = record->ExceptionInformation[1];
  const uintptr_t begin = reinterpret_cast<uintptr_t>(range->begin);
  if (!range->begin || address < begin || address - begin >= range->size)
    return EXCEPTION_CONTINUE_SEARCH;

  InPageErrorGuardAccess::set_status(
      guard, record->ExceptionCode == EXCEPTION_IN_PAGE_ERROR && record->NumberParameters >= 3
                 ? static_cast<uint32_t>(record->ExceptionInformation[2])
                 : static_cast<uint32_t>(record->ExceptionCode));
  // Continue in ResumeAfterFault as if it had just been called, below the
  // faulting frame's stack (the ABI's alignment at a function's entry).
  CONTEXT* context = pointers->ContextRecord;
#if defined(_M_X64) || defined(__x86_64__)
  context->Rsp = ((context->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
  context->Rip = reinterpret_cast<DWORD64>(&ResumeAfterFault);
#elif defined(_M_IX86) || defined(__i386__)
  context->Esp = ((context->Esp - 512) & ~static_cast<DWORD>(15)) - 4;
  context->Eip = reinterpret_cast<DWORD>(&ResumeAfterFault);
#else
#error "Unsupported architecture"
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

InPageErrorGuard::InPageErrorGuard(const MappedRange* range) : range_(range) {}

InPageErrorGuard::~InPageErrorGuard() = default;

__attribute__((noinline)) bool InPageErrorGuard::Run(void (*body)(void* context), void* context) {
  DCHECK(!ActiveGuard()) << "InPageErrorGuard::Run is not re-entrant";
  status_ = 0;
  ::TlsSetValue(GuardSlot(), this);
  void* const handler = ::AddVectoredExceptionHandler(1, &HandleFault);
  // `completed` is written after the jump point, so a volatile keeps it out
  // of registers that the jump restores.
  volatile bool completed = false;
  if (handler && __builtin_setjmp(jump_buffer_) == 0) {
    body(context);
    completed = true;
  } else if (!handler) {
    // Without the handler a fault would crash the process, as it would
    // without this guard; run the body anyway.
    body(context);
    completed = true;
  }
  if (handler)
    ::RemoveVectoredExceptionHandler(handler);
  ::TlsSetValue(GuardSlot(), nullptr);
  return completed;
}

}  // namespace velta
