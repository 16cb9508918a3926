// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/package_handler.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "base/version.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/interprocess_state_impl.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/file_version_utils.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using test::ReadText;
using test::SnapshotFolder;
using test::WriteText;

// Answers the version resource the test sets, or none.
class FakeFileVersionUtils : public FileVersionUtils {
 public:
  explicit FakeFileVersionUtils(std::string version, int* reads)
      : version_(std::move(version)), reads_(reads) {}

  bool GetVersionFromResources(const std::wstring&, base::Version* version, base::Version*,
                               std::wstring*) override {
    ++*reads_;
    *version = base::Version(version_);
    return version->IsValid();
  }
  bool GetVersionFromExeOutput(const base::FilePath&, base::Version*, base::Version*,
                               std::string*) override {
    return false;
  }

 private:
  const std::string version_;
  int* const reads_;
};

// The installer as the package handler sees it: real folders, a real
// transaction and the real operations.
class TestContext : public InstallerContext {
 public:
  TestContext(base::FilePath install_folder, base::FilePath package_dir,
              const base::CommandLine* command_line)
      : install_folder_(std::move(install_folder)),
        package_dir_(std::move(package_dir)),
        command_line_(command_line) {}

  Settings* GetSettings() override { return nullptr; }
  InstallOperation GetInstallOperation() override { return operation; }
  Transaction* GetTransaction() override { return &transaction; }
  OperationFactory* GetOperationFactory() override { return &factory_; }
  InstallationStatus* GetExistingInstallation() override { return nullptr; }
  void GetInstallTargetFolder(base::FilePath* folder) override {
    *folder = install_folder_.Append(command_line_->GetSwitchValueNative(kInstallSubfolderSwitch));
  }
  void GetPackageDir(base::FilePath* folder) override { *folder = package_dir_; }
  void GetVersionFolder(base::FilePath* folder) override { GetInstallTargetFolder(folder); }
  void GetInstallFolder(base::FilePath* folder) override { *folder = install_folder_; }
  void GetInstallPath(base::FilePath* folder) override { *folder = install_folder_; }
  InstallationStatus* GetNewInstallationStatus() override { return nullptr; }
  InstallationFolderDetails* GetFolderDetails() override { return nullptr; }
  uint32_t GetSecondInstallerPid() const override { return 0; }
  PlaceholderResolver* GetPlaceholderResolver() override { return nullptr; }
  void StartRegistryRecording() override {}
  void StopRegistryRecording() override {}
  void ReportImportantEvent(const std::string&) override {}
  bool HasExistingInstallation() override { return false; }
  bool IsMinimalInstall() override { return false; }
  bool IsRunningFromTargetFolder() override { return false; }
  bool HasPackageDir() override { return true; }
  bool HasPendingPermissionUndo() const override { return false; }

  InstallOperation operation = InstallOperation::kNewInstallation;
  Transaction transaction;

 private:
  const base::FilePath install_folder_;
  const base::FilePath package_dir_;
  const base::CommandLine* const command_line_;
  OperationFactory factory_;
};

class RecordingProgressObserver : public PackageProgressObserver {
 public:
  void OnTotalSteps(int32_t total) override { calls.push_back("total " + std::to_string(total)); }
  void OnStepFinished(const std::string& name, int32_t index) override {
    calls.push_back(name + " " + std::to_string(index));
  }
  std::vector<std::string> calls;
};

class PackageHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_folder_ = temp_.GetPath().Append(L"Velta");
    package_dir_ = temp_.GetPath().Append(L"package");
    ASSERT_TRUE(base::CreateDirectory(install_folder_));
    ASSERT_TRUE(base::CreateDirectory(package_dir_));
  }

  // A handler whose package archive carries `resource_version` ("" none),
  // in a process inside the package or not.
  void MakeHandler(const std::string& resource_version, bool inside_package) {
    // The override of an earlier call goes first: it restores what it found.
    state_override_.reset();
    state_command_line_ = std::make_unique<base::CommandLine>(
        inside_package ? std::vector<std::wstring>{L"installer.exe", L"--backend",
                                                   L"--inside-package"}
                       : std::vector<std::wstring>{L"installer.exe", L"--backend"});
    state_ = std::make_unique<InterprocessStateImpl>(state_command_line_.get(),
                                                     std::make_unique<ServerTrackingBlob>());
    state_override_ = std::make_unique<base::ProcessWide<InterprocessState>::ScopedOverride>(state_.get());
    context_ = std::make_unique<TestContext>(install_folder_, package_dir_, &command_line_);
    handler_ = std::make_unique<PackageHandler>(
        std::make_unique<FakeFileVersionUtils>(resource_version, &version_reads_),
        std::make_unique<LzmaUtil>(), context_.get(), &observer_);
  }

  std::string ErrorDetail() {
    std::string detail;
    GetInstallerError(nullptr, &detail, nullptr);
    return detail;
  }

  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir temp_;
  base::FilePath install_folder_;
  base::FilePath package_dir_;
  base::CommandLine command_line_{base::FilePath(L"installer.exe")};
  std::unique_ptr<base::CommandLine> state_command_line_;
  std::unique_ptr<InterprocessStateImpl> state_;
  std::unique_ptr<base::ProcessWide<InterprocessState>::ScopedOverride> state_override_;
  std::unique_ptr<TestContext> context_;
  RecordingProgressObserver observer_;
  int version_reads_ = 0;
  std::unique_ptr<PackageHandler> handler_;
};

struct SubfolderCase {
  const char* name;
  const char* resource_version;
  // The package_version file's text, or null for none.
  const char* version_file;
  std::vector<std::wstring> existing;
  const wchar_t* subfolder;
};

class PrepareInstallSubfolderTest : public PackageHandlerTest,
                                    public ::testing::WithParamInterface<SubfolderCase> {};

TEST_P(PrepareInstallSubfolderTest, CreatesTheFirstFreeVersionName) {
  const SubfolderCase& c = GetParam();
  if (c.version_file)
    WriteText(package_dir_.Append(L"package_version"), c.version_file);
  for (const std::wstring& name : c.existing)
    ASSERT_TRUE(base::CreateDirectory(install_folder_.Append(name)));
  MakeHandler(c.resource_version, false);
  ASSERT_TRUE(handler_->PrepareInstallSubfolder(&command_line_));
  const std::wstring expected =
      c.subfolder ? std::wstring(c.subfolder) : base::UTF8ToWide(GetProductVersion());
  EXPECT_EQ(expected, command_line_.GetSwitchValueNative(kInstallSubfolderSwitch));
  EXPECT_TRUE(base::DirectoryExists(install_folder_.Append(expected)));
  context_->transaction.Rollback();
  EXPECT_FALSE(base::DirectoryExists(install_folder_.Append(expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Versions,
    PrepareInstallSubfolderTest,
    ::testing::Values(
        SubfolderCase{"FromTheArchivesResource", "12.0.345.6", "1.2.3.4", {}, L"12.0.345.6"},
        SubfolderCase{"FromTheVersionFile", "", "11.2.3.4\r\n", {}, L"11.2.3.4"},
        SubfolderCase{"InstallersOwnVersion", "", nullptr, {}, nullptr},
        SubfolderCase{"FirstFreeNumberedName",
                      "12.0.345.6",
                      nullptr,
                      {L"12.0.345.6", L"12.0.345.6_0"},
                      L"12.0.345.6_1"}),
    [](const ::testing::TestParamInfo<SubfolderCase>& info) { return info.param.name; });

TEST_F(PackageHandlerTest, NothingToDoWithTheSwitchOrForUninstallAndRepair) {
  command_line_.AppendSwitchNative(kInstallSubfolderSwitch, L"given");
  MakeHandler("12.0.345.6", false);
  EXPECT_TRUE(handler_->PrepareInstallSubfolder(&command_line_));
  base::CommandLine plain(base::FilePath(L"installer.exe"));
  for (InstallOperation operation :
       {InstallOperation::kUninstall, InstallOperation::kRepairDownloadableResources}) {
    context_->operation = operation;
    EXPECT_TRUE(handler_->PrepareInstallSubfolder(&plain));
    EXPECT_FALSE(plain.HasSwitch(kInstallSubfolderSwitch));
  }
  EXPECT_EQ(0, version_reads_);
  EXPECT_EQ(0u, context_->transaction.size());
}

TEST_F(PackageHandlerTest, BadVersionFileFailsWithCodeSix) {
  WriteText(package_dir_.Append(L"package_version"), "twelve");
  MakeHandler("", false);
  EXPECT_FALSE(handler_->PrepareInstallSubfolder(&command_line_));
  EXPECT_EQ(6u, GetInstallerErrorCode());
  EXPECT_EQ("Invalid package version found in package folder twelve", ErrorDetail());

  // A folder where the file should be cannot be read.
  ASSERT_TRUE(base::DeleteFile(package_dir_.Append(L"package_version")));
  ASSERT_TRUE(base::CreateDirectory(package_dir_.Append(L"package_version")));
  EXPECT_FALSE(handler_->InstallPackageFiles(&command_line_));
  EXPECT_EQ(6u, GetInstallerErrorCode());
  EXPECT_EQ("Cannot read the package version file\nCannot create subfolder for package.",
            ErrorDetail());
  EXPECT_THAT(test::FileNamesIn(install_folder_), ::testing::IsEmpty());
}

// An unpacked package: every listed file, both lists, the launcher and the
// helper are copied into the new version folder, sub-folders included, and
// reported one by one; a rollback takes everything away again.
TEST_F(PackageHandlerTest, CopiesAnUnpackedPackageWithProgress) {
  WriteText(package_dir_.Append(L"files_list"), "velta.dll\r\nlocales\\en-US.pak\r\n");
  WriteText(package_dir_.Append(L"root_files_list"), "Assets\\logo.png\r\n");
  ASSERT_TRUE(base::CreateDirectory(package_dir_.Append(L"locales")));
  ASSERT_TRUE(base::CreateDirectory(package_dir_.Append(L"Assets")));
  for (const wchar_t* name : {L"velta.dll", L"locales\\en-US.pak", L"Assets\\logo.png",
                              L"launcher.exe", L"installer_helper_64.exe",
                              L"installer_helper.exe"}) {
    WriteText(package_dir_.Append(name), base::WideToUTF8(name));
  }
  const auto before = SnapshotFolder(install_folder_);
  MakeHandler("12.0.345.6", true);
  ASSERT_TRUE(handler_->InstallPackageFiles(&command_line_)) << ErrorDetail();

  const base::FilePath target = install_folder_.Append(L"12.0.345.6");
  EXPECT_EQ("locales\\en-US.pak", ReadText(target.Append(L"locales\\en-US.pak")));
  EXPECT_EQ("Assets\\logo.png", ReadText(target.Append(L"Assets\\logo.png")));
  EXPECT_EQ("launcher.exe", ReadText(target.Append(L"launcher.exe")));
  EXPECT_EQ(ReadText(package_dir_.Append(L"files_list")), ReadText(target.Append(L"files_list")));
  // The helper of the system's width, whatever the installer's own.
  const bool is_64_bit_system =
      WinApi::GetInstance()->GetOsArchitecture() != base::win::OSInfo::X86_ARCHITECTURE;
  const wchar_t* helper =
      is_64_bit_system ? L"installer_helper_64.exe" : L"installer_helper.exe";
  EXPECT_FALSE(base::PathExists(
      target.Append(is_64_bit_system ? L"installer_helper.exe" : L"installer_helper_64.exe")));
  EXPECT_TRUE(base::PathExists(target.Append(helper)));
  EXPECT_THAT(observer_.calls,
              ElementsAre("total 7", "direct_unpacking 0", "direct_unpacking 1",
                          "direct_unpacking 2", "direct_unpacking 3", "direct_unpacking 4",
                          "direct_unpacking 5", "direct_unpacking 6"));

  context_->transaction.Rollback();
  EXPECT_EQ(before, SnapshotFolder(install_folder_));
}

struct HelperArchitectureCase {
  const char* name;
  base::win::OSInfo::WindowsArchitecture os_architecture;
  const wchar_t* helper;
};

class PackageHelperTest : public PackageHandlerTest,
                          public ::testing::WithParamInterface<HelperArchitectureCase> {};

// A package carries the helper the system runs: the 64-bit one only for
// x64; an ARM64 system runs the 32-bit one, as the install steps and the
// taskbar pins expect.
TEST_P(PackageHelperTest, CopiesTheHelperTheSystemRuns) {
  FakeWinApi win_api;
  win_api.SetOsArchitecture(GetParam().os_architecture);
  base::ProcessWide<WinApi>::ScopedOverride win_api_override(&win_api);
  WriteText(package_dir_.Append(L"files_list"), "");
  WriteText(package_dir_.Append(L"root_files_list"), "");
  WriteText(package_dir_.Append(L"launcher.exe"), "launcher");
  WriteText(package_dir_.Append(GetParam().helper), "helper");
  MakeHandler("12.0.345.6", true);
  ASSERT_TRUE(handler_->InstallPackageFiles(&command_line_)) << ErrorDetail();
  EXPECT_EQ("helper", ReadText(install_folder_.Append(L"12.0.345.6").Append(GetParam().helper)));
}

INSTANTIATE_TEST_SUITE_P(
    Systems,
    PackageHelperTest,
    ::testing::Values(
        HelperArchitectureCase{"X86", base::win::OSInfo::X86_ARCHITECTURE,
                               L"installer_helper.exe"},
        HelperArchitectureCase{"X64", base::win::OSInfo::X64_ARCHITECTURE,
                               L"installer_helper_64.exe"},
        HelperArchitectureCase{"Arm64", base::win::OSInfo::OTHER_ARCHITECTURE,
                               L"installer_helper.exe"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageHandlerTest, CopyStopsAtTheFirstMissingFile) {
  WriteText(package_dir_.Append(L"files_list"), "a.dll\r\nmissing.dll\r\nc.dll\r\n");
  WriteText(package_dir_.Append(L"root_files_list"), "");
  WriteText(package_dir_.Append(L"a.dll"), "a");
  WriteText(package_dir_.Append(L"c.dll"), "c");
  MakeHandler("12.0.345.6", true);
  EXPECT_FALSE(handler_->InstallPackageFiles(&command_line_));
  EXPECT_EQ(10u, GetInstallerErrorCode());
  EXPECT_THAT(ErrorDetail(), ::testing::StartsWith("Cannot copy package file 'missing.dll'\n"));
  EXPECT_THAT(ErrorDetail(), ::testing::EndsWith("\nCannot copy unpacked files to subfolder."));
  const base::FilePath target = install_folder_.Append(L"12.0.345.6");
  EXPECT_EQ("a", ReadText(target.Append(L"a.dll")));
  EXPECT_FALSE(base::PathExists(target.Append(L"c.dll")));
  context_->transaction.Rollback();
  EXPECT_THAT(test::FileNamesIn(install_folder_), ::testing::IsEmpty());
}

TEST_F(PackageHandlerTest, ListEntriesLeadingOutOfTheFolderAreRefused) {
  for (const char* entry : {"..\\evil.dll", "C:\\evil.dll", "\\evil.dll", "a.dll:stream"}) {
    WriteText(package_dir_.Append(L"files_list"), std::string(entry) + "\r\n");
    WriteText(package_dir_.Append(L"root_files_list"), "");
    base::CommandLine command_line(base::FilePath(L"installer.exe"));
    MakeHandler("12.0.345.6", true);
    EXPECT_FALSE(handler_->InstallPackageFiles(&command_line)) << entry;
    EXPECT_EQ(10u, GetInstallerErrorCode()) << entry;
    EXPECT_THAT(ErrorDetail(), HasSubstr("leads out of the folder")) << entry;
    context_->transaction.Rollback();
  }
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(L"evil.dll")));
}

TEST_F(PackageHandlerTest, MissingFilesListFails) {
  MakeHandler("12.0.345.6", true);
  EXPECT_FALSE(handler_->InstallPackageFiles(&command_line_));
  EXPECT_THAT(ErrorDetail(), HasSubstr("\nCannot read debug files list\n"
                                       "Cannot copy unpacked files to subfolder."));
}

// Outside a package the archive is unpacked into the version folder, each
// file reported; over an existing version folder the replaced files come back
// on rollback.
TEST_F(PackageHandlerTest, UnpacksTheArchiveWithProgress) {
  ASSERT_TRUE(base::CopyFile(test::TestArchive(L"crafted\\copy_two_files.7z"),
                             package_dir_.Append(L"velta_package")));
  command_line_.AppendSwitchNative(kInstallSubfolderSwitch, L"12.0.345.6");
  const base::FilePath target = install_folder_.Append(L"12.0.345.6");
  ASSERT_TRUE(base::CreateDirectory(target.Append(L"ok")));
  WriteText(target.Append(L"ok\\one.txt"), "earlier");
  const auto before = SnapshotFolder(install_folder_);
  MakeHandler("", false);
  ASSERT_TRUE(handler_->InstallPackageFiles(&command_line_)) << ErrorDetail();
  EXPECT_EQ("first file", ReadText(target.Append(L"ok\\one.txt")));
  EXPECT_EQ("second", ReadText(target.Append(L"ok\\two.txt")));
  EXPECT_THAT(observer_.calls,
              ElementsAre("total 2", "direct_unpacking 0", "direct_unpacking 1"));
  context_->transaction.Rollback();
  EXPECT_EQ(before, SnapshotFolder(install_folder_));
}

// A repair's package folder holds the fetched packs and their list, no
// archive: nothing is placed here (the repair job copies them), inside a
// package or not.
TEST_F(PackageHandlerTest, RepairPackageIsLeftToTheRepairJob) {
  WriteText(package_dir_.Append(L"files_list"), "localization\\de.pak\r\n");
  for (bool inside_package : {false, true}) {
    MakeHandler("", inside_package);
    context_->operation = InstallOperation::kRepairDownloadableResources;
    EXPECT_TRUE(handler_->InstallPackageFiles(&command_line_)) << ErrorDetail();
    EXPECT_THAT(observer_.calls, ::testing::IsEmpty());
    EXPECT_EQ(0u, context_->transaction.size());
  }
}

TEST_F(PackageHandlerTest, DamagedArchiveFailsWithCodeOne) {
  WriteText(package_dir_.Append(L"velta_package"), "not a 7z archive");
  MakeHandler("12.0.345.6", false);
  EXPECT_FALSE(handler_->InstallPackageFiles(&command_line_));
  EXPECT_EQ(1u, GetInstallerErrorCode());
  EXPECT_THAT(ErrorDetail(), ::testing::StartsWith("Unpack archive operation failed\n"));
  EXPECT_THAT(ErrorDetail(), ::testing::EndsWith("\nCannot unpack the installer"));
  context_->transaction.Rollback();
  EXPECT_THAT(test::FileNamesIn(install_folder_), ::testing::IsEmpty());
}

}  // namespace
}  // namespace velta
