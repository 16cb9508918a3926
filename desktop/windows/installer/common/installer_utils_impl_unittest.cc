// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/installer_utils_impl.h"

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/host_resources.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Exits with 1 inside a package, 0 outside.
VELTA_TEST_CHILD_MAIN(ReportInsidePackage) {
  return IsRunningInsidePackage() ? 1 : 0;
}

struct PackageCase {
  const char* name;
  const wchar_t* executable_name;
  bool has_browser_executable;
  // Kept as a folder of that name when false, so only a file counts.
  bool has_files_list;
  std::vector<const char*> switches;
  bool inside_package;
};

void PrintTo(const PackageCase& package_case, std::ostream* out) {
  *out << package_case.name;
}

class InsidePackageTest : public ::testing::TestWithParam<PackageCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  base::ScopedTempDir temp_;
};

TEST_P(InsidePackageTest, NeedsPackageFilesAndAnInstallingMode) {
  const PackageCase& package_case = GetParam();
  const base::FilePath folder = temp_.GetPath();
  const base::FilePath executable = folder.Append(package_case.executable_name);
  ASSERT_TRUE(base::WriteFile(executable, "program"));
  if (package_case.has_browser_executable) {
    ASSERT_TRUE(base::WriteFile(folder.Append(L"velta.exe"), "browser"));
  }
  if (package_case.has_files_list) {
    ASSERT_TRUE(base::WriteFile(folder.Append(L"files_list"), "velta.exe\r\n"));
  } else {
    ASSERT_TRUE(base::CreateDirectory(folder.Append(L"files_list")));
  }
  base::CommandLine command_line(executable);
  for (const char* name : package_case.switches)
    command_line.AppendSwitch(name);

  const InstallerUtilsImpl utils(&command_line, executable);
  EXPECT_EQ(package_case.inside_package, utils.IsInsidePackage());
}

INSTANTIATE_TEST_SUITE_P(
    Packages,
    InsidePackageTest,
    ::testing::Values(
        PackageCase{"PackageInstaller", L"installer.exe", true, true, {"backend"}, true},
        PackageCase{"CapitalI", L"Installer.exe", true, true, {}, false},
        PackageCase{"NoBrowserExecutable", L"installer.exe", false, true, {}, false},
        PackageCase{"FilesListIsAFolder", L"installer.exe", true, false, {}, false},
        PackageCase{"Uninstall", L"installer.exe", true, true, {"uninstall"}, false},
        PackageCase{"ProtocolHandler", L"installer.exe", true, true,
                    {"register-velta-as-protocol-handler"}, false},
        // The repair mode wins over uninstall, and repairs act on a package.
        PackageCase{"FixResourcesWinsOverUninstall", L"installer.exe", true, true,
                    {"uninstall", "fix-downloadable-resources"}, true}),
    [](const ::testing::TestParamInfo<PackageCase>& info) { return info.param.name; });

TEST(InstallerUtilsTest, RealProcessFindsItsOwnPackage) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath package = temp.GetPath().Append(L"package");
  const base::FilePath renamed = temp.GetPath().Append(L"renamed");
  for (const base::FilePath& folder : {package, renamed}) {
    ASSERT_TRUE(base::CreateDirectory(folder));
    ASSERT_TRUE(base::WriteFile(folder.Append(L"velta.exe"), "browser"));
    ASSERT_TRUE(base::WriteFile(folder.Append(L"files_list"), "velta.exe\n"));
  }
  const base::FilePath installer = package.Append(L"installer.exe");
  const base::FilePath capital = renamed.Append(L"Installer.exe");
  ASSERT_TRUE(base::CopyFile(velta::test::GetTestExecutablePath(), installer));
  ASSERT_TRUE(base::CopyFile(velta::test::GetTestExecutablePath(), capital));

  struct Run {
    base::FilePath program;
    const char* mode_switch;
    uint32_t exit_code;
  };
  for (const Run& run : {Run{installer, nullptr, 1}, Run{installer, "uninstall", 0},
                         Run{capital, nullptr, 0}}) {
    base::CommandLine command_line = velta::test::MakeChildCommandLine("ReportInsidePackage");
    command_line.SetProgram(run.program);
    if (run.mode_switch)
      command_line.AppendSwitch(run.mode_switch);
    const velta::test::ChildResult result = velta::test::RunChild(command_line);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(run.exit_code, result.exit_code) << command_line.GetCommandLineString();
  }
}

struct FilesListCase {
  const char* name;
  std::string contents;
  std::vector<std::string> lines;
};

void PrintTo(const FilesListCase& files_list_case, std::ostream* out) {
  *out << files_list_case.name;
}

class FilesListTest : public ::testing::TestWithParam<FilesListCase> {};

TEST_P(FilesListTest, SplitsAtEveryLineEndAndDropsBlankLines) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath path = temp.GetPath().Append(L"files_list");
  ASSERT_TRUE(base::WriteFile(path, GetParam().contents));
  const base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  const InstallerUtilsImpl utils(&command_line, base::FilePath());

  std::vector<std::string> files = {"already listed"};
  ASSERT_TRUE(utils.ReadFilesList(path, &files));
  std::vector<std::string> expected = {"already listed"};
  expected.insert(expected.end(), GetParam().lines.begin(), GetParam().lines.end());
  EXPECT_THAT(files, ElementsAreArray(expected));
}

const std::vector<std::string> kPackageFiles = {"velta.exe", "resources\\en.pak",
                                                "locales\\de.pak"};

INSTANTIATE_TEST_SUITE_P(
    LineEnds,
    FilesListTest,
    ::testing::Values(
        FilesListCase{"CrLf", "velta.exe\r\nresources\\en.pak\r\nlocales\\de.pak\r\n",
                      kPackageFiles},
        FilesListCase{"Lf", "velta.exe\nresources\\en.pak\nlocales\\de.pak", kPackageFiles},
        FilesListCase{"Cr", "velta.exe\rresources\\en.pak\rlocales\\de.pak\r", kPackageFiles},
        FilesListCase{"MixedWithBlankLines",
                      "\r\n\r\nvelta.exe\n\n\nresources\\en.pak\r\r\r\nlocales\\de.pak\n\r",
                      kPackageFiles},
        FilesListCase{"OtherWhiteSpaceKept", " a b \r\n\tc\n", {" a b ", "\tc"}},
        FilesListCase{"Empty", "", {}},
        FilesListCase{"OnlyLineEnds", "\r\n\n\r", {}}),
    [](const ::testing::TestParamInfo<FilesListCase>& info) { return info.param.name; });

TEST(InstallerUtilsTest, UnreadableFilesListSetsTheErrorAndKeepsTheList) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  const InstallerUtilsImpl utils(&command_line, base::FilePath());
  ScopedInstallerErrorRecord error_record;

  std::vector<std::string> files = {"already listed"};
  EXPECT_FALSE(utils.ReadFilesList(temp.GetPath().Append(L"missing"), &files));
  uint32_t code = 0;
  std::string detail;
  std::wstring text = L"unset";
  GetInstallerError(&code, &detail, &text);
  EXPECT_EQ(1u, code);
  EXPECT_EQ("Cannot read files list to string", detail);
  EXPECT_EQ(L"", text);
  EXPECT_THAT(files, ElementsAre("already listed"));
}

// The installer's English strings, from the built installer.exe, in place
// of the process's localisation handler while it lives.
class ScopedEnglishStrings {
 public:
  ScopedEnglishStrings() {
    std::wstring language = L"en-US";
    handler_.SelectLanguage(&language);
  }

  bool is_loaded() const { return host_.module() != nullptr; }

 private:
  test::ScopedHostResources host_;
  ResourceL10nHandler handler_{host_.module()};
  base::ProcessWide<L10nHandler>::ScopedOverride override_{&handler_};
};

TEST(InstallerUtilsTest, DrivesNeedingSpaceAreJoinedWithACommaAndABlank) {
  ScopedEnglishStrings strings;
  ASSERT_TRUE(strings.is_loaded());
  const base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  const InstallerUtilsImpl utils(&command_line, base::FilePath());
  const DriveSpaceNeeded c{base::FilePath(L"C:"), 120};
  const DriveSpaceNeeded d{base::FilePath(L"D:"), 5};
  EXPECT_EQ(L"drive C: (120 MB needed), drive D: (5 MB needed)",
            utils.FormatDrivesNeedingSpace({c, d}));
  EXPECT_EQ(L"", utils.FormatDrivesNeedingSpace({}));
  // Replaced in one pass: a share name holding "$2" stays as it is, and
  // megabytes beyond 32 bits are written whole.
  const DriveSpaceNeeded odd{base::FilePath(L"\\\\SRV\\$2"), 5000000000ull};
  EXPECT_EQ(L"drive \\\\SRV\\$2 (5000000000 MB needed)", utils.FormatDrivesNeedingSpace({odd}));
}

struct ValidateCase {
  const char* name;
  SettingsCheck check;
  bool valid;
  uint32_t code;
  const char* detail_end;
  const wchar_t* text;
};

class ValidateSettingsTest : public testing::TestWithParam<ValidateCase> {};

TEST_P(ValidateSettingsTest, RefusalAlwaysCarriesACode) {
  const base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  const InstallerUtilsImpl utils(&command_line, base::FilePath());
  ScopedInstallerErrorRecord error_record;
  ScopedEnglishStrings strings;
  ASSERT_TRUE(strings.is_loaded());
  EXPECT_EQ(GetParam().valid, utils.ValidateSettings(GetParam().check));
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  EXPECT_EQ(GetParam().code, code);
  EXPECT_EQ(GetParam().text, text);
  if (GetParam().valid) {
    EXPECT_EQ("", detail);
  } else {
    EXPECT_EQ(std::string("Attempting to start installation with invalid settings\n") +
                  GetParam().detail_end,
              detail);
  }
}

const DriveSpaceNeeded kDriveC{base::FilePath(L"C:"), 480};

INSTANTIATE_TEST_SUITE_P(
    Checks, ValidateSettingsTest,
    testing::Values(
        ValidateCase{"Decided", {true, InstallFolderProblem::kNone, {}}, true, 0, "", L""},
        // A decided operation wins over anything else.
        ValidateCase{"DecidedDespiteAProblem",
                     {true, InstallFolderProblem::kNotEnoughSpace, {kDriveC}},
                     true, 0, "", L""},
        ValidateCase{"InvalidPath", {false, InstallFolderProblem::kInvalidPath, {}},
                     false, 3, "The path is invalid", L""},
        ValidateCase{"NoInstallation", {false, InstallFolderProblem::kNoInstallation, {}},
                     false, 2, "Installation does not exist", L""},
        ValidateCase{"NotEnoughSpace",
                     {false, InstallFolderProblem::kNotEnoughSpace, {kDriveC}},
                     false, 4, "Not enough disk space: drive C: (480 MB needed)",
                     L"drive C: (480 MB needed)"},
        ValidateCase{"NotExaminedYet", {false, InstallFolderProblem::kNone, {}}, false, 3,
                     "The install folder has not been examined yet", L""}),
    [](const testing::TestParamInfo<ValidateCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
