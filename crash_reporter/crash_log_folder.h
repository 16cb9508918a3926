// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_LOG_FOLDER_H_
#define CRASH_REPORTER_CRASH_LOG_FOLDER_H_

#include <stdint.h>

#include <string>

namespace base {
class FilePath;
}

namespace velta {

// Path service keys that an embedding process may provide: the crash
// reporter's own crash counter file and the browser's local-state file.
// Nothing in the installer registers them.
inline constexpr int kReporterCrashCountFileKey = 2015;
inline constexpr int kLocalStateFileKey = 2016;

// Sets the process-wide crash log folder (VELTA_CRASH_LOG_DIR, made with any
// missing parents, else the temporary folder), the reporter's crash counter
// file and the local-state file, and registers the `user-data-dir` switch's
// folder as the user data folder. True when a crash log folder is known.
// Called once, on the main thread of a crash role, before other threads run.
bool InitCrashLogDirectory();

const base::FilePath& GetCrashLogDirectory();
const base::FilePath& GetReporterCrashCountFile();
const base::FilePath& GetLocalStateFile();

// Adds 1 to the process's dump sequence number atomically and returns the new
// value: the first dump of a process gets 1.
uint32_t NextDumpSequenceNumber();

// "velta-crashlog-<this process id>-<sequence>.dmp", without a folder.
std::string MakeDumpFileName(uint32_t sequence);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_LOG_FOLDER_H_
