// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/security_utils_impl.h"

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/registry_sandbox.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/win/test/access_list_sddl.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr DWORD kFileWriteAndDelete = 0x130116;

// The real implementation, on what Wine does: every process is an elevated
// administrator, every access check passes, and access lists are accepted but
// not stored. The roads without access are exercised through the fake by the
// operations' tests.
class SecurityUtilsImplTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    folder_ = temp_dir_.GetPath().Append(L"folder");
    ASSERT_TRUE(::CreateDirectoryW(folder_.value().c_str(), nullptr));
    file_ = folder_.Append(L"file.dll");
    ASSERT_TRUE(base::WriteFile(file_, "data"));
    ASSERT_TRUE(registry_.is_valid());
  }

  std::wstring KeyObjectName() const { return L"CURRENT_USER\\" + registry_.path(); }

  SecurityUtilsImpl security_utils_;
  base::ScopedTempDir temp_dir_;
  base::FilePath folder_;
  base::FilePath file_;
  test::RegistrySandbox registry_;
};

TEST_F(SecurityUtilsImplTest, ElevatedAdministratorIsInAdminGroupEitherWay) {
  EXPECT_TRUE(security_utils_.IsUserInAdminGroup(true));
  EXPECT_TRUE(security_utils_.IsUserInAdminGroup(false));
  EXPECT_FALSE(security_utils_.NeedsElevation(/*all_users=*/true, /*folder_writable=*/false));
}

TEST_F(SecurityUtilsImplTest, HasAccessToFilesAndKeys) {
  EXPECT_TRUE(security_utils_.HasAccess(file_.value(), SE_FILE_OBJECT, kFileWriteAndDelete));
  EXPECT_TRUE(security_utils_.HasAccess(folder_.value(), SE_FILE_OBJECT, GENERIC_ALL));
  EXPECT_TRUE(security_utils_.HasAccess(KeyObjectName(), SE_REGISTRY_KEY,
                                        KEY_QUERY_VALUE | KEY_SET_VALUE));
}

// A key that exists only in the 32-bit view of HKLM (WOW6432Node on a 64-bit
// system). Asked by name, Wine answers with success and no descriptor; the
// key is read and written through a handle opened in its view instead.
TEST_F(SecurityUtilsImplTest, KeyOfThe32BitViewIsCheckedGrantedAndRestored) {
  test::RegistrySandbox machine(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(machine.is_valid());
  const std::wstring path = machine.Path(L"only32");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr));
  ::RegCloseKey(key);
  const std::wstring name = L"MACHINE\\" + path;
  EXPECT_TRUE(security_utils_.HasAccess(name, SE_REGISTRY_WOW64_32KEY,
                                        KEY_QUERY_VALUE | KEY_SET_VALUE));
  std::unique_ptr<SecurityRestoreInfo> restore;
  ASSERT_TRUE(security_utils_.TakeOwnershipAndGrantFullAccess(
      name, SE_REGISTRY_WOW64_32KEY, KEY_QUERY_VALUE | KEY_SET_VALUE, false, &restore));
  ASSERT_TRUE(restore);
  EXPECT_TRUE(restore->security_descriptor());
  EXPECT_TRUE(security_utils_.RestoreSecurity(&restore));
  // A key missing from that view is not found through the other one.
  EXPECT_FALSE(security_utils_.HasAccess(L"MACHINE\\" + machine.Path(L"absent"),
                                         SE_REGISTRY_WOW64_32KEY, KEY_QUERY_VALUE));
  EXPECT_FALSE(security_utils_.HasAccess(L"NOWHERE\\" + path, SE_REGISTRY_WOW64_32KEY,
                                         KEY_QUERY_VALUE));
}

// Under Wine every file is owned by the current user; owners of other
// accounts are exercised through the fake by the leftover cleaner's tests.
TEST_F(SecurityUtilsImplTest, OwnFilesAreOwnedByTheUserOrAdministrators) {
  for (const base::FilePath& path : {file_, folder_}) {
    base::win::ScopedHandle object(::CreateFileW(
        path.value().c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(object.IsValid());
    EXPECT_TRUE(security_utils_.IsOwnedByUserOrAdministrators(object.Get())) << path;
  }
  // An owner that cannot be read (no READ_CONTROL) vouches for nothing.
  base::win::ScopedHandle attributes_only(::CreateFileW(
      file_.value().c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(attributes_only.IsValid());
  EXPECT_FALSE(security_utils_.IsOwnedByUserOrAdministrators(attributes_only.Get()));
}

TEST_F(SecurityUtilsImplTest, HasAccessIsFalseForWhatCannotBeRead) {
  EXPECT_FALSE(security_utils_.HasAccess(folder_.Append(L"absent.dll").value(), SE_FILE_OBJECT,
                                         kFileWriteAndDelete));
  EXPECT_FALSE(security_utils_.HasAccess(KeyObjectName() + L"\\absent", SE_REGISTRY_KEY,
                                         KEY_QUERY_VALUE));
}

TEST_F(SecurityUtilsImplTest, HasAccessRefusesOtherObjectTypes) {
  for (SE_OBJECT_TYPE type : {SE_SERVICE, SE_PRINTER, SE_KERNEL_OBJECT, SE_WINDOW_OBJECT,
                              SE_LMSHARE, SE_UNKNOWN_OBJECT_TYPE}) {
    EXPECT_FALSE(security_utils_.HasAccess(file_.value(), type, GENERIC_READ)) << type;
  }
}

TEST_F(SecurityUtilsImplTest, EnablePrivilegeOfAHeldPrivilege) {
  EXPECT_TRUE(security_utils_.EnablePrivilege(L"SeTakeOwnershipPrivilege", true));
  EXPECT_TRUE(security_utils_.EnablePrivilege(L"SeTakeOwnershipPrivilege", false));
  EXPECT_FALSE(security_utils_.EnablePrivilege(L"SeNoSuchPrivilege", true));
}

TEST_F(SecurityUtilsImplTest, GrantAndRestoreRoundTrip) {
  for (const std::wstring& path : {folder_.value(), file_.value()}) {
    std::unique_ptr<SecurityRestoreInfo> restore;
    ASSERT_TRUE(security_utils_.TakeOwnershipAndGrantFullAccess(path, SE_FILE_OBJECT,
                                                                kFileWriteAndDelete, false,
                                                                &restore))
        << path;
    ASSERT_TRUE(restore);
    EXPECT_EQ(path, restore->path());
    EXPECT_EQ(SE_FILE_OBJECT, restore->object_type());
    EXPECT_TRUE(restore->security_descriptor());
    EXPECT_TRUE(security_utils_.RestoreSecurity(&restore));
    EXPECT_FALSE(restore);
  }
  std::unique_ptr<SecurityRestoreInfo> restore;
  ASSERT_TRUE(security_utils_.TakeOwnershipAndGrantFullAccess(
      KeyObjectName(), SE_REGISTRY_KEY, KEY_QUERY_VALUE | KEY_SET_VALUE, false, &restore));
  ASSERT_TRUE(restore);
  EXPECT_EQ(SE_REGISTRY_KEY, restore->object_type());
  EXPECT_TRUE(security_utils_.RestoreSecurity(&restore));
}

TEST_F(SecurityUtilsImplTest, PermanentGrantLeavesNothingToRestore) {
  std::unique_ptr<SecurityRestoreInfo> restore =
      std::make_unique<SecurityRestoreInfo>(L"stale", SE_FILE_OBJECT, nullptr, nullptr);
  ASSERT_TRUE(security_utils_.TakeOwnershipAndGrantFullAccess(folder_.value(), SE_FILE_OBJECT,
                                                              GENERIC_ALL, true, &restore));
  EXPECT_FALSE(restore);
  EXPECT_FALSE(security_utils_.RestoreSecurity(&restore));
}

// An access list that cannot be read must not be replaced: the grant fails
// and leaves nothing that a later restore could write back.
TEST_F(SecurityUtilsImplTest, GrantFailsWhenTheAccessListCannotBeRead) {
  std::unique_ptr<SecurityRestoreInfo> restore;
  EXPECT_FALSE(security_utils_.TakeOwnershipAndGrantFullAccess(
      folder_.Append(L"absent").value(), SE_FILE_OBJECT, GENERIC_ALL, false, &restore));
  EXPECT_FALSE(restore);
  EXPECT_FALSE(security_utils_.TakeOwnershipAndGrantFullAccess(
      KeyObjectName() + L"\\absent", SE_REGISTRY_KEY, KEY_ALL_ACCESS, false, &restore));
  EXPECT_FALSE(restore);
}

TEST_F(SecurityUtilsImplTest, RecordWithoutSavedDescriptorRestoresNothing) {
  std::unique_ptr<SecurityRestoreInfo> restore =
      std::make_unique<SecurityRestoreInfo>(folder_.value(), SE_FILE_OBJECT, nullptr, nullptr);
  EXPECT_FALSE(security_utils_.RestoreSecurity(&restore));
  EXPECT_FALSE(restore);
}

// The list a grant writes, built in memory: Wine stores no folder access
// lists and turns a key's null list into an empty one. "%U" stands for the
// account the test runs as, which is granted query and set (0x3).
struct GrantCase {
  const char* name;
  // Null: a null list (Wine reads "D:NO_ACCESS_CONTROL" as an empty one).
  const wchar_t* before;
  // Null: nothing is to be written.
  const wchar_t* after;
};

class BuildAccessListWithGrantTest : public ::testing::TestWithParam<GrantCase> {};

TEST_P(BuildAccessListWithGrantTest, GrantsTheUserAndKeepsTheRest) {
  const test::CurrentUser user = test::GetCurrentUser();
  ASSERT_FALSE(user.sid.empty());
  auto with_user = [&user](std::wstring sddl) {
    for (size_t at = sddl.find(L"%U"); at != std::wstring::npos; at = sddl.find(L"%U"))
      sddl.replace(at, 2, user.sid);
    return sddl;
  };
  test::SddlDacl before(with_user(GetParam().before ? GetParam().before : L"D:"));
  ASSERT_TRUE(before.descriptor);
  const PACL dacl = GetParam().before ? before.dacl : nullptr;
  const std::vector<std::wstring> unchanged = test::AccessListEntries(dacl);

  PACL granted = nullptr;
  ASSERT_TRUE(
      BuildAccessListWithGrant(dacl, KEY_QUERY_VALUE | KEY_SET_VALUE, user.name, &granted));
  if (GetParam().after) {
    test::SddlDacl after(with_user(GetParam().after));
    EXPECT_EQ(test::AccessListEntries(after.dacl), test::AccessListEntries(granted));
  } else {
    EXPECT_EQ(nullptr, granted);
  }
  EXPECT_EQ(unchanged, test::AccessListEntries(dacl));
  ::LocalFree(granted);
}

INSTANTIATE_TEST_SUITE_P(
    Lists,
    BuildAccessListWithGrantTest,
    ::testing::Values(
        // Open to everyone: a list of the grant alone would shut out the rest.
        GrantCase{"NullListIsLeftOpen", nullptr, nullptr},
        GrantCase{"EmptyList", L"D:", L"D:(A;OICI;0x3;;;%U)"},
        GrantCase{"OthersKept", L"D:(A;OICI;KA;;;BA)(A;;KR;;;WD)",
                  L"D:(A;OICI;KA;;;BA)(A;;KR;;;WD)(A;OICI;0x3;;;%U)"},
        // Everyone (WD): Wine's token membership check looks at the
        // token's groups only, not at its user.
        GrantCase{"OwnGroupsDenyLosesTheGrantedBits", L"D:(D;;0x6;;;WD)(D;;0x1;;;WD)",
                  L"D:(D;;0x4;;;WD)(A;OICI;0x3;;;%U)"},
        GrantCase{"OthersDenyKept", L"D:(D;;0x3;;;S-1-5-21-7-8-9-1002)",
                  L"D:(D;;0x3;;;S-1-5-21-7-8-9-1002)(A;OICI;0x3;;;%U)"}),
    [](const ::testing::TestParamInfo<GrantCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
