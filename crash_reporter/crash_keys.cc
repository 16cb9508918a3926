// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_keys.h"

#include <windows.h>

#include <stdio.h>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/win/get_function.h"
#include "crash_reporter/crash_environment.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

CrashKeyImplementation* g_implementation = nullptr;

// Allocated once per process, then set.
void SetInitialKey(const char* name, size_t value_size, const std::string& value) {
  CrashKey* key = AllocateCrashKeyString(name, value_size);
  SetCrashKeyString(key, value);
}

}  // namespace

void SetCrashKeyImplementation(std::unique_ptr<CrashKeyImplementation> implementation) {
  delete g_implementation;
  g_implementation = implementation.release();
}

CrashKey* AllocateCrashKeyString(const char* name, size_t value_size) {
  return g_implementation ? g_implementation->Allocate(name, value_size) : nullptr;
}

void SetCrashKeyString(CrashKey* key, std::string_view value) {
  if (g_implementation && key)
    g_implementation->Set(key, value);
}

void ClearCrashKeyString(CrashKey* key) {
  if (g_implementation && key)
    g_implementation->Clear(key);
}

size_t Utf8PrefixLength(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes)
    return text.size();
  size_t length = max_bytes;
  // Step back over continuation bytes (10xxxxxx) to the lead byte of the
  // character that the cut would split, and cut before it.
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    --length;
  return length;
}

std::string MakeBuildId(std::string_view build_timestamp, int revision) {
  std::string id(build_timestamp.substr(0, 8));
  id.resize(8, '0');
  uint64_t magnitude = revision < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(revision))
                                    : static_cast<uint64_t>(revision);
  char digits[8];
  snprintf(digits, sizeof(digits), "%06u", static_cast<unsigned>(magnitude % 1000000));
  return id + digits;
}

std::string GetBuildId() {
  return MakeBuildId(GetBuildTimestamp(), GetRevisionNumber());
}

std::string GetReleaseChannel() {
  switch (GetBuildStream()) {
    case Stream::kGranite:
      return "release";
    case Stream::kMarlin:
      return "beta";
    default:
      return GetChannelName();
  }
}

std::string GetSymbolsPackageName(const base::FilePath& executable) {
  const std::wstring stem = executable.RemoveExtension().value();
  if (base::EndsWith(stem, L"_browsertests", base::CompareCase::SENSITIVE) ||
      base::EndsWith(stem, L"_ui_tests", base::CompareCase::SENSITIVE)) {
    return "tests-symbols";
  }
  return "browser-symbols";
}

std::string GetPlatformName() {
  return sizeof(void*) == 8 ? "Win64" : "Win32";
}

std::string GetExceptionPolicyText() {
  using GetPolicyFunction = BOOL(WINAPI*)(DWORD*);
  const auto get_policy = base::win::GetFunction<GetPolicyFunction>(
      L"kernel32.dll", "GetProcessUserModeExceptionPolicy");
  DWORD flags = 0;
  if (!get_policy || !get_policy(&flags))
    return std::string();
  char text[16];
  snprintf(text, sizeof(text), "0x%04lx", static_cast<unsigned long>(flags));
  return text;
}

std::string GetWow64Text() {
  using IsWow64Function = BOOL(WINAPI*)(HANDLE, BOOL*);
  const auto is_wow64 = base::win::GetFunction<IsWow64Function>(L"kernel32.dll", "IsWow64Process");
  BOOL result = FALSE;
  if (!is_wow64 || !is_wow64(::GetCurrentProcess(), &result))
    return std::string();
  return result ? "1" : "0";
}

void SetInitialCrashKeys(const std::string& process_type, bool uses_crash_handler) {
  base::FilePath executable;
  base::PathService::Get(base::FILE_EXE, &executable);

  SetInitialKey("ptype", 32, process_type.empty() ? "browser" : process_type);
  SetInitialKey("channel", 32, GetChannelName());
  SetInitialKey("ver", 32, GetProductVersion());
  SetInitialKey("prod", 32, GetCrashProductName());
  SetInitialKey("BuildID", 32, GetBuildId());
  SetInitialKey("ReleaseChannel", 32, GetReleaseChannel());
  SetInitialKey("plat", 32, GetPlatformName());
  SetInitialKey("symbols-package", 32, GetSymbolsPackageName(executable));
  SetInitialKey("UBN", 32, base::NumberToString(GetBuildNumber()));
  base::File::Info info;
  if (!executable.empty() && base::GetFileInfo(executable, &info) &&
      !info.creation_time.is_null()) {
    SetInitialKey("InstallTime", 32,
                  base::NumberToString(static_cast<long long>(
                      (info.creation_time - base::Time::UnixEpoch()).InSeconds())));
  }
  SetInitialKey("crash_reporting_system", 32, uses_crash_handler ? "crashpad" : "breakpad");
  SetInitialKey("exception_policy", 32, GetExceptionPolicyText());
  SetInitialKey("is_wow64", 32, GetWow64Text());

  const std::string email = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_EMAIL"));
  if (!email.empty())
    SetInitialKey("Email", 256, email);
  const std::string harness = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_REPORTER_HARNESS_TEST"));
  if (!harness.empty())
    SetInitialKey("harness_test", 256, harness);
  const std::string origin = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_ORIGIN"));
  if (!harness.empty())
    SetInitialKey("Origin", 32, "Harness");
  else if (!origin.empty())
    SetInitialKey("Origin", 32, origin);
}

}  // namespace velta
