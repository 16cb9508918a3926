// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/folder_permission_helper.h"

#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::HasSubstr;
using testing::Not;

// Long enough for any test; only a broken test waits this long.
constexpr DWORD kWaitMs = 60000;

// The helper's role in a real child process, with a FakeSecurityUtils that
// records the restores it is asked for (the grant itself is real). Prints
// "restored <path>" for each and "helper ended".
VELTA_TEST_CHILD_MAIN(FolderPermissionHelper) {
  FakeSecurityUtils security;
  base::ProcessWide<SecurityUtils>::ScopedOverride override(&security);
  RunFolderPermissionHelperWithDelay(*base::CommandLine::ForCurrentProcess(),
                                     base::TimeDelta());
  for (const FakeSecurityUtils::Restore& restore : security.restores())
    printf("restored %s\n", base::WideToUTF8(restore.path).c_str());
  printf("helper ended\n");
  fflush(stdout);
  return 0;
}

class FolderPermissionHelperTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    folder_ = dir_.GetPath().Append(L"Velta");
    ASSERT_TRUE(GetCurrentUserName(&user_));
  }

  // An event of the installation, made as the installer or the main process
  // makes it.
  base::win::ScopedHandle CreateEvent(const wchar_t* base_name, bool global) {
    return base::win::ScopedHandle(::CreateEventW(
        nullptr, FALSE, FALSE, MakeNamedObjectName(folder_.value(), base_name, global).c_str()));
  }

  // Starts the helper for the folder with `switches` added; its output goes
  // to a pipe read by Finish.
  void Start(const std::vector<std::wstring>& switches) {
    base::CommandLine command_line = test::MakeChildCommandLine("FolderPermissionHelper");
    command_line.AppendSwitchPath("set-folder-permission", folder_);
    test::AppendSwitches(switches, &command_line);
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(::CreatePipe(&read, &write, &inherit, 0));
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    output_.Set(read);
    base::LaunchOptions options;
    options.stdout_handle = write;
    options.handles_to_inherit.push_back(write);
    child_ = base::LaunchProcess(command_line, options);
    ::CloseHandle(write);
    ASSERT_TRUE(child_.IsValid());
  }

  bool IsRunning() const { return ::WaitForSingleObject(child_.Handle(), 0) == WAIT_TIMEOUT; }

  // Waits for the helper to end and returns what it printed.
  std::string Finish() {
    std::string text;
    char buffer[512];
    DWORD read = 0;
    while (::ReadFile(output_.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
      for (DWORD i = 0; i < read; ++i) {
        // The child's standard output is in text mode.
        if (buffer[i] != '\r')
          text.push_back(buffer[i]);
      }
    }
    uint32_t exit_code = 0;
    EXPECT_TRUE(test::WaitForChildExit(child_, base::TimeDelta::FromSeconds(60), &exit_code));
    EXPECT_EQ(0u, exit_code);
    return text;
  }

  base::ScopedTempDir dir_;
  base::FilePath folder_;
  std::wstring user_;
  base::Process child_;
  base::win::ScopedHandle output_;
};

TEST_F(FolderPermissionHelperTest, WithoutAnAccountNothingHappens) {
  base::win::ScopedHandle give = CreateEvent(kGiveInstallPermissionEventBaseName, false);
  base::win::ScopedHandle undo = CreateEvent(kGiveInstallPermissionUndoEventBaseName, false);
  Start({});
  EXPECT_EQ("helper ended\n", Finish());
  EXPECT_FALSE(base::PathExists(folder_));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(give.Get(), 0));
}

// What ends a temporary grant, and whether the grant is one.
struct GrantCase {
  const char* name;
  bool permanent;
  // The undo event is set; else the installing process has ended.
  bool undo;
};

class FolderPermissionGrantTest : public FolderPermissionHelperTest,
                                  public testing::WithParamInterface<GrantCase> {};

TEST_P(FolderPermissionGrantTest, GrantsAndTakesBackWhenTold) {
  const GrantCase& c = GetParam();
  base::win::ScopedHandle give = CreateEvent(kGiveInstallPermissionEventBaseName, false);
  base::win::ScopedHandle undo = CreateEvent(kGiveInstallPermissionUndoEventBaseName, false);
  ASSERT_TRUE(give.IsValid() && undo.IsValid());
  // The installing process: this one, or one that has already ended (its
  // handle kept here keeps its id open).
  base::Process ended_installer;
  uint32_t installer_pid = ::GetCurrentProcessId();
  if (!c.undo) {
    const base::FilePath program = dir_.GetPath().Append(L"installer.exe");
    ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                               program));
    base::LaunchOptions wait;
    wait.wait = true;
    ended_installer = base::LaunchProcess(base::CommandLine(program), wait);
    ASSERT_TRUE(ended_installer.IsValid());
    installer_pid = ended_installer.Pid();
  }
  std::vector<std::wstring> switches = {L"permissions-for-user=" + user_,
                                        L"parent-pid=" + base::NumberToWString(installer_pid)};
  if (c.permanent)
    switches.push_back(L"permanent-permissions");
  Start(switches);

  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(give.Get(), kWaitMs));
  EXPECT_TRUE(base::DirectoryExists(folder_));
  if (c.undo && !c.permanent) {
    // It holds the grant until told.
    EXPECT_TRUE(IsRunning());
    ::SetEvent(undo.Get());
  }
  const std::string output = Finish();
  if (c.permanent)
    EXPECT_THAT(output, Not(HasSubstr("restored")));
  else
    EXPECT_THAT(output, HasSubstr("restored " + base::WideToUTF8(folder_.value())));
}

INSTANTIATE_TEST_SUITE_P(
    Grants,
    FolderPermissionGrantTest,
    testing::Values(GrantCase{"TemporaryUntilUndo", false, true},
                    GrantCase{"TemporaryUntilTheInstallerEnds", false, false},
                    GrantCase{"Permanent", true, true}),
    [](const testing::TestParamInfo<GrantCase>& info) { return info.param.name; });

// Waiting for the package: which event comes first, and whether the
// package folder is given or found through the package-folder prefix.
struct PackageWaitCase {
  const char* name;
  bool ready;
  bool folder_given;
};

class FolderPermissionPackageTest : public FolderPermissionHelperTest,
                                    public testing::WithParamInterface<PackageWaitCase> {};

TEST_P(FolderPermissionPackageTest, RunsThePackagesInstallerOnlyWhenItIsReady) {
  const PackageWaitCase& c = GetParam();
  base::win::ScopedHandle ready = CreateEvent(kPackageReadyEventBaseName, true);
  base::win::ScopedHandle interrupted = CreateEvent(kInstallationInterruptedEventBaseName, true);
  ASSERT_TRUE(ready.IsValid() && interrupted.IsValid());
  // The package as the fetcher leaves it: "<prefix>_1" with its "ready" file.
  const base::FilePath package = dir_.GetPath().Append(L"package_1");
  ASSERT_TRUE(base::CreateDirectory(package));
  ASSERT_EQ(0, base::WriteFile(package.Append(kPackageReadyFileName), "", 0));
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                             package.Append(kPackageInstallerFileName)));

  Start({L"permissions-for-user=" + user_,
         L"initial-pid=" + base::NumberToWString(::GetCurrentProcessId()),
         L"package-dir-prefix=" + dir_.GetPath().Append(L"package").value(),
         c.folder_given ? L"wait-for-package=" + package.value() : L"wait-for-package"});
  ::SetEvent(c.ready ? ready.Get() : interrupted.Get());
  EXPECT_EQ("helper ended\n", Finish());

  std::string calls;
  const bool ran =
      base::ReadFileToString(package.Append(L"installer.exe.calls"), &calls);
  EXPECT_EQ(c.ready, ran);
  if (!ran)
    return;
  EXPECT_THAT(calls, HasSubstr("--set-folder-permission=\"" + base::WideToUTF8(folder_.value())));
  EXPECT_THAT(calls, HasSubstr("--permissions-for-user=" + base::WideToUTF8(user_)));
  EXPECT_THAT(calls, Not(HasSubstr("wait-for-package")));
}

INSTANTIATE_TEST_SUITE_P(
    Waits,
    FolderPermissionPackageTest,
    testing::Values(PackageWaitCase{"ReadyWithTheFolderGiven", true, true},
                    PackageWaitCase{"ReadyWithTheFolderFoundByItsPrefix", true, false},
                    PackageWaitCase{"Interrupted", false, false}),
    [](const testing::TestParamInfo<PackageWaitCase>& info) { return info.param.name; });

TEST(RunUninstallBatchTest, StartsTheFoldersScript) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath doomed = dir.GetPath().Append(L"doomed.txt");
  ASSERT_EQ(1, base::WriteFile(doomed, "x", 1));
  const std::string script = "del \"" + base::WideToUTF8(doomed.value()) + "\"\r\ndel %0\r\n";
  ASSERT_TRUE(base::WriteFile(dir.GetPath().Append(L"k.bat"), script.data(),
                              static_cast<int>(script.size())) > 0);

  HANDLE change = ::FindFirstChangeNotificationW(dir.GetPath().value().c_str(), FALSE,
                                                 FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(INVALID_HANDLE_VALUE, change);
  RunUninstallBatch(dir.GetPath());

  // The script runs on its own; it deletes itself last.
  while (base::PathExists(dir.GetPath().Append(L"k.bat")) &&
         ::WaitForSingleObject(change, kWaitMs) == WAIT_OBJECT_0) {
    ::FindNextChangeNotification(change);
  }
  ::FindCloseChangeNotification(change);
  EXPECT_FALSE(base::PathExists(doomed));
  EXPECT_FALSE(base::PathExists(dir.GetPath().Append(L"k.bat")));
}

}  // namespace
}  // namespace velta
