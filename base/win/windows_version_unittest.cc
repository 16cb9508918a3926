// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/windows_version.h"

#include <windows.h>

#include <tuple>

#include "gtest/gtest.h"

namespace base::win {
namespace {

struct VersionCase {
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  Version expected;
};

class MajorMinorBuildTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(MajorMinorBuildTest, MapsToTheRelease) {
  const VersionCase& c = GetParam();
  EXPECT_EQ(c.expected, MajorMinorBuildToVersion(c.major, c.minor, c.build))
      << c.major << "." << c.minor << "." << c.build;
}

// Each release's first build and the build before it.
INSTANTIATE_TEST_SUITE_P(
    Releases, MajorMinorBuildTest,
    ::testing::Values(VersionCase{4, 0, 1381, VERSION_PRE_XP}, VersionCase{5, 0, 2195, VERSION_PRE_XP},
                      VersionCase{5, 1, 2600, VERSION_XP}, VersionCase{5, 2, 3790, VERSION_SERVER_2003},
                      VersionCase{6, 0, 6002, VERSION_VISTA}, VersionCase{6, 1, 7601, VERSION_WIN7},
                      VersionCase{6, 2, 9200, VERSION_WIN8}, VersionCase{6, 3, 9600, VERSION_WIN8_1},
                      VersionCase{10, 0, 10240, VERSION_WIN10},
                      VersionCase{10, 0, 10585, VERSION_WIN10},
                      VersionCase{10, 0, 10586, VERSION_WIN10_TH2},
                      VersionCase{10, 0, 18361, VERSION_WIN10_RS5},
                      VersionCase{10, 0, 18362, VERSION_WIN10_19H1},
                      VersionCase{10, 0, 19045, VERSION_WIN10_22H2},
                      VersionCase{10, 0, 20348, VERSION_SERVER_2022},
                      VersionCase{10, 0, 22000, VERSION_WIN11},
                      VersionCase{10, 0, 26100, VERSION_WIN11_22H2},
                      VersionCase{11, 0, 0, VERSION_WIN_LAST}));

TEST(WindowsVersionTest, ValuesKeepTheirNumbers) {
  // Callers compare with the numbers (Vista and later: above 2).
  EXPECT_EQ(2, VERSION_SERVER_2003);
  EXPECT_EQ(4, VERSION_WIN7);
  EXPECT_EQ(7, VERSION_WIN10);
  EXPECT_EQ(0, OSInfo::X86_ARCHITECTURE);
  EXPECT_EQ(1, OSInfo::X64_ARCHITECTURE);
  EXPECT_EQ(2, OSInfo::IA64_ARCHITECTURE);
}

// What a machine or processor number reported by Windows becomes, with the
// number callers see: anything but x86, x64 and IA64 is 3.
struct ArchitectureCase {
  uint16_t machine;
  uint16_t processor_architecture;
  int architecture;
};

class WindowsArchitectureTest : public ::testing::TestWithParam<ArchitectureCase> {};

TEST_P(WindowsArchitectureTest, MapsBothReportsToTheSameNumber) {
  const ArchitectureCase& c = GetParam();
  EXPECT_EQ(c.architecture, OSInfo::ArchitectureFromMachine(c.machine));
  EXPECT_EQ(c.architecture,
            OSInfo::ArchitectureFromProcessorArchitecture(c.processor_architecture));
}

INSTANTIATE_TEST_SUITE_P(
    Machines, WindowsArchitectureTest,
    ::testing::Values(
        ArchitectureCase{IMAGE_FILE_MACHINE_I386, PROCESSOR_ARCHITECTURE_INTEL, 0},
        ArchitectureCase{IMAGE_FILE_MACHINE_AMD64, PROCESSOR_ARCHITECTURE_AMD64, 1},
        ArchitectureCase{IMAGE_FILE_MACHINE_IA64, PROCESSOR_ARCHITECTURE_IA64, 2},
        ArchitectureCase{IMAGE_FILE_MACHINE_ARM64, PROCESSOR_ARCHITECTURE_ARM64, 3},
        ArchitectureCase{IMAGE_FILE_MACHINE_ARMNT, PROCESSOR_ARCHITECTURE_ARM, 3},
        ArchitectureCase{IMAGE_FILE_MACHINE_UNKNOWN, PROCESSOR_ARCHITECTURE_UNKNOWN, 3},
        ArchitectureCase{0x5064 /* RISC-V 64 */, PROCESSOR_ARCHITECTURE_MIPS, 3}));

// The test prefix is set to Windows 10 (Wine reports 10.0.18362).
TEST(WindowsVersionTest, ReportsTheRunningWindows) {
  const OSInfo* info = OSInfo::GetInstance();
  EXPECT_EQ(info, OSInfo::GetInstance());
  const OSInfo::VersionNumber number = info->version_number();
  EXPECT_EQ(10u, number.major);
  EXPECT_EQ(0u, number.minor);
  EXPECT_EQ(18362u, number.build);
  EXPECT_EQ(VERSION_WIN10_19H1, GetVersion());
  EXPECT_GE(info->processors(), 1);
  EXPECT_EQ(65536u, info->allocation_granularity());
  EXPECT_FALSE(info->is_server());
}

TEST(WindowsVersionTest, ArchitectureAndWow64MatchTheBinary) {
  const OSInfo* info = OSInfo::GetInstance();
  // The test machine's Wine runs on x86-64: both binaries see a 64-bit system,
  // and only the 32-bit one runs under WOW64.
  EXPECT_EQ(OSInfo::X64_ARCHITECTURE, info->GetArchitecture());
  EXPECT_EQ(sizeof(void*) == 4 ? OSInfo::WOW64_ENABLED : OSInfo::WOW64_DISABLED,
            info->wow64_status());
  EXPECT_EQ(info->wow64_status(), OSInfo::GetWOW64StatusForProcess(::GetCurrentProcess()));
  EXPECT_EQ(OSInfo::WOW64_UNKNOWN, OSInfo::GetWOW64StatusForProcess(nullptr));
}

}  // namespace
}  // namespace base::win
