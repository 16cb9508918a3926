// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_PIPE_PROTOCOL_H_
#define CRASH_REPORTER_CRASH_PIPE_PROTOCOL_H_

#include <stdint.h>

namespace velta {

// The messages between a crash client and its crash reporter on the pipe
// "\\.\pipe\VeltaCrashReporter<reporter id>" (message mode). A client
// registers once, right after connecting, with the addresses of what the
// reporter reads out of its memory at dump time; it keeps the connection
// open, and on a crash sends a dump request and waits for the reply. Client
// and reporter are the same executable, so addresses have the build's
// pointer size; they travel as 64-bit numbers.

enum class CrashPipeMessage : uint32_t {
  kRegister = 1,
  kRegistered = 2,
  kDumpRequest = 3,
  kDumpDone = 4,
};

struct CrashPipeRegistration {
  CrashPipeMessage message;  // kRegister
  uint32_t process_id;
  uint64_t thread_id_address;           // DWORD: the crashing thread
  uint64_t exception_pointers_address;  // EXCEPTION_POINTERS*
  uint64_t assertion_address;           // AssertionRecord
  uint64_t entries_address;             // CrashKeyEntry[entry_count]
  uint64_t entry_count;
  uint64_t crash_info_address;          // CrashpadInfo; 0 on the own road
};

struct CrashPipeReply {
  CrashPipeMessage message;  // kRegistered, kDumpRequest or kDumpDone
  uint32_t result;           // kDumpDone: 1 when a dump was written
};

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_PIPE_PROTOCOL_H_
