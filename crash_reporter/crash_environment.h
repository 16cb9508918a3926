// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_ENVIRONMENT_H_
#define CRASH_REPORTER_CRASH_ENVIRONMENT_H_

#include <string>
#include <string_view>

namespace base {
class FilePath;
}

namespace velta {

// The configuration that crash clients and the crash reporter share: the
// environment variables, the user data folder, the dump folder and the crash
// counter file.

// "VELTA_" followed by `suffix`: the product word in upper case and "_".
std::string GetCrashEnvVarName(std::string_view suffix);

// The environment variable `name` as UTF-8; empty when unset. Read through
// the system (not the C runtime's copy), so changes made by the process with
// SetEnvironmentVariableW are seen.
std::string GetEnvironmentUtf8(const std::string& name);

// When `name` is set: true exactly for "1" and for "YES" or "TRUE" in any
// ASCII case. When it is not set: `default_value`.
bool GetEnvBool(const std::string& name, bool default_value);

// The user data folder: the `user-data-dir` switch's folder when it exists or
// can be made, absolute; else, under the same condition, the current
// installation's browser profile folder, from the function set below; else
// empty. Computed once per process, on first use.
const base::FilePath& GetUserDataFolder();

// The current installation's browser profile folder, or empty. The
// installer sets it at start-up, before crash reporting starts: crash
// reporting starts before the installer's own objects and may not reach
// them itself. Without it the user data folder has no fallback.
using ProfileFolderGetter = base::FilePath (*)();
void SetProfileFolderGetter(ProfileFolderGetter getter);

// VELTA_CRASH_LOG_DIR when it names a folder that exists or can be made
// (absolute), else "Crash Reports" in the user data folder, made when
// missing. False when neither works.
bool GetCrashDumpDirectory(base::FilePath* path);

// "crash_count.txt" in the user data folder; false without one.
bool GetCrashCountFilePath(base::FilePath* path);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_ENVIRONMENT_H_
