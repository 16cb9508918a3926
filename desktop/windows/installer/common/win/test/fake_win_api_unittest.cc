// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_win_api.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/test/registry_sandbox.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/win/win_api_drive.h"
#include "desktop/windows/installer/common/win/win_api_registry_key.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

TEST(FakeWinApiTest, DrivesAnswerWhatTheTestSet) {
  FakeWinApi fake;
  fake.SetDriveMask((1u << 2) | (1u << 4));
  fake.SetDrive(L'E', FakeWinApi::FakeDrive{.drive_type = DRIVE_CDROM, .media_present = false, .free_megabytes = {}});
  std::unique_ptr<WinApiDriveList> drives = fake.GetLogicalDrives();
  std::unique_ptr<WinApiDrive> c = drives->TakeDrive();
  std::unique_ptr<WinApiDrive> e = drives->TakeDrive();
  ASSERT_TRUE(c && e);
  EXPECT_FALSE(drives->TakeDrive());
  EXPECT_EQ(static_cast<unsigned int>(DRIVE_FIXED), c->GetDriveType());
  EXPECT_TRUE(c->IsMediaPresent());
  EXPECT_EQ(static_cast<unsigned int>(DRIVE_CDROM), e->GetDriveType());
  EXPECT_FALSE(e->IsMediaPresent());
  EXPECT_EQ(L"E:\\", e->GetRootPath().value());
}

TEST(FakeWinApiTest, RedirectsARegistryRootIntoASandbox) {
  test::RegistrySandbox sandbox;
  ASSERT_TRUE(sandbox.is_valid());
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(sandbox.root(), sandbox.Path(L"Software\\Velta\\a").c_str(),
                                      KEY_ALL_ACCESS));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"v", L"sandboxed"));

  FakeWinApi fake;
  fake.RedirectRegistryRoot(HKEY_LOCAL_MACHINE, sandbox.root(), sandbox.path());
  auto velta = fake.OpenRegKey(HKEY_LOCAL_MACHINE, L"Software\\Velta", KEY_READ);
  ASSERT_TRUE(velta->IsValid());
  EXPECT_EQ(L"Velta", velta->GetName());
  auto sub_key = velta->CreateSubKeyIterator()->TakeSubKey();
  ASSERT_TRUE(sub_key);
  std::wstring value;
  EXPECT_TRUE(sub_key->ReadValue(L"v", &value));
  EXPECT_EQ(L"sandboxed", value);
  EXPECT_THAT(fake.CallsTo("OpenRegKey"), ElementsAre("Software\\Velta"));
}

TEST(FakeWinApiTest, VersionAndArchitectureAnswerWhatTheTestSet) {
  FakeWinApi fake;
  fake.SetWindowsVersion(base::win::VERSION_VISTA);
  fake.SetOsArchitecture(base::win::OSInfo::X86_ARCHITECTURE);
  EXPECT_EQ(base::win::VERSION_VISTA, fake.GetWindowsVersion());
  EXPECT_EQ(base::win::OSInfo::X86_ARCHITECTURE, fake.GetOsArchitecture());
  EXPECT_THAT(fake.calls(), ElementsAre("GetWindowsVersion", "GetOsArchitecture"));
}

}  // namespace
}  // namespace velta
