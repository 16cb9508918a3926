// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_environment.h"

#include <stdio.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// The folder the installer would name as the current installation's
// profile folder; absent: no getter is set.
constexpr char kProfileFolderSwitch[] = "test-profile-folder";
constexpr char kNoFolder[] = "(none)";

// The user data folder is computed once per process: each case runs in a
// child, which prints it.
VELTA_TEST_CHILD_MAIN(PrintUserDataFolder) {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(kProfileFolderSwitch)) {
    SetProfileFolderGetter([] {
      return base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kProfileFolderSwitch);
    });
  }
  const base::FilePath& folder = GetUserDataFolder();
  printf("%s", folder.empty() ? kNoFolder : base::WideToUTF8(folder.value()).c_str());
  return 0;
}

struct UserDataCase {
  const char* name;
  // The switch's value, relative to the child's working folder (the test's
  // folder); nullptr: no switch.
  const wchar_t* user_data_dir;
  // Below the test's folder; nullptr: no getter; empty: the getter gives
  // nothing.
  const wchar_t* profile_folder;
  // The expected folder below the test's folder; nullptr: none.
  const wchar_t* expected;
};

class UserDataFolderTest : public ::testing::TestWithParam<UserDataCase> {};

TEST_P(UserDataFolderTest, SwitchThenInstallationProfile) {
  const UserDataCase& param = GetParam();
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath root = base::MakeAbsoluteFilePath(dir.GetPath());
  ASSERT_TRUE(base::CreateDirectory(root.Append(L"existing")));
  // A file where a folder would have to be made.
  ASSERT_TRUE(base::WriteFile(root.Append(L"file"), "x"));

  base::CommandLine command_line = test::MakeChildCommandLine("PrintUserDataFolder");
  if (param.user_data_dir)
    command_line.AppendSwitchPath("user-data-dir", base::FilePath(param.user_data_dir));
  if (param.profile_folder) {
    const std::wstring profile = param.profile_folder;
    command_line.AppendSwitchPath(kProfileFolderSwitch,
                                  profile.empty() ? base::FilePath() : root.Append(profile));
  }
  test::ChildOptions options;
  options.capture_output = true;
  // A relative switch value is taken from the child's working folder.
  options.launch.current_directory = root;
  const test::ChildResult child = test::RunChild(command_line, options);
  ASSERT_TRUE(child.exited);
  ASSERT_EQ(0u, child.exit_code);
  if (!param.expected) {
    EXPECT_EQ(kNoFolder, child.output);
    return;
  }
  const base::FilePath expected = root.Append(param.expected);
  EXPECT_TRUE(base::FilePath::CompareEqualIgnoreCase(expected.value(),
                                                     base::UTF8ToWide(child.output)))
      << child.output;
  EXPECT_TRUE(base::DirectoryExists(expected));
}

INSTANTIATE_TEST_SUITE_P(
    All,
    UserDataFolderTest,
    ::testing::Values(
        UserDataCase{"switch_folder", L"existing", L"profile", L"existing"},
        UserDataCase{"switch_folder_is_made", L"made\\deeper", L"profile", L"made\\deeper"},
        UserDataCase{"unusable_switch_falls_back", L"file\\sub", L"profile", L"profile"},
        UserDataCase{"empty_switch_falls_back", L"", L"profile\\data", L"profile\\data"},
        UserDataCase{"installation_profile", nullptr, L"profile", L"profile"},
        UserDataCase{"no_getter", nullptr, nullptr, nullptr},
        UserDataCase{"no_installation_profile", nullptr, L"", nullptr},
        UserDataCase{"unusable_installation_profile", nullptr, L"file\\sub", nullptr}),
    [](const ::testing::TestParamInfo<UserDataCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
