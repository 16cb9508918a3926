// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/windows_version.h"

#include <windows.h>

#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/mingw_sdk_gaps.h"
#include "base/win/registry.h"

namespace base::win {

Version MajorMinorBuildToVersion(uint32_t major, uint32_t minor, uint32_t build) {
  if (major < 5)
    return VERSION_PRE_XP;
  if (major == 5) {
    if (minor == 0)
      return VERSION_PRE_XP;  // Windows 2000
    return minor == 1 ? VERSION_XP : VERSION_SERVER_2003;
  }
  if (major == 6) {
    switch (minor) {
      case 0:
        return VERSION_VISTA;
      case 1:
        return VERSION_WIN7;
      case 2:
        return VERSION_WIN8;
      default:
        return VERSION_WIN8_1;
    }
  }
  if (major > 10 || (major == 10 && minor > 0))
    return VERSION_WIN_LAST;  // newer than anything known: compares above all
  if (major < 10)
    return VERSION_WIN8_1;  // 7, 8 and 9 were never released
  struct BuildVersion {
    uint32_t build;
    Version version;
  };
  static constexpr BuildVersion kBuilds[] = {
      {22621, VERSION_WIN11_22H2}, {22000, VERSION_WIN11},      {20348, VERSION_SERVER_2022},
      {19045, VERSION_WIN10_22H2}, {19044, VERSION_WIN10_21H2}, {19043, VERSION_WIN10_21H1},
      {19042, VERSION_WIN10_20H2}, {19041, VERSION_WIN10_20H1}, {18363, VERSION_WIN10_19H2},
      {18362, VERSION_WIN10_19H1}, {17763, VERSION_WIN10_RS5},  {17134, VERSION_WIN10_RS4},
      {16299, VERSION_WIN10_RS3},  {15063, VERSION_WIN10_RS2},  {14393, VERSION_WIN10_RS1},
      {10586, VERSION_WIN10_TH2},
  };
  for (const BuildVersion& entry : kBuilds) {
    if (build >= entry.build)
      return entry.version;
  }
  return VERSION_WIN10;
}

// static
OSInfo* OSInfo::GetInstance() {
  // Never destroyed: callers may ask during shutdown.
  static OSInfo* const instance = new OSInfo();
  return instance;
}

OSInfo::OSInfo() {
  OSVERSIONINFOEXW version_info = {};
  version_info.dwOSVersionInfoSize = sizeof(version_info);
  // RtlGetVersion is in every ntdll; GetVersionExW is the fall-back only in
  // name (it reports Windows 8 to executables without a Windows 10 manifest).
  auto rtl_get_version = BASE_WIN_GET_FUNCTION(L"ntdll.dll", RtlGetVersion);
  if (!rtl_get_version ||
      rtl_get_version(reinterpret_cast<PRTL_OSVERSIONINFOW>(&version_info)) != 0) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version_info));
#pragma GCC diagnostic pop
  }
  version_number_.major = version_info.dwMajorVersion;
  version_number_.minor = version_info.dwMinorVersion;
  version_number_.build = version_info.dwBuildNumber;
  version_ = MajorMinorBuildToVersion(version_number_.major, version_number_.minor,
                                      version_number_.build);
  service_pack_.major = version_info.wServicePackMajor;
  service_pack_.minor = version_info.wServicePackMinor;
  service_pack_str_ = WideToUTF8(version_info.szCSDVersion);
  is_server_ = version_info.wProductType != 0 && version_info.wProductType != VER_NT_WORKSTATION;

  RegKey current_version;
  DWORD ubr = 0;
  if (current_version.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                           KEY_QUERY_VALUE | KEY_WOW64_64KEY) == ERROR_SUCCESS &&
      current_version.ReadValueDW(L"UBR", &ubr) == ERROR_SUCCESS) {
    version_number_.patch = ubr;
  }

  SYSTEM_INFO system_info = {};
  ::GetNativeSystemInfo(&system_info);
  processors_ = static_cast<int>(system_info.dwNumberOfProcessors);
  allocation_granularity_ = system_info.dwAllocationGranularity;

  // IsWow64Process2 knows the real machine also when an x64 process runs
  // emulated on ARM64, where GetNativeSystemInfo answers AMD64.
  USHORT process_machine = IMAGE_FILE_MACHINE_UNKNOWN;
  USHORT native_machine = IMAGE_FILE_MACHINE_UNKNOWN;
  auto is_wow64_process2 = BASE_WIN_GET_FUNCTION(L"kernel32.dll", IsWow64Process2);
  if (is_wow64_process2 &&
      is_wow64_process2(::GetCurrentProcess(), &process_machine, &native_machine)) {
    architecture_ = ArchitectureFromMachine(native_machine);
    wow64_status_ = process_machine == IMAGE_FILE_MACHINE_UNKNOWN ? WOW64_DISABLED : WOW64_ENABLED;
  } else {
    architecture_ = ArchitectureFromProcessorArchitecture(system_info.wProcessorArchitecture);
    wow64_status_ = GetWOW64StatusForProcess(::GetCurrentProcess());
  }
}

// static
OSInfo::WindowsArchitecture OSInfo::ArchitectureFromMachine(uint16_t machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return X86_ARCHITECTURE;
    case IMAGE_FILE_MACHINE_AMD64:
      return X64_ARCHITECTURE;
    case IMAGE_FILE_MACHINE_IA64:
      return IA64_ARCHITECTURE;
    default:
      return OTHER_ARCHITECTURE;
  }
}

// static
OSInfo::WindowsArchitecture OSInfo::ArchitectureFromProcessorArchitecture(
    uint16_t processor_architecture) {
  switch (processor_architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      return X86_ARCHITECTURE;
    case PROCESSOR_ARCHITECTURE_AMD64:
      return X64_ARCHITECTURE;
    case PROCESSOR_ARCHITECTURE_IA64:
      return IA64_ARCHITECTURE;
    default:
      return OTHER_ARCHITECTURE;
  }
}

// static
OSInfo::WOW64Status OSInfo::GetWOW64StatusForProcess(void* process_handle) {
  BOOL is_wow64 = FALSE;
  if (!::IsWow64Process(process_handle, &is_wow64))
    return WOW64_UNKNOWN;
  return is_wow64 ? WOW64_ENABLED : WOW64_DISABLED;
}

Version GetVersion() {
  return OSInfo::GetInstance()->version();
}

}  // namespace base::win
