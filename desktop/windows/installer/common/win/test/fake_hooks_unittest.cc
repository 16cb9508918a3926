// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_hooks.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "desktop/windows/installer/common/win/test/fake_win_api_hook.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_drive.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta::test {
namespace {

using ::testing::ElementsAre;

// Exit-code bits of the child role below.
constexpr int kFirstAnswerYes = 1;
constexpr int kSecondAnswerYes = 2;
constexpr int kElevatedProcessValid = 4;
constexpr int kErrorEightRecorded = 8;
constexpr int kDrivesFromMask = 16;

// Plays a piece of installer logic through WinApi::GetInstance() and reports
// what it saw in its exit code: whichever WinApi the switches put in place.
VELTA_TEST_CHILD_MAIN(UseWinApi) {
  ScopedInstallerErrorRecord error_record;
  WinApi* win_api = WinApi::GetInstance();
  int seen = 0;
  if (win_api->ShowMessageBox(L"Velta", L"First?"))
    seen |= kFirstAnswerYes;
  if (win_api->ShowMessageBox(L"Velta", L"Second?"))
    seen |= kSecondAnswerYes;
  base::CommandLine elevated(base::FilePath(L"C:\\no such folder\\elevated.exe"));
  elevated.AppendSwitch("backend");
  if (win_api->RunElevated(elevated)->IsValid())
    seen |= kElevatedProcessValid;
  if (GetInstallerErrorCode() == 8)
    seen |= kErrorEightRecorded;
  std::unique_ptr<WinApiDriveList> drives = win_api->GetLogicalDrives();
  std::unique_ptr<WinApiDrive> first = drives->TakeDrive();
  std::unique_ptr<WinApiDrive> second = drives->TakeDrive();
  if (first && first->letter() == L'B' && second && second->letter() == L'Q' &&
      !drives->TakeDrive()) {
    seen |= kDrivesFromMask;
  }
  return 100 + seen;
}

// Exit-code bits of the security child role below.
constexpr int kInAdminGroup = 1;
constexpr int kInAdminGroupWithLinkedToken = 2;
constexpr int kFolderAccessible = 4;
constexpr int kGrantSucceeded = 8;

// Asks SecurityUtils::GetInstance() what the installer's flow asks, about
// the folder named by --folder: whichever SecurityUtils the switches put in
// place.
VELTA_TEST_CHILD_MAIN(UseSecurityUtils) {
  const std::wstring folder =
      base::CommandLine::ForCurrentProcess()->GetSwitchValueNative("folder");
  SecurityUtils* security = SecurityUtils::GetInstance();
  int seen = 0;
  if (security->IsUserInAdminGroup(false))
    seen |= kInAdminGroup;
  if (security->IsUserInAdminGroup(true))
    seen |= kInAdminGroupWithLinkedToken;
  if (security->HasAccess(folder, SE_FILE_OBJECT, GENERIC_WRITE))
    seen |= kFolderAccessible;
  std::unique_ptr<SecurityRestoreInfo> restore;
  if (security->TakeOwnershipAndGrantFullAccess(folder, SE_FILE_OBJECT, GENERIC_ALL,
                                                /*permanent=*/false, &restore)) {
    seen |= kGrantSucceeded;
    security->RestoreSecurity(&restore);
  }
  return 100 + seen;
}

std::vector<std::string> ReadLines(const base::FilePath& path) {
  std::string text;
  if (!base::ReadFileToString(path, &text))
    return {};
  return base::SplitString(text, "\n", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
}

class FakeHooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::FilePath temp;
    ASSERT_TRUE(base::GetTempDir(&temp));
    calls_file_ = temp.Append(UniqueWideName("calls") + L".txt");
  }
  void TearDown() override { base::DeleteFile(calls_file_); }

  uint32_t RunUseWinApi(const std::string& settings) {
    base::CommandLine command_line = MakeChildCommandLine("UseWinApi");
    if (!settings.empty())
      command_line.AppendSwitchNative(kFakeWinApiSwitch, base::UTF8ToWide(settings));
    ChildResult result = RunChild(command_line);
    EXPECT_TRUE(result.exited);
    return result.exit_code;
  }

  base::FilePath calls_file_;
};

TEST_F(FakeHooksTest, ChildTakesTheFakedRoadsTheSwitchAsksFor) {
  uint32_t seen = RunUseWinApi("message_box=no,yes;elevation=decline;drives=0x10002;calls_file=" +
                               calls_file_.AsUTF8Unsafe());
  EXPECT_EQ(100u + kSecondAnswerYes + kErrorEightRecorded + kDrivesFromMask, seen);
  EXPECT_THAT(ReadLines(calls_file_),
              ElementsAre("ShowMessageBox\tVelta\tFirst?", "ShowMessageBox\tVelta\tSecond?",
                          "RunElevated\t\"C:\\no such folder\\elevated.exe\" --backend",
                          "GetLogicalDrives"));
}

TEST_F(FakeHooksTest, LastMessageBoxAnswerStays) {
  EXPECT_EQ(100u + kFirstAnswerYes + kSecondAnswerYes + kErrorEightRecorded,
            RunUseWinApi("message_box=yes;elevation=decline;drives=0"));
}

TEST_F(FakeHooksTest, BadSettingsStopTheChildBeforeItsRole) {
  EXPECT_EQ(static_cast<uint32_t>(kChildSetupFailedExitCode), RunUseWinApi("message_box=maybe"));
  EXPECT_EQ(static_cast<uint32_t>(kChildSetupFailedExitCode), RunUseWinApi("colour=blue"));
  EXPECT_EQ(static_cast<uint32_t>(kChildSetupFailedExitCode), RunUseWinApi("drives"));
  EXPECT_EQ(static_cast<uint32_t>(kChildSetupFailedExitCode), RunUseWinApi("drives=0x4000000"));
}

uint32_t RunUseSecurityUtils(const std::wstring& folder, const std::string& settings) {
  base::CommandLine command_line = MakeChildCommandLine("UseSecurityUtils");
  command_line.AppendSwitchNative("folder", folder);
  if (!settings.empty())
    command_line.AppendSwitchNative(kFakeSecurityUtilsSwitch, base::UTF8ToWide(settings));
  ChildResult result = RunChild(command_line);
  EXPECT_TRUE(result.exited);
  return result.exit_code;
}

TEST(FakeSecurityUtilsHookTest, ChildSeesTheAccountTheSwitchDescribes) {
  // A folder of the test's own: the real utilities take ownership of it and
  // change its access list, which must not touch the temporary folder that
  // every other test running beside this one writes into.
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const std::wstring folder = temp.GetPath().value();
  // Under Wine the real utilities see an elevated administrator with access.
  EXPECT_EQ(100u + kInAdminGroup + kInAdminGroupWithLinkedToken + kFolderAccessible +
                kGrantSucceeded,
            RunUseSecurityUtils(folder, ""));
  // A filtered administrator's token without write access to the folder, on
  // which taking ownership fails: the roads Wine cannot take for real.
  EXPECT_EQ(100u + kInAdminGroupWithLinkedToken,
            RunUseSecurityUtils(folder, "elevated=no;deny=" + base::WideToUTF8(folder) +
                                            ";fail_grant=" + base::WideToUTF8(folder)));
  EXPECT_EQ(static_cast<uint32_t>(kChildSetupFailedExitCode),
            RunUseSecurityUtils(folder, "admin=perhaps"));
}

TEST(FakeSettingsTest, SplitsAtSemicolonsAndTheFirstEquals) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string error;
  ASSERT_TRUE(SplitFakeSettings(";a=1;;calls_file=C:\\x=y.txt;", &pairs, &error));
  EXPECT_THAT(pairs, ElementsAre(std::make_pair(std::string("a"), std::string("1")),
                                 std::make_pair(std::string("calls_file"),
                                                std::string("C:\\x=y.txt"))));
  pairs.clear();
  EXPECT_FALSE(SplitFakeSettings("a=1;=2", &pairs, &error));
  EXPECT_NE(std::string::npos, error.find("=2")) << error;
}

}  // namespace
}  // namespace velta::test
