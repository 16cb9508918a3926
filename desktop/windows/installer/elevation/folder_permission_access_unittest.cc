// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/folder_permission_access.h"

#include <windows.h>
#include <aclapi.h>
#include <lmcons.h>
#include <sddl.h>

#include <algorithm>
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

// The entries of `dacl`, sorted (the order SetEntriesInAcl gives differs:
// Wine puts the new entry first), as "A|D inheritance-flags mask SID".
std::vector<std::wstring> Entries(PACL dacl) {
  std::vector<std::wstring> entries;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace))
      return {L"<unreadable>"};
    auto* header = static_cast<ACE_HEADER*>(ace);
    // Allowed and denied entries share one layout.
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    LPWSTR sid = nullptr;
    if (!::ConvertSidToStringSidW(&allowed->SidStart, &sid))
      return {L"<bad sid>"};
    wchar_t text[128];
    swprintf(text, 128, L"%ls %x %lx %ls",
             header->AceType == ACCESS_DENIED_ACE_TYPE ? L"D" : L"A",
             static_cast<unsigned>(header->AceFlags & VALID_INHERIT_FLAGS),
             static_cast<unsigned long>(allowed->Mask), sid);
    ::LocalFree(sid);
    entries.push_back(text);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// The access list of a descriptor given as SDDL.
struct SddlDacl {
  explicit SddlDacl(const wchar_t* sddl) {
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
      return;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  }
  ~SddlDacl() { ::LocalFree(descriptor); }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
};

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
  SddlDacl before(GetParam().before);
  ASSERT_TRUE(before.descriptor);
  const std::vector<std::wstring> unchanged = Entries(before.dacl);
  PSID user = nullptr;
  ASSERT_TRUE(::ConvertStringSidToSidW(kUser, &user));

  PACL merged = nullptr;
  ASSERT_TRUE(MergeAccountGrant(before.dacl, user, &merged));
  SddlDacl after(GetParam().after);
  EXPECT_EQ(Entries(after.dacl), Entries(merged));
  EXPECT_EQ(unchanged, Entries(before.dacl));
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
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    ASSERT_TRUE(::GetUserNameW(name, &size));
    user_name_ = name;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sid_size = sizeof(sid);
    wchar_t domain[256];
    DWORD domain_size = 256;
    SID_NAME_USE use;
    ASSERT_TRUE(::LookupAccountNameW(nullptr, name, sid, &sid_size, domain, &domain_size, &use));
    LPWSTR sid_text = nullptr;
    ASSERT_TRUE(::ConvertSidToStringSidW(sid, &sid_text));
    user_sid_ = sid_text;
    ::LocalFree(sid_text);
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
