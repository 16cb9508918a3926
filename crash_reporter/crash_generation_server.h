// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_GENERATION_SERVER_H_
#define CRASH_REPORTER_CRASH_GENERATION_SERVER_H_

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "base/threading/platform_thread.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_key_table.h"

namespace velta {

// A client's dump request as the server hands it on: the client's addresses
// and its crash key entries, read out of its memory, with one entry more,
// "ptime", the client's run time in milliseconds.
struct ClientDumpRequest {
  uint32_t process_id = 0;
  void* process = nullptr;  // query, read and terminate access; valid during the call
  uint64_t thread_id_address = 0;
  uint64_t exception_pointers_address = 0;
  uint64_t assertion_address = 0;
  uint64_t crash_info_address = 0;
  std::vector<CrashKeyEntry> entries;
};

// Serves crash clients on a named pipe: one thread accepts connections, one
// thread per client waits for its dump request and runs the callback on it;
// the client hears that its dump is done when the callback returns. The
// callback may run on several threads at once (one per crashing client). A
// client is served only when the process it registers is the one at the
// other end of its pipe connection.
class CrashGenerationServer {
 public:
  using DumpRequestCallback = std::function<bool(const ClientDumpRequest& request)>;

  // `security_attributes` (may be null) must outlive Start.
  CrashGenerationServer(std::wstring pipe_name, void* security_attributes,
                        DumpRequestCallback callback);
  CrashGenerationServer(const CrashGenerationServer&) = delete;
  CrashGenerationServer& operator=(const CrashGenerationServer&) = delete;
  // Stops accepting, drops the clients still connected and waits for every
  // thread of the server to end.
  ~CrashGenerationServer();

  // Makes the first pipe instance (so clients can connect once this returns
  // true) and starts the accepting thread.
  bool Start();

 private:
  struct Client;

  void* CreatePipeInstance(bool first);
  static unsigned long __stdcall AcceptThreadMain(void* context);
  static unsigned long __stdcall ClientThreadMain(void* context);
  void AcceptLoop();
  void ServeClient(void* pipe);

  const std::wstring pipe_name_;
  void* const security_attributes_;
  const DumpRequestCallback callback_;
  base::win::ScopedHandle stop_event_;
  base::win::ScopedHandle first_instance_;
  base::win::ScopedHandle accept_thread_;
  // The client threads, joined by the destructor. Touched by the accepting
  // thread and, after it has ended, by the destructor.
  std::vector<base::win::ScopedHandle> client_threads_;
};

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_GENERATION_SERVER_H_
