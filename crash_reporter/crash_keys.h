// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_KEYS_H_
#define CRASH_REPORTER_CRASH_KEYS_H_

#include <stddef.h>

#include <memory>
#include <string>
#include <string_view>

namespace base {
class FilePath;
}

namespace velta {

// A named text value that a process carries into its crash report. The name
// must have static lifetime; `value_size` is the declared size of the value
// including its terminating 0, as the key was allocated.
struct CrashKey {
  const char* name;
  size_t value_size;
};

// Where crash keys are kept: the own reporter's key table (CrashKeyTable) or
// nothing. Installed once at start-up; every operation may be called from any
// thread.
class CrashKeyImplementation {
 public:
  virtual ~CrashKeyImplementation() = default;
  // Returns a key object owned by the implementation.
  virtual CrashKey* Allocate(const char* name, size_t value_size) = 0;
  virtual void Set(CrashKey* key, std::string_view value) = 0;
  virtual void Clear(CrashKey* key) = 0;
};

// Installs `implementation` as the process's crash key store, deleting an
// earlier one. Null removes it; the crash key functions then do nothing.
// Called on the main thread during start-up, before keys are set.
void SetCrashKeyImplementation(std::unique_ptr<CrashKeyImplementation> implementation);

// The crash key functions. Without an implementation Allocate returns null
// and Set and Clear do nothing.
CrashKey* AllocateCrashKeyString(const char* name, size_t value_size);
void SetCrashKeyString(CrashKey* key, std::string_view value);
void ClearCrashKeyString(CrashKey* key);

// Sets the keys that every installer process carries: process type, product,
// version, build, platform, install time, the reporting system and the
// harness values from the environment. `uses_crash_handler` names the
// reporting system "crashpad", else "breakpad". Each key is allocated once per
// process.
void SetInitialCrashKeys(const std::string& process_type, bool uses_crash_handler);

// The first 8 characters of `build_timestamp` (right-padded with "0" to 8)
// followed by the last 6 decimal digits of `revision` (left-padded with "0").
// A negative revision counts by its magnitude.
std::string MakeBuildId(std::string_view build_timestamp, int revision);
// MakeBuildId of this build's timestamp and revision.
std::string GetBuildId();

// "release" for the release stream, "beta" for this build's test stream
// (marlin), the channel name for the others.
std::string GetReleaseChannel();

// "tests-symbols" when the executable's name without its extension ends with
// "_browsertests" or "_ui_tests" (case-sensitive), else "browser-symbols".
std::string GetSymbolsPackageName(const base::FilePath& executable);

// "Win64" for a 64-bit build, "Win32" for a 32-bit one: the platform that a
// dump of this process must be read as.
std::string GetPlatformName();

// The user-mode exception policy as "0x%04x"; empty when the system lacks
// the function or it fails (so always under Wine).
std::string GetExceptionPolicyText();

// "1" or "0" from IsWow64Process for this process; empty on failure.
std::string GetWow64Text();

// The length of the longest prefix of `text` that is at most `max_bytes`
// long and does not end inside a UTF-8 multi-byte sequence.
size_t Utf8PrefixLength(std::string_view text, size_t max_bytes);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_KEYS_H_
