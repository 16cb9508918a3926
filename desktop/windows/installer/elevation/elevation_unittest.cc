// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/elevation.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "base/process_wide.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_log_collector.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/win/test/access_list_sddl.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr wchar_t kPolicies[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

struct UacCase {
  const char* name;
  bool admin;
  base::win::Version version;
  // The policy value, or -1 for no value, -2 for no key.
  int enable_lua;
  bool enabled;
};

class IsUacEnabledTest : public ::testing::TestWithParam<UacCase> {
 protected:
  test::RegistrySandbox sandbox_{HKEY_CURRENT_USER};
  FakeWinApi win_api_;
  FakeSecurityUtils security_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  base::ProcessWide<SecurityUtils>::ScopedOverride security_override_{&security_};
};

// The machine's HKLM is redirected into the test's own key, so the policy
// value can be set without touching the prefix's real one.
TEST_P(IsUacEnabledTest, FollowsAdminRightsVersionAndPolicy) {
  const UacCase& c = GetParam();
  ASSERT_TRUE(sandbox_.is_valid());
  win_api_.RedirectRegistryRoot(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, sandbox_.path());
  security_.set_is_user_in_admin_group(c.admin);
  win_api_.SetWindowsVersion(c.version);
  if (c.enable_lua != -2) {
    base::win::RegKey key(HKEY_CURRENT_USER, sandbox_.Path(kPolicies).c_str(), KEY_ALL_ACCESS);
    ASSERT_TRUE(key.Valid());
    if (c.enable_lua >= 0) {
      ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"EnableLUA", static_cast<DWORD>(c.enable_lua)));
    }
  }
  EXPECT_EQ(c.enabled, IsUacEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    IsUacEnabledTest,
    ::testing::Values(UacCase{"AdminWithUacOff", true, base::win::VERSION_WIN10, 0, true},
                      UacCase{"XpWithUacOff", false, base::win::VERSION_XP, 0, true},
                      UacCase{"UserWithUacOff", false, base::win::VERSION_WIN10, 0, false},
                      UacCase{"UserWithUacOn", false, base::win::VERSION_WIN7, 1, true},
                      UacCase{"UserWithoutValue", false, base::win::VERSION_WIN10, -1, true},
                      UacCase{"UserWithoutKey", false, base::win::VERSION_WIN10, -2, true}),
    [](const ::testing::TestParamInfo<UacCase>& info) { return info.param.name; });

// The event's access list as SDDL.
std::wstring EventDacl(HANDLE event) {
  return test::AccessListSddl(event, SE_KERNEL_OBJECT);
}

TEST(FixEventAclTest, GrantsAdministratorsFullAccessAndKeepsTheRest) {
  // An explicit list with one entry for the owner, as a non-elevated
  // process's event would have.
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;;GA;;;WD)", SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr));
  base::win::ScopedHandle event(::CreateEventW(&attributes, TRUE, FALSE, nullptr));
  ::LocalFree(attributes.lpSecurityDescriptor);
  ASSERT_TRUE(event.IsValid());
  ASSERT_EQ(L"D:(A;;GA;;;WD)", EventDacl(event.Get()));

  ASSERT_TRUE(FixEventACL(event.Get()));
  const std::wstring dacl = EventDacl(event.Get());
  EXPECT_THAT(dacl, ::testing::HasSubstr(L"(A;;GA;;;BA)"));
  EXPECT_THAT(dacl, ::testing::HasSubstr(L"(A;;GA;;;WD)"));
}

TEST(FixEventAclTest, InvalidHandleFailsWithTheLogLine) {
  base::test::ScopedLogCollector errors(logging::LOG_ERROR);
  EXPECT_FALSE(FixEventACL(nullptr));
  ASSERT_EQ(1u, errors.lines.size());
  EXPECT_THAT(errors.lines[0], ::testing::StartsWith("FixEventACL: failed to GetSecurityInfo"));
}

}  // namespace
}  // namespace velta
