// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/folder_permission_access.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <vector>

#include "base/test/registry_sandbox.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/security_utils_impl.h"
#include "desktop/windows/installer/common/win/test/access_list_sddl.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr wchar_t kUser[] = L"S-1-5-21-7-8-9-1001";

struct MergeCase {
  const char* name;
  const wchar_t* before;
  const wchar_t* after;
};

class MergeAccountGrantTest : public ::testing::TestWithParam<MergeCase> {};

// In memory, as Wine stores no folder access lists: the account's grant is
// added (inherited by sub-folders and files), its deny entries lose their
// write bits, and everything else stays.
TEST_P(MergeAccountGrantTest, MergesTheGrant) {
  test::SddlDacl before(GetParam().before);
  ASSERT_TRUE(before.descriptor);
  const std::vector<std::wstring> unchanged = test::AccessListEntries(before.dacl);
  PSID user = nullptr;
  ASSERT_TRUE(::ConvertStringSidToSidW(kUser, &user));

  PACL merged = nullptr;
  ASSERT_TRUE(MergeAccountGrant(before.dacl, user, &merged));
  test::SddlDacl after(GetParam().after);
  EXPECT_EQ(test::AccessListEntries(after.dacl), test::AccessListEntries(merged));
  EXPECT_EQ(unchanged, test::AccessListEntries(before.dacl));
  ::LocalFree(merged);
  ::LocalFree(user);
}

TEST(MergeAccountGrantNullTest, NullListNeedsNothing) {
  PSID user = nullptr;
  ASSERT_TRUE(::ConvertStringSidToSidW(kUser, &user));
  PACL merged = reinterpret_cast<PACL>(&user);
  EXPECT_TRUE(MergeAccountGrant(nullptr, user, &merged));
  EXPECT_EQ(nullptr, merged);
  ::LocalFree(user);
}

INSTANTIATE_TEST_SUITE_P(
    Lists,
    MergeAccountGrantTest,
    ::testing::Values(
        MergeCase{"EmptyList", L"D:", L"D:(A;OICI;GA;;;S-1-5-21-7-8-9-1001)"},
        MergeCase{"OthersKept", L"D:(A;OICI;FA;;;BA)(A;;FR;;;WD)",
                  L"D:(A;OICI;FA;;;BA)(A;;FR;;;WD)(A;OICI;GA;;;S-1-5-21-7-8-9-1001)"},
        MergeCase{"WriteOnlyDenyDropped", L"D:(D;OICI;0x116;;;S-1-5-21-7-8-9-1001)(A;;FR;;;WD)",
                  L"D:(A;;FR;;;WD)(A;OICI;GA;;;S-1-5-21-7-8-9-1001)"},
        MergeCase{"DenyKeepsItsReadBits",
                  L"D:(D;;0x10116;;;S-1-5-21-7-8-9-1001)(D;;0x20;;;S-1-5-21-7-8-9-1001)",
                  L"D:(D;;0x20;;;S-1-5-21-7-8-9-1001)(A;OICI;GA;;;S-1-5-21-7-8-9-1001)"},
        MergeCase{"OtherAccountsDenyKept", L"D:(D;;0x116;;;S-1-5-21-7-8-9-1002)",
                  L"D:(D;;0x116;;;S-1-5-21-7-8-9-1002)(A;OICI;GA;;;S-1-5-21-7-8-9-1001)"}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return info.param.name; });

// On a registry key, whose access list Wine does store.
class GrantAccountFullAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    const test::CurrentUser user = test::GetCurrentUser();
    ASSERT_FALSE(user.sid.empty());
    user_name_ = user.name;
    user_sid_ = user.sid;
  }

  std::wstring KeyName() const { return L"CURRENT_USER\\" + sandbox_.path(); }

  void SetKeyDacl(const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    std::wstring name = KeyName();
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              ::SetNamedSecurityInfoW(name.data(), SE_REGISTRY_KEY,
                                      DACL_SECURITY_INFORMATION |
                                          PROTECTED_DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, dacl, nullptr));
    ::LocalFree(descriptor);
  }

  std::wstring KeyDacl() const { return test::AccessListSddl(KeyName(), SE_REGISTRY_KEY); }

  test::RegistrySandbox sandbox_;
  SecurityUtilsImpl security_utils_;
  std::wstring user_name_;
  std::wstring user_sid_;
};

TEST_F(GrantAccountFullAccessTest, GrantsThenRestoresTheExactList) {
  SetKeyDacl(L"D:P(A;OICI;KA;;;BA)(D;;0x6;;;" + user_sid_ + L")(A;;KR;;;" + user_sid_ + L")");
  const std::wstring before = KeyDacl();

  std::unique_ptr<SecurityRestoreInfo> restore;
  ASSERT_TRUE(GrantAccountFullAccess(KeyName(), SE_REGISTRY_KEY, user_name_, &restore));
  ASSERT_TRUE(restore);
  const std::wstring granted = KeyDacl();
  EXPECT_NE(std::wstring::npos, granted.find(L"(A;OICI;GA;;;" + user_sid_ + L")")) << granted;
  EXPECT_EQ(std::wstring::npos, granted.find(L"(D;")) << granted;

  EXPECT_TRUE(security_utils_.RestoreSecurity(&restore));
  EXPECT_EQ(before, KeyDacl());
}

TEST_F(GrantAccountFullAccessTest, UnknownAccountOrObjectChangesNothing) {
  const std::wstring before = KeyDacl();
  std::unique_ptr<SecurityRestoreInfo> restore;
  EXPECT_FALSE(GrantAccountFullAccess(KeyName(), SE_REGISTRY_KEY, L"no such account 71", &restore));
  EXPECT_FALSE(GrantAccountFullAccess(KeyName() + L"\\absent", SE_REGISTRY_KEY, user_name_,
                                      &restore));
  EXPECT_FALSE(restore);
  EXPECT_EQ(before, KeyDacl());
}

}  // namespace
}  // namespace velta
