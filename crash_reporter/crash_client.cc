// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_client.h"

#include <windows.h>

#include <atomic>

#include "crash_reporter/crash_key_table.h"
#include "crash_reporter/crash_pipe_protocol.h"
#include "crash_reporter/crt_handlers.h"
#include "crash_reporter/minidump_writer.h"

namespace velta {
namespace {

constexpr DWORD kConnectWaitMs = 2000;

// What the reporter reads out of this process at dump time.
DWORD g_crash_thread_id = 0;
EXCEPTION_POINTERS* g_exception_pointers = nullptr;
AssertionRecord g_assertion = {};

HANDLE g_pipe = nullptr;
HANDLE g_reporter = nullptr;
std::atomic<int> g_first_crash{0};
bool g_connected = false;

// Waits for an overlapped operation on the pipe, the reporter's end or the
// time-out. True when it completed.
bool FinishOnPipe(OVERLAPPED* overlapped, BOOL started, DWORD timeout_ms) {
  if (!started && ::GetLastError() != ERROR_IO_PENDING)
    return false;
  const HANDLE handles[] = {overlapped->hEvent, g_reporter};
  if (::WaitForMultipleObjects(2, handles, FALSE, timeout_ms) != WAIT_OBJECT_0) {
    ::CancelIo(g_pipe);
    return false;
  }
  DWORD transferred = 0;
  return ::GetOverlappedResult(g_pipe, overlapped, &transferred, FALSE) != FALSE;
}

bool Exchange(const void* message, DWORD size, CrashPipeReply* reply, DWORD timeout_ms) {
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!event)
    return false;
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event;
  bool done = FinishOnPipe(&overlapped, ::WriteFile(g_pipe, message, size, nullptr, &overlapped),
                           timeout_ms);
  if (done) {
    overlapped = {};
    overlapped.hEvent = event;
    ::ResetEvent(event);
    done = FinishOnPipe(&overlapped, ::ReadFile(g_pipe, reply, sizeof(*reply), nullptr, &overlapped),
                        timeout_ms);
  }
  ::CloseHandle(event);
  return done;
}

// Lets exactly one crash proceed to the dump; every later crashing thread
// sleeps until the process ends.
void PassFirstCrashOnly() {
  int expected = 0;
  if (!g_first_crash.compare_exchange_strong(expected, 1))
    ::Sleep(INFINITE);
}

// Asks the reporter for the dump of `pointers` on this thread, waits for it
// (bounded) and ends the process with the exception code.
[[noreturn]] void DumpAndEnd(EXCEPTION_POINTERS* pointers) {
  g_crash_thread_id = ::GetCurrentThreadId();
  g_exception_pointers = pointers;
  const CrashPipeReply request = {CrashPipeMessage::kDumpRequest, 0};
  CrashPipeReply reply = {};
  Exchange(&request, sizeof(request), &reply, kDumpWaitMs);
  ::TerminateProcess(::GetCurrentProcess(), pointers->ExceptionRecord->ExceptionCode);
  ::ExitProcess(pointers->ExceptionRecord->ExceptionCode);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  PassFirstCrashOnly();
  g_assertion.kind = kAssertionKindException;
  DumpAndEnd(pointers);
}

// A report of the C runtime: dumped as an exception of `code` raised here.
[[noreturn]] void DumpReport(uint32_t code) {
  DumpAndEnd(CaptureReportException(code, __builtin_return_address(0)));
}

void __cdecl OnInvalidParameter(const wchar_t* expression, const wchar_t* function,
                                const wchar_t* file, unsigned int line, uintptr_t) {
  PassFirstCrashOnly();
  FillInvalidParameterRecord(expression, function, file, line, &g_assertion);
  DumpReport(kInvalidParameterExceptionCode);
}

void __cdecl OnPureCall() {
  PassFirstCrashOnly();
  g_assertion = AssertionRecord();
  g_assertion.kind = kAssertionKindPureCall;
  DumpReport(kPureCallExceptionCode);
}

// Gives up a connection under way: the process stays without crash
// reporting, and keeps no handle of the reporter or its pipe.
bool FailConnection() {
  if (g_pipe) {
    ::CloseHandle(g_pipe);
    g_pipe = nullptr;
  }
  if (g_reporter) {
    ::CloseHandle(g_reporter);
    g_reporter = nullptr;
  }
  return false;
}

}  // namespace

bool ConnectCrashClient(const std::wstring& pipe_name, uint32_t reporter_process_id,
                        const CrashKeyEntry* entries, size_t entry_count,
                        const void* crash_info) {
  if (g_connected)
    return false;
  g_reporter = ::OpenProcess(SYNCHRONIZE, FALSE, reporter_process_id);
  if (!g_reporter)
    return false;
  if (!::WaitNamedPipeW(pipe_name.c_str(), kConnectWaitMs))
    return FailConnection();
  g_pipe = ::CreateFileW(pipe_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (g_pipe == INVALID_HANDLE_VALUE) {
    g_pipe = nullptr;
    return FailConnection();
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  ::SetNamedPipeHandleState(g_pipe, &mode, nullptr, nullptr);

  CrashPipeRegistration registration = {};
  registration.message = CrashPipeMessage::kRegister;
  registration.process_id = ::GetCurrentProcessId();
  registration.thread_id_address = reinterpret_cast<uintptr_t>(&g_crash_thread_id);
  registration.exception_pointers_address = reinterpret_cast<uintptr_t>(&g_exception_pointers);
  registration.assertion_address = reinterpret_cast<uintptr_t>(&g_assertion);
  registration.entries_address = reinterpret_cast<uintptr_t>(entries);
  registration.entry_count = entry_count;
  registration.crash_info_address = reinterpret_cast<uintptr_t>(crash_info);
  CrashPipeReply reply = {};
  if (!Exchange(&registration, sizeof(registration), &reply, kConnectWaitMs) ||
      reply.message != CrashPipeMessage::kRegistered) {
    return FailConnection();
  }
  ::SetUnhandledExceptionFilter(&OnUnhandledException);
  SetCrtReportHandlers(&OnInvalidParameter, &OnPureCall);
  g_connected = true;
  return true;
}

}  // namespace velta
