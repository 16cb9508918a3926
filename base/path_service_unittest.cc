// Copyright 2026 Velta Software. All rights reserved.

#include "base/path_service.h"

#include <windows.h>

#include <string>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/test/child_process.h"
#include "base/test/scoped_path_override.h"
#include "base/test/unique_names.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// Every folder key gives an absolute path of a folder that exists in a fresh
// Wine prefix, except those whose folder Windows makes only on first use.
class PathServiceFolderTest : public ::testing::TestWithParam<int> {};

TEST_P(PathServiceFolderTest, ResolvesToAnExistingAbsoluteFolder) {
  FilePath path;
  ASSERT_TRUE(PathService::Get(GetParam(), &path)) << GetParam();
  EXPECT_TRUE(path.IsAbsolute()) << path;
  EXPECT_FALSE(path.EndsWithSeparator()) << path;
  EXPECT_TRUE(DirectoryExists(path)) << path;
}

INSTANTIATE_TEST_SUITE_P(Keys, PathServiceFolderTest,
                         ::testing::Values(DIR_CURRENT, DIR_EXE, DIR_MODULE, DIR_TEMP, DIR_HOME,
                                           DIR_USER_DESKTOP, DIR_WINDOWS, DIR_SYSTEM,
                                           DIR_PROGRAM_FILES, DIR_PROGRAM_FILESX86,
                                           DIR_PROGRAM_FILES6432, DIR_COMMON_START_MENU,
                                           DIR_START_MENU, DIR_APP_DATA, DIR_LOCAL_APP_DATA,
                                           DIR_COMMON_APP_DATA, DIR_COMMON_DESKTOP));

TEST(PathServiceTest, ExecutableKeysNameTheTestBinary) {
  FilePath exe;
  FilePath module;
  FilePath exe_dir;
  ASSERT_TRUE(PathService::Get(FILE_EXE, &exe));
  ASSERT_TRUE(PathService::Get(FILE_MODULE, &module));
  ASSERT_TRUE(PathService::Get(DIR_EXE, &exe_dir));
  EXPECT_TRUE(PathExists(exe) && !DirectoryExists(exe)) << exe;
  EXPECT_EQ(velta::test::GetTestExecutablePath(), exe);
  EXPECT_EQ(exe, module);  // base is linked into the executable
  EXPECT_EQ(exe.DirName(), exe_dir);
}

TEST(PathServiceTest, ProgramFilesFollowTheProcessAndSystem) {
  FilePath program_files;
  FilePath x86;
  FilePath native;
  ASSERT_TRUE(PathService::Get(DIR_PROGRAM_FILES, &program_files));
  ASSERT_TRUE(PathService::Get(DIR_PROGRAM_FILESX86, &x86));
  ASSERT_TRUE(PathService::Get(DIR_PROGRAM_FILES6432, &native));
  // Wine runs 64-bit here: the 32-bit folder is a different one.
  EXPECT_EQ(L"Program Files (x86)", x86.BaseName().value());
  EXPECT_EQ(L"Program Files", native.BaseName().value());
  EXPECT_EQ(sizeof(void*) == 8 ? native : x86, program_files);
}

TEST(PathServiceTest, DerivedFoldersLieBelowRoamingAppData) {
  FilePath roaming;
  FilePath local;
  FilePath quick_launch;
  FilePath pins;
  ASSERT_TRUE(PathService::Get(DIR_ROAMING_APP_DATA, &roaming));
  ASSERT_TRUE(PathService::Get(DIR_LOCAL_APP_DATA, &local));
  EXPECT_NE(roaming, local);
  ASSERT_TRUE(PathService::Get(DIR_USER_QUICK_LAUNCH, &quick_launch));
  EXPECT_EQ(roaming.Append(L"Microsoft\\Internet Explorer\\Quick Launch"), quick_launch);
  ASSERT_TRUE(PathService::Get(DIR_TASKBAR_PINS, &pins));
  EXPECT_EQ(quick_launch.Append(L"User Pinned\\TaskBar"), pins);
}

TEST(PathServiceTest, CurrentFolderFollowsChangesAtOnce) {
  FilePath system;
  ASSERT_TRUE(PathService::Get(DIR_SYSTEM, &system));
  FilePath before;
  ASSERT_TRUE(PathService::Get(DIR_CURRENT, &before));
  ASSERT_TRUE(::SetCurrentDirectoryW(system.value().c_str()));
  FilePath current;
  EXPECT_TRUE(PathService::Get(DIR_CURRENT, &current));
  ::SetCurrentDirectoryW(before.value().c_str());
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(system.value(), current.value())) << current;
}

TEST(PathServiceTest, UnknownKeysFailAndLeaveThePathAlone) {
  FilePath path(L"C:\\unchanged");
  EXPECT_FALSE(PathService::Get(PATH_END, &path));
  EXPECT_FALSE(PathService::Get(106, &path));  // a number with no key
  EXPECT_FALSE(PathService::Get(-1, &path));
  EXPECT_EQ(FilePath(L"C:\\unchanged"), path);
}

class PathServiceOverrideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PathService::Get(DIR_TEMP, &temp_));
    scratch_ = temp_.AppendASCII(velta::test::UniqueName("path-service"));
  }
  void TearDown() override {
    ::RemoveDirectoryW(scratch_.Append(L"nested").value().c_str());
    ::RemoveDirectoryW(scratch_.value().c_str());
  }

  FilePath temp_;
  FilePath scratch_;
};

TEST_F(PathServiceOverrideTest, OverrideWinsCreatesTheFolderAndIsRemoved) {
  FilePath original;
  ASSERT_TRUE(PathService::Get(DIR_LOCAL_APP_DATA, &original));
  const FilePath folder = scratch_.Append(L"nested");
  {
    ScopedPathOverride override_local(DIR_LOCAL_APP_DATA, folder.AsEndingWithSeparator());
    ASSERT_TRUE(override_local.is_valid());
    EXPECT_TRUE(DirectoryExists(folder));
    FilePath path;
    ASSERT_TRUE(PathService::Get(DIR_LOCAL_APP_DATA, &path));
    EXPECT_EQ(folder, path);
  }
  FilePath path;
  ASSERT_TRUE(PathService::Get(DIR_LOCAL_APP_DATA, &path));
  EXPECT_EQ(original, path);
  EXPECT_FALSE(PathService::RemoveOverrideForTests(DIR_LOCAL_APP_DATA));
}

TEST_F(PathServiceOverrideTest, RelativeOrUncreatableOverridesAreRefused) {
  EXPECT_FALSE(PathService::Override(DIR_EXE, FilePath(L"relative\\folder")));
  EXPECT_FALSE(PathService::OverrideAndCreateIfNeeded(DIR_EXE, FilePath(L"relative"), true, false));
  // A folder below a file cannot be made.
  FilePath exe;
  ASSERT_TRUE(PathService::Get(FILE_EXE, &exe));
  EXPECT_FALSE(PathService::Override(DIR_TEMP, exe.Append(L"below a file")));
  FilePath temp;
  ASSERT_TRUE(PathService::Get(DIR_TEMP, &temp));
  EXPECT_EQ(temp_, temp);
  // A file key is not turned into a folder.
  const FilePath fake_exe = scratch_.Append(L"fake.exe");
  ASSERT_TRUE(PathService::Override(FILE_EXE, fake_exe));
  EXPECT_FALSE(DirectoryExists(fake_exe));
  FilePath path;
  EXPECT_TRUE(PathService::Get(FILE_EXE, &path));
  EXPECT_EQ(fake_exe, path);
  EXPECT_TRUE(PathService::RemoveOverrideForTests(FILE_EXE));
}

constexpr int kTestKey = 5000;
bool TestProvider(int key, FilePath* result) {
  if (key == kTestKey) {
    *result = FilePath(L"C:\\provided");
    return true;
  }
  return false;
}

TEST(PathServiceProviderTest, RegisteredProvidersAnswerTheirKeysOnly) {
  // A provider stays for the process's life: a repeated run registers it once.
  static const bool registered = [] {
    PathService::RegisterProvider(&TestProvider, kTestKey, kTestKey + 10);
    return true;
  }();
  ASSERT_TRUE(registered);
  FilePath path;
  ASSERT_TRUE(PathService::Get(kTestKey, &path));
  EXPECT_EQ(FilePath(L"C:\\provided"), path);
  EXPECT_FALSE(PathService::Get(kTestKey + 1, &path));
  EXPECT_TRUE(PathService::Get(DIR_TEMP, &path));
}

}  // namespace
}  // namespace base
