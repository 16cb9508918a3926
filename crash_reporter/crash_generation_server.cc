// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_generation_server.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_pipe_protocol.h"

namespace velta {
namespace {

constexpr DWORD kPipeBufferBytes = 4096;
// The most key entries the server reads from one client.
constexpr uint64_t kMaxEntries = CrashKeyTable::kEntryCount;

// Waits for an overlapped operation on `pipe`, or for `stop`. True when the
// operation completed with `expected` bytes.
bool FinishOverlapped(HANDLE pipe, OVERLAPPED* overlapped, BOOL started, HANDLE stop,
                      DWORD expected) {
  if (!started && ::GetLastError() != ERROR_IO_PENDING)
    return false;
  const HANDLE handles[] = {overlapped->hEvent, stop};
  if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0) {
    ::CancelIo(pipe);
    DWORD ignored = 0;
    ::GetOverlappedResult(pipe, overlapped, &ignored, TRUE);
    return false;
  }
  DWORD transferred = 0;
  return ::GetOverlappedResult(pipe, overlapped, &transferred, FALSE) && transferred == expected;
}

bool ReadMessage(HANDLE pipe, void* buffer, DWORD size, HANDLE stop) {
  base::win::ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event.Get();
  const BOOL started = ::ReadFile(pipe, buffer, size, nullptr, &overlapped);
  return FinishOverlapped(pipe, &overlapped, started, stop, size);
}

bool WriteMessage(HANDLE pipe, const void* buffer, DWORD size, HANDLE stop) {
  base::win::ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event.Get();
  const BOOL started = ::WriteFile(pipe, buffer, size, nullptr, &overlapped);
  return FinishOverlapped(pipe, &overlapped, started, stop, size);
}

void SetEntry(CrashKeyEntry* entry, const std::u16string& name, const std::u16string& value) {
  std::fill(std::begin(entry->name), std::end(entry->name), u'\0');
  std::fill(std::begin(entry->value), std::end(entry->value), u'\0');
  std::copy_n(name.data(), std::min<size_t>(name.size(), CrashKeyEntry::kUnits - 1), entry->name);
  std::copy_n(value.data(), std::min<size_t>(value.size(), CrashKeyEntry::kUnits - 1),
              entry->value);
}

// The client's run time in milliseconds, from its creation time.
int64_t RunTimeMilliseconds(HANDLE process) {
  FILETIME creation, exit_time, kernel, user, now;
  if (!::GetProcessTimes(process, &creation, &exit_time, &kernel, &user))
    return 0;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER start = {{creation.dwLowDateTime, creation.dwHighDateTime}};
  ULARGE_INTEGER end = {{now.dwLowDateTime, now.dwHighDateTime}};
  return end.QuadPart > start.QuadPart ? static_cast<int64_t>((end.QuadPart - start.QuadPart) / 10000)
                                       : 0;
}

}  // namespace

struct CrashGenerationServer::Client {
  CrashGenerationServer* server;
  HANDLE pipe;
};

CrashGenerationServer::CrashGenerationServer(std::wstring pipe_name, void* security_attributes,
                                             DumpRequestCallback callback)
    : pipe_name_(std::move(pipe_name)),
      security_attributes_(security_attributes),
      callback_(std::move(callback)) {}

CrashGenerationServer::~CrashGenerationServer() {
  if (stop_event_.IsValid())
    ::SetEvent(stop_event_.Get());
  if (accept_thread_.IsValid())
    ::WaitForSingleObject(accept_thread_.Get(), INFINITE);
  for (const base::win::ScopedHandle& thread : client_threads_)
    ::WaitForSingleObject(thread.Get(), INFINITE);
}

void* CrashGenerationServer::CreatePipeInstance(bool first) {
  return ::CreateNamedPipeW(
      pipe_name_.c_str(),
      PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
      kPipeBufferBytes, kPipeBufferBytes, 0, static_cast<SECURITY_ATTRIBUTES*>(security_attributes_));
}

bool CrashGenerationServer::Start() {
  stop_event_.Set(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_event_.IsValid())
    return false;
  first_instance_.Set(CreatePipeInstance(true));
  if (!first_instance_.IsValid()) {
    PLOG(ERROR) << "Cannot create the crash pipe";
    return false;
  }
  accept_thread_.Set(
      ::CreateThread(nullptr, 0, &CrashGenerationServer::AcceptThreadMain, this, 0, nullptr));
  return accept_thread_.IsValid();
}

// static
unsigned long __stdcall CrashGenerationServer::AcceptThreadMain(void* context) {
  static_cast<CrashGenerationServer*>(context)->AcceptLoop();
  return 0;
}

void CrashGenerationServer::AcceptLoop() {
  base::win::ScopedHandle pipe(first_instance_.Take());
  base::win::ScopedHandle connected(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  while (pipe.IsValid()) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = connected.Get();
    ::ResetEvent(connected.Get());
    bool is_connected = ::ConnectNamedPipe(pipe.Get(), &overlapped) != FALSE;
    if (!is_connected) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_PIPE_CONNECTED) {
        is_connected = true;
      } else if (error == ERROR_IO_PENDING) {
        DWORD ignored = 0;
        is_connected = FinishOverlapped(pipe.Get(), &overlapped, FALSE, stop_event_.Get(), 0) ||
                       ::GetOverlappedResult(pipe.Get(), &overlapped, &ignored, FALSE);
      }
    }
    if (::WaitForSingleObject(stop_event_.Get(), 0) == WAIT_OBJECT_0)
      return;
    if (is_connected) {
      auto* client = new Client{this, pipe.Take()};
      HANDLE thread = ::CreateThread(nullptr, 0, &CrashGenerationServer::ClientThreadMain, client,
                                     0, nullptr);
      if (thread) {
        client_threads_.emplace_back(thread);
      } else {
        ::CloseHandle(client->pipe);
        delete client;
      }
    }
    pipe.Set(CreatePipeInstance(false));
  }
  PLOG(ERROR) << "Cannot create a further instance of the crash pipe";
}

// static
unsigned long __stdcall CrashGenerationServer::ClientThreadMain(void* context) {
  Client* client = static_cast<Client*>(context);
  base::win::ScopedHandle pipe(client->pipe);
  CrashGenerationServer* server = client->server;
  delete client;
  server->ServeClient(pipe.Get());
  return 0;
}

void CrashGenerationServer::ServeClient(void* pipe) {
  const HANDLE stop = stop_event_.Get();
  CrashPipeRegistration registration = {};
  if (!ReadMessage(pipe, &registration, sizeof(registration), stop) ||
      registration.message != CrashPipeMessage::kRegister ||
      registration.entry_count > kMaxEntries) {
    LOG(WARNING) << "A crash client sent no valid registration";
    return;
  }
  // Any process of the user may connect: it is served only in its own name,
  // never for another process to be read, dumped or terminated.
  ULONG client_id = 0;
  if (!::GetNamedPipeClientProcessId(pipe, &client_id)) {
    PLOG(WARNING) << "Refused the crash client registration for process "
                  << registration.process_id << ": the pipe's client cannot be named";
    return;
  }
  if (client_id != registration.process_id) {
    LOG(WARNING) << "Refused the crash client registration for process "
                 << registration.process_id << ": the pipe's client is process " << client_id;
    return;
  }
  base::win::ScopedHandle process(::OpenProcess(
      PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
      registration.process_id));
  if (!process.IsValid()) {
    PLOG(WARNING) << "Cannot open crash client " << registration.process_id;
    return;
  }
  const CrashPipeReply registered = {CrashPipeMessage::kRegistered, 0};
  if (!WriteMessage(pipe, &registered, sizeof(registered), stop))
    return;
  LOG(INFO) << "Crash client " << registration.process_id << " registered";

  for (;;) {
    CrashPipeReply request = {};
    if (!ReadMessage(pipe, &request, sizeof(request), stop) ||
        request.message != CrashPipeMessage::kDumpRequest) {
      return;  // The client has gone (or the server stops).
    }
    ClientDumpRequest dump;
    dump.process_id = registration.process_id;
    dump.process = process.Get();
    dump.thread_id_address = registration.thread_id_address;
    dump.exception_pointers_address = registration.exception_pointers_address;
    dump.assertion_address = registration.assertion_address;
    dump.crash_info_address = registration.crash_info_address;
    dump.entries.resize(static_cast<size_t>(registration.entry_count));
    SIZE_T read = 0;
    const size_t bytes = dump.entries.size() * sizeof(CrashKeyEntry);
    if (bytes && (!::ReadProcessMemory(process.Get(),
                                       reinterpret_cast<const void*>(
                                           static_cast<uintptr_t>(registration.entries_address)),
                                       dump.entries.data(), bytes, &read) ||
                  read != bytes)) {
      LOG(WARNING) << "Cannot read the crash keys of client " << registration.process_id;
      dump.entries.clear();
    }
    dump.entries.emplace_back();
    SetEntry(&dump.entries.back(), u"ptime",
             base::UTF8ToUTF16(base::NumberToString(
                 static_cast<long long>(RunTimeMilliseconds(process.Get())))));
    const bool written = callback_(dump);
    const CrashPipeReply done = {CrashPipeMessage::kDumpDone, written ? 1u : 0u};
    WriteMessage(pipe, &done, sizeof(done), stop);
  }
}

}  // namespace velta
