// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/owner_only_folder_security.h"

#include <windows.h>

#include <string>

#include "desktop/windows/installer/common/win/test/access_list_sddl.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// The list as made in memory (Wine keeps no access list on a folder made
// with it; what a real folder shows is the probe's test): full access for
// the user, SYSTEM and Administrators, inherited by files and folders, and
// nothing taken from the parent.
TEST(OwnerOnlyFolderSecurityTest, GrantsTheUserSystemAndAdministratorsOnly) {
  const test::CurrentUser user = test::GetCurrentUser();
  ASSERT_FALSE(user.sid.empty());
  OwnerOnlyFolderSecurity security;
  ASSERT_TRUE(security.IsValid());
  const PSECURITY_DESCRIPTOR descriptor = security.attributes()->lpSecurityDescriptor;
  ASSERT_TRUE(descriptor);
  EXPECT_FALSE(security.attributes()->bInheritHandle);

  BOOL present = FALSE;
  BOOL defaulted = TRUE;
  PACL dacl = nullptr;
  ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
  EXPECT_TRUE(present);
  EXPECT_FALSE(defaulted);
  test::SddlDacl expected(L"D:P(A;OICI;FA;;;" + user.sid + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  ASSERT_TRUE(expected.dacl);
  EXPECT_EQ(test::AccessListEntries(expected.dacl), test::AccessListEntries(dacl));

  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
}

}  // namespace
}  // namespace velta
