// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_WINDOWS_VERSION_H_
#define BASE_WIN_WINDOWS_VERSION_H_

#include <stdint.h>

#include <string>

namespace base::win {

// Windows releases, in order, so that versions compare with < and >. The
// values are fixed (callers and logs use the numbers: VERSION_SERVER_2003 is
// 2). Windows Server releases map to the client release of the same kernel.
enum Version {
  VERSION_PRE_XP = 0,   // Not supported.
  VERSION_XP = 1,
  VERSION_SERVER_2003 = 2,  // Also XP Professional x64.
  VERSION_VISTA = 3,        // Also Server 2008.
  VERSION_WIN7 = 4,         // Also Server 2008 R2.
  VERSION_WIN8 = 5,         // Also Server 2012.
  VERSION_WIN8_1 = 6,       // Also Server 2012 R2.
  VERSION_WIN10 = 7,        // Threshold 1: 10.0.10240.
  VERSION_WIN10_TH2 = 8,    // 10586
  VERSION_WIN10_RS1 = 9,    // 14393, also Server 2016
  VERSION_WIN10_RS2 = 10,   // 15063
  VERSION_WIN10_RS3 = 11,   // 16299
  VERSION_WIN10_RS4 = 12,   // 17134
  VERSION_WIN10_RS5 = 13,   // 17763, also Server 2019
  VERSION_WIN10_19H1 = 14,  // 18362
  VERSION_WIN10_19H2 = 15,  // 18363
  VERSION_WIN10_20H1 = 16,  // 19041
  VERSION_WIN10_20H2 = 17,  // 19042
  VERSION_WIN10_21H1 = 18,  // 19043
  VERSION_WIN10_21H2 = 19,  // 19044
  VERSION_WIN10_22H2 = 20,  // 19045
  VERSION_SERVER_2022 = 21, // 20348
  VERSION_WIN11 = 22,       // 22000
  VERSION_WIN11_22H2 = 23,  // 22621 and later
  VERSION_WIN_LAST,         // Always the last value.
};

// The release that a major.minor.build version number stands for.
Version MajorMinorBuildToVersion(uint32_t major, uint32_t minor, uint32_t build);

// Facts about the running Windows, read once (on first use, from any thread)
// and then constant. The version comes from RtlGetVersion, so it is the real
// one whatever the executable's manifest declares.
class OSInfo {
 public:
  struct VersionNumber {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    // The update build revision ("UBR" in the registry); 0 when unknown.
    uint32_t patch = 0;
  };

  struct ServicePack {
    int major = 0;
    int minor = 0;
  };

  // The processor architecture of the operating system (not of this process).
  // The numbers are fixed: callers and logs use them, and every other
  // architecture (ARM64 included) is OTHER_ARCHITECTURE.
  enum WindowsArchitecture {
    X86_ARCHITECTURE = 0,
    X64_ARCHITECTURE = 1,
    IA64_ARCHITECTURE = 2,
    OTHER_ARCHITECTURE = 3,
  };

  // Whether this process runs under WOW64 (a 32-bit process on 64-bit
  // Windows).
  enum WOW64Status {
    WOW64_DISABLED,
    WOW64_ENABLED,
    WOW64_UNKNOWN,
  };

  static OSInfo* GetInstance();

  OSInfo(const OSInfo&) = delete;
  OSInfo& operator=(const OSInfo&) = delete;

  Version version() const { return version_; }
  VersionNumber version_number() const { return version_number_; }
  ServicePack service_pack() const { return service_pack_; }
  // "Service Pack 1", or empty.
  const std::string& service_pack_str() const { return service_pack_str_; }
  WindowsArchitecture GetArchitecture() const { return architecture_; }
  WOW64Status wow64_status() const { return wow64_status_; }
  int processors() const { return processors_; }
  size_t allocation_granularity() const { return allocation_granularity_; }
  // True on Windows Server, false on client releases.
  bool is_server() const { return is_server_; }

  // The WOW64 status of another process (needs PROCESS_QUERY_(LIMITED_)
  // INFORMATION access).
  static WOW64Status GetWOW64StatusForProcess(void* process_handle);

  // The architecture that a native machine (IMAGE_FILE_MACHINE_*, as
  // IsWow64Process2 reports it) or a processor architecture
  // (PROCESSOR_ARCHITECTURE_*, as GetNativeSystemInfo reports it) stands for.
  static WindowsArchitecture ArchitectureFromMachine(uint16_t machine);
  static WindowsArchitecture ArchitectureFromProcessorArchitecture(
      uint16_t processor_architecture);

 private:
  OSInfo();
  ~OSInfo() = delete;

  Version version_ = VERSION_PRE_XP;
  VersionNumber version_number_;
  ServicePack service_pack_;
  std::string service_pack_str_;
  WindowsArchitecture architecture_ = OTHER_ARCHITECTURE;
  WOW64Status wow64_status_ = WOW64_UNKNOWN;
  int processors_ = 0;
  size_t allocation_granularity_ = 0;
  bool is_server_ = false;
};

// Shorthand for OSInfo::GetInstance()->version().
Version GetVersion();

}  // namespace base::win

#endif  // BASE_WIN_WINDOWS_VERSION_H_
