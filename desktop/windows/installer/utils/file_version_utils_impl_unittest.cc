// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/file_version_utils_impl.h"

#include <string>

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "velta_build_info.h"

namespace velta {
namespace {

using ::testing::HasSubstr;

// The programs of velta_add_version_test_program (utils/CMakeLists.txt), or
// installer.exe beside this test.
base::FilePath VersionTestProgram(const std::string& name) {
  if (name == "installer")
    return velta::test::GetPathBesideTestExecutable(L"installer.exe");
  return velta::test::FromBuildPath(VELTA_VERSION_TEST_PROGRAMS).AppendASCII(name + ".exe");
}

// What installer.exe's resource gives: the product version with the
// continuous build number appended.
std::string InstallerResourceVersion() {
  return GetProductVersion() + "." + base::NumberToString(VELTA_CONTINUOUS_VERSION);
}

enum class VersionSource { kResources, kExeOutput };
constexpr VersionSource kFromResources = VersionSource::kResources;
constexpr VersionSource kFromOutput = VersionSource::kExeOutput;

struct VersionCase {
  VersionSource source;
  const char* program;
  bool wants_stream;
  // The version, internal version and stream read, or else the detail of
  // the installer error.
  std::string version;
  std::string internal_version;
  std::string stream;
  std::string error;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
  *os << (c.source == VersionSource::kResources ? "resources of " : "output of ") << c.program
      << (c.wants_stream ? " with stream" : "");
}

class FileVersionUtilsTest : public ::testing::TestWithParam<VersionCase> {
 protected:
  ScopedInstallerErrorRecord error_record_;
  FileVersionUtilsImpl utils_;
};

TEST_P(FileVersionUtilsTest, ReadsTheValuesOrRecordsWhyNot) {
  const VersionCase& c = GetParam();
  base::Version version;
  base::Version internal_version;
  std::string stream;
  bool succeeded;
  if (c.source == VersionSource::kResources) {
    std::wstring wide_stream;
    succeeded =
        utils_.GetVersionFromResources(VersionTestProgram(c.program).value(), &version,
                                       &internal_version, c.wants_stream ? &wide_stream : nullptr);
    stream = base::WideToUTF8(wide_stream);
  } else {
    succeeded =
        utils_.GetVersionFromExeOutput(VersionTestProgram(c.program), &version, &internal_version,
                                       c.wants_stream ? &stream : nullptr);
  }

  uint32_t code = 0;
  std::string detail;
  GetInstallerError(&code, &detail, nullptr);
  if (c.error.empty()) {
    ASSERT_TRUE(succeeded) << detail;
    EXPECT_EQ(c.version, version.GetString());
    EXPECT_EQ(c.internal_version, internal_version.GetString());
    EXPECT_EQ(c.stream, stream);
    EXPECT_EQ(0u, code);
  } else {
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(1u, code);
    EXPECT_THAT(detail, HasSubstr(c.error));
  }
}

// A program that never ends, or prints without end, is ended within the
// time and output it is given, and its version is not read.
TEST(FileVersionUtilsBoundsTest, ProgramsAreEndedPastTheirTimeOrOutput) {
  for (const char* program : {"version_hangs", "version_floods"}) {
    SCOPED_TRACE(program);
    ScopedInstallerErrorRecord error_record;
    FileVersionUtilsImpl utils(base::TimeDelta::FromMilliseconds(500));
    base::Version version;
    base::Version internal_version;
    EXPECT_FALSE(utils.GetVersionFromExeOutput(VersionTestProgram(program), &version,
                                               &internal_version, nullptr));
    std::string detail;
    GetInstallerError(nullptr, &detail, nullptr);
    EXPECT_THAT(detail, HasSubstr("Cannot get exe output: version"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Resources, FileVersionUtilsTest,
    ::testing::Values(
        VersionCase{kFromResources, "installer", true, InstallerResourceVersion(),
                    GetInternalVersion() + "." + base::NumberToString(VELTA_CONTINUOUS_VERSION),
                    GetChannelName(), ""},
        VersionCase{kFromResources, "full", true, "12.0.345.6.7890", "345.6.7890", "kestrel", ""},
        VersionCase{kFromResources, "no_continuous", true, "3.1.4.1", "4.1", "sorrel", ""},
        VersionCase{kFromResources, "three_parts_continuous", true, "1.2.3.9", "3.9", "granite",
                    ""},
        VersionCase{kFromResources, "no_stream", false, "1.2.3.4", "3.4", "", ""},
        VersionCase{kFromResources, "no_stream", true, "", "", "",
                    "No stream value in the package"},
        VersionCase{kFromResources, "three_parts", false, "", "", "",
                    "Cannot acquire internal version from the full version: 1.2.3"},
        VersionCase{kFromResources, "six_parts", false, "", "", "",
                    "Cannot acquire internal version from the full version: 1.2.3.4.5.6"},
        VersionCase{kFromResources, "invalid_version", false, "", "", "",
                    "Received an invalid version: 1.2.x.4"},
        VersionCase{kFromResources, "invalid_continuous", false, "", "", "",
                    "Received an invalid continuous build number: 12a"},
        VersionCase{kFromResources, "signed_continuous", false, "", "", "",
                    "Received an invalid continuous build number: +5"},
        VersionCase{kFromResources, "english_table", true, "", "", "",
                    "No product version value in the package"},
        VersionCase{kFromResources, "no_product_version", true, "", "", "",
                    "No product version value in the package"},
        VersionCase{kFromResources, "no_resource", false, "", "", "",
                    "Cannot get the size of file version info"},
        VersionCase{kFromResources, "missing", false, "", "", "",
                    "Cannot get the size of file version info"}));

INSTANTIATE_TEST_SUITE_P(
    ExeOutput, FileVersionUtilsTest,
    ::testing::Values(VersionCase{kFromOutput, "installer", true, GetProductVersion(),
                                  GetInternalVersion(), GetChannelName(), ""},
                      VersionCase{kFromOutput, "full", true, "12.0.345.6", "345.6", "kestrel", ""},
                      VersionCase{kFromOutput, "no_continuous", false, "3.1.4.1", "4.1", "", ""},
                      // The first run's failure is recorded by the operating-system
                      // wrapper; the reason is appended to it.
                      VersionCase{kFromOutput, "no_continuous", true, "", "", "",
                                  "\nCannot get exe output: stream"},
                      VersionCase{kFromOutput, "no_resource", false, "", "", "",
                                  "\nCannot get exe output: version"},
                      VersionCase{kFromOutput, "three_parts", false, "", "", "",
                                  "Invalid version from exe: 1.2.3"},
                      VersionCase{kFromOutput, "six_parts", true, "", "", "",
                                  "Invalid version from exe: 1.2.x.4"}));

}  // namespace
}  // namespace velta
