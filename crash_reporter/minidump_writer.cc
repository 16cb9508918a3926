// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/minidump_writer.h"

#include <windows.h>

#include <dbghelp.h>

#include <string>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/strings/string_number_conversions.h"
#include "base/synchronization/lock.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_module.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

// MiniDumpWithUnloadedModules | MiniDumpWithIndirectlyReferencedMemory.
constexpr MINIDUMP_TYPE kFirstDumpType = static_cast<MINIDUMP_TYPE>(0x60);
constexpr MINIDUMP_TYPE kNormalDumpType = static_cast<MINIDUMP_TYPE>(0x0);
// What dbghelp reports for a dump type it refuses.
constexpr DWORD kInvalidArgument = 0x80070057;

using WriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                        PMINIDUMP_EXCEPTION_INFORMATION,
                                        PMINIDUMP_USER_STREAM_INFORMATION,
                                        PMINIDUMP_CALLBACK_INFORMATION);
using SymInitializeFunction = BOOL(WINAPI*)(HANDLE, PCWSTR, BOOL);
using SymCleanupFunction = BOOL(WINAPI*)(HANDLE);

// `name` of `dbghelp` as a `Function`, or null when the library did not load
// or lacks it.
template <typename Function>
Function GetDbghelpFunction(const base::win::ScopedModule& dbghelp, const char* name) {
  return dbghelp.IsValid() ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(
                                 ::GetProcAddress(dbghelp.get(), name)))
                           : nullptr;
}

// A symbol handler session for a dumped process that loads no module's
// symbols, open while the dump is written. A dbghelp that finds no session
// opens its own one that loads every module (our test environment's does),
// and then copies each function's unwind data of every module into the dump:
// one read of the other process per function, tens of thousands a dump and
// minutes on a busy machine. The dump's module list does not need the
// session: it is read from the process's loader.
class ScopedSymbolSession {
 public:
  ScopedSymbolSession(const base::win::ScopedModule& dbghelp, HANDLE process)
      : process_(process),
        cleanup_(GetDbghelpFunction<SymCleanupFunction>(dbghelp, "SymCleanup")) {
    const auto initialize =
        GetDbghelpFunction<SymInitializeFunction>(dbghelp, "SymInitializeW");
    // Without a session the dump is still written, only slower.
    open_ = initialize && cleanup_ && initialize(process, nullptr, FALSE);
  }
  ScopedSymbolSession(const ScopedSymbolSession&) = delete;
  ScopedSymbolSession& operator=(const ScopedSymbolSession&) = delete;
  ~ScopedSymbolSession() {
    if (open_)
      cleanup_(process_);
  }

 private:
  const HANDLE process_;
  const SymCleanupFunction cleanup_;
  bool open_ = false;
};

bool TruncateToEmpty(HANDLE file) {
  LARGE_INTEGER zero = {};
  return ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

bool ReadExactly(HANDLE process, uint64_t address, void* buffer, size_t size) {
  SIZE_T read = 0;
  return ::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)),
                             buffer, size, &read) &&
         read == size;
}

}  // namespace

bool WriteMinidump(void* process, uint32_t process_id, const ReporterExceptionBlock& block,
                   void* file, uint64_t size_limit, const std::string* crash_info) {
  // dbghelp is single-threaded, and clients that crash at once are dumped
  // on threads of their own: one dump at a time.
  static base::NoDestructor<base::Lock> dbghelp_lock;
  base::AutoLock locked(*dbghelp_lock);
  // Loaded for this call only, and freed again afterwards.
  const base::win::ScopedModule dbghelp(::LoadLibraryW(L"dbghelp.dll"));
  const auto write_dump = GetDbghelpFunction<WriteDumpFunction>(dbghelp, "MiniDumpWriteDump");
  if (!write_dump) {
    LOG(ERROR) << "MiniDumpWriteDump is not available";
    return false;
  }
  const ScopedSymbolSession symbol_session(dbghelp, process);

  MINIDUMP_EXCEPTION_INFORMATION exception = {};
  exception.ThreadId = block.thread_id;
  exception.ExceptionPointers =
      reinterpret_cast<EXCEPTION_POINTERS*>(static_cast<uintptr_t>(block.exception_pointers));
  exception.ClientPointers = TRUE;

  std::string version = GetProductVersion() + " " + base::NumberToString(GetBuildNumber());
  AssertionRecord assertion = block.assertion;
  MINIDUMP_USER_STREAM streams[3] = {};
  streams[0].Type = kVersionStreamType;
  streams[0].BufferSize = static_cast<ULONG>(version.size());
  streams[0].Buffer = version.data();
  MINIDUMP_USER_STREAM_INFORMATION user_streams = {};
  user_streams.UserStreamCount = 1;
  user_streams.UserStreamArray = streams;
  if (block.assertion.kind == kAssertionKindInvalidParameter) {
    streams[1].Type = kAssertionStreamType;
    streams[1].BufferSize = sizeof(assertion);
    streams[1].Buffer = &assertion;
    user_streams.UserStreamCount = 2;
  }
  std::string crash_info_copy = crash_info ? *crash_info : std::string();
  if (crash_info) {
    MINIDUMP_USER_STREAM& stream = streams[user_streams.UserStreamCount++];
    stream.Type = kCrashInfoStreamType;
    stream.BufferSize = static_cast<ULONG>(crash_info_copy.size());
    stream.Buffer = crash_info_copy.data();
  }

  for (const MINIDUMP_TYPE type : {kFirstDumpType, kNormalDumpType}) {
    // Without exception pointers there is no exception to record: dbghelp
    // would read through a null pointer of the dumped process (Wine's 32-bit
    // dbghelp crashes on it).
    if (write_dump(process, process_id, file, type,
                   block.exception_pointers ? &exception : nullptr, &user_streams, nullptr)) {
      LARGE_INTEGER size = {};
      if (!::GetFileSizeEx(file, &size)) {
        PLOG(ERROR) << "Cannot read the size of the dump";
        return false;
      }
      if (static_cast<uint64_t>(size.QuadPart) <= size_limit)
        return true;
      LOG(WARNING) << "Dump of type " << static_cast<int>(type) << " is too large: "
                   << size.QuadPart;
    } else {
      const DWORD error = ::GetLastError();
      if (error != kInvalidArgument) {
        LOG(ERROR) << "MiniDumpWriteDump failed with error " << error;
        return false;
      }
    }
    if (!TruncateToEmpty(file))
      return false;
  }
  return false;
}

bool WriteMinidumpToFile(void* process, uint32_t process_id, const ReporterExceptionBlock& block,
                         const base::FilePath& path, uint64_t size_limit,
                         const std::string* crash_info) {
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
  if (!file.IsValid()) {
    PLOG(ERROR) << "Cannot create the dump file " << path.value();
    return false;
  }
  bool written = WriteMinidump(process, process_id, block, file.Get(), size_limit, crash_info);
  // A process that ended while it was dumped (killed, or a crashed crash
  // reporter whose fallback handler ended) leaves a dump without its threads
  // and exception: no use to anyone.
  if (written && ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
    LOG(ERROR) << "Process " << process_id << " ended while its dump was written";
    written = false;
  }
  file.Close();
  if (!written)
    ::DeleteFileW(path.value().c_str());
  return written;
}

bool WriteDumpForClient(uint32_t process_id, uint64_t thread_id_address,
                        uint64_t exception_pointers_address, uint64_t assertion_address,
                        const base::FilePath& path, uint64_t size_limit,
                        const std::string* crash_info) {
  base::win::ScopedHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, process_id));
  if (!process.IsValid()) {
    PLOG(ERROR) << "Cannot open the crashed process " << process_id;
    return false;
  }
  ReporterExceptionBlock block = {};
  void* exception_pointers = nullptr;
  DWORD thread_id = 0;
  if (!ReadExactly(process.Get(), exception_pointers_address, &exception_pointers,
                   sizeof(exception_pointers)) ||
      !ReadExactly(process.Get(), thread_id_address, &thread_id, sizeof(thread_id)) ||
      (assertion_address &&
       !ReadExactly(process.Get(), assertion_address, &block.assertion, sizeof(block.assertion)))) {
    LOG(ERROR) << "Cannot read the crash of process " << process_id;
    return false;
  }
  block.thread_id = thread_id;
  block.exception_pointers = reinterpret_cast<uintptr_t>(exception_pointers);
  return WriteMinidumpToFile(process.Get(), process_id, block, path, size_limit, crash_info);
}

uint32_t ReadClientExceptionCode(void* process, uint64_t exception_pointers_address) {
  EXCEPTION_POINTERS* pointers = nullptr;
  EXCEPTION_POINTERS copy = {};
  DWORD code = 0;
  if (!ReadExactly(process, exception_pointers_address, &pointers, sizeof(pointers)) ||
      !ReadExactly(process, reinterpret_cast<uintptr_t>(pointers), &copy, sizeof(copy)) ||
      !ReadExactly(process, reinterpret_cast<uintptr_t>(copy.ExceptionRecord), &code,
                   sizeof(code))) {
    return 0;
  }
  return code;
}

bool WriteDumpFromExceptionBlock(uint32_t process_id, uint64_t block_address,
                                 const base::FilePath& path, uint64_t size_limit) {
  base::win::ScopedHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, process_id));
  if (!process.IsValid()) {
    PLOG(ERROR) << "Cannot open the crashed crash reporter " << process_id;
    return false;
  }
  ReporterExceptionBlock block = {};
  if (!ReadExactly(process.Get(), block_address, &block, sizeof(block))) {
    LOG(ERROR) << "Cannot read the exception block of process " << process_id;
    return false;
  }
  return WriteMinidumpToFile(process.Get(), process_id, block, path, size_limit);
}

}  // namespace velta
