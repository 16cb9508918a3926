// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_MINIDUMP_WRITER_H_
#define CRASH_REPORTER_MINIDUMP_WRITER_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace base {
class FilePath;
}

namespace velta {

// What a crash records beside the exception: an invalid-parameter report's
// texts, or the kind of crash. Kept by a crashing process and read by the
// process that dumps it; 776 bytes, little-endian.
struct AssertionRecord {
  static constexpr size_t kTextUnits = 128;
  char16_t expression[kTextUnits];
  char16_t function[kTextUnits];
  char16_t file[kTextUnits];
  uint32_t line;
  // 0 exception, 1 invalid parameter, 2 pure call.
  uint32_t kind;
};
static_assert(sizeof(AssertionRecord) == 776, "the record is shared between processes");

enum AssertionKind : uint32_t {
  kAssertionKindException = 0,
  kAssertionKindInvalidParameter = 1,
  kAssertionKindPureCall = 2,
};

// The crash of a crashing crash reporter, read by its fallback handler at the
// address given on the handler's command line: the crashing thread, the
// address of its exception pointers in the crashed process, and the
// assertion record. 792 bytes.
struct ReporterExceptionBlock {
  uint32_t thread_id;
  uint32_t padding;
  uint64_t exception_pointers;
  AssertionRecord assertion;
};
static_assert(sizeof(ReporterExceptionBlock) == 792, "the block is shared between processes");

// The user stream with the product version and build number, and the one
// with the assertion record of an invalid-parameter report.
inline constexpr uint32_t kVersionStreamType = 0x10000;
inline constexpr uint32_t kAssertionStreamType = 0x10001;

// The crash handler's stream of annotations and crash figures.
inline constexpr uint32_t kCrashInfoStreamType = 0x43500001;

// The largest dump of a crashed client, and of a crashed crash reporter.
inline constexpr uint64_t kClientDumpSizeLimit = 3072000;
inline constexpr uint64_t kReporterDumpSizeLimit = 512000;

// Writes a dump of `process` (opened with query and read access) into `file`
// with dbghelp: first with unloaded modules and indirectly referenced
// memory, then, when that is larger than `size_limit` or refused, a normal
// dump. False when no attempt gives a dump within the limit; the file is then
// empty.
bool WriteMinidump(void* process, uint32_t process_id, const ReporterExceptionBlock& block,
                   void* file, uint64_t size_limit, const std::string* crash_info = nullptr);

// WriteMinidump into a new file at `path`; a failed dump leaves no file.
// `process` needs synchronize access as well: a process that ended while it
// was dumped gives no dump.
// `crash_info`, when given, becomes stream kCrashInfoStreamType.
bool WriteMinidumpToFile(void* process, uint32_t process_id, const ReporterExceptionBlock& block,
                         const base::FilePath& path, uint64_t size_limit,
                         const std::string* crash_info = nullptr);

// Dumps a crashed client from the addresses it registered: its crashing
// thread id, its exception pointers and, when given, its assertion record.
// Pointers are read with the build's pointer size (crash clients are the
// reporter's own executable). False when any read fails or comes up short.
bool WriteDumpForClient(uint32_t process_id, uint64_t thread_id_address,
                        uint64_t exception_pointers_address, uint64_t assertion_address,
                        const base::FilePath& path, uint64_t size_limit,
                        const std::string* crash_info = nullptr);

// The exception code of a crashed client, read through its exception
// pointers; 0 when it cannot be read.
uint32_t ReadClientExceptionCode(void* process, uint64_t exception_pointers_address);

// Dumps a crashed crash reporter from the 792-byte block at `block_address`.
bool WriteDumpFromExceptionBlock(uint32_t process_id, uint64_t block_address,
                                 const base::FilePath& path, uint64_t size_limit);

}  // namespace velta

#endif  // CRASH_REPORTER_MINIDUMP_WRITER_H_
