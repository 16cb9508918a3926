// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/install_folder_access.h"

#include "gtest/gtest.h"

namespace velta {
namespace {

struct AccessCase {
  const char* name;
  InstallFolderAccessFacts facts;
  InstallFolderAccess expected;
};

class InstallFolderAccessTest : public testing::TestWithParam<AccessCase> {};

TEST_P(InstallFolderAccessTest, Decides) {
  EXPECT_EQ(GetParam().expected, DecideInstallFolderAccess(GetParam().facts));
}

INSTANTIATE_TEST_SUITE_P(
    Roads,
    InstallFolderAccessTest,
    testing::Values(
        AccessCase{.name = "WritableFolder",
                   .facts = {.has_write = true},
                   .expected = InstallFolderAccess::kWrite},
        AccessCase{.name = "UnwritableFolderIsGrantedFirst",
                   .facts = {.can_elevate = true},
                   .expected = InstallFolderAccess::kGrantOwnAccess},
        AccessCase{.name = "PlainUserBorrowsTheHelpersGrant",
                   .facts = {.own_grant_failed = true},
                   .expected = InstallFolderAccess::kBorrowGrant},
        AccessCase{.name = "UserWhoCanElevateRunsElevated",
                   .facts = {.own_grant_failed = true, .can_elevate = true},
                   .expected = InstallFolderAccess::kRunElevated},
        AccessCase{.name = "AdministratorWithoutAccessIsRefused",
                   .facts = {.is_admin = true, .own_grant_failed = true, .can_elevate = true},
                   .expected = InstallFolderAccess::kRefuseAdministrator},
        AccessCase{.name = "AllUsersWithoutAdministratorRunsElevatedEvenIfWritable",
                   .facts = {.all_users = true, .has_write = true},
                   .expected = InstallFolderAccess::kRunElevated},
        AccessCase{.name = "AllUsersAsAdministratorIntoWritableFolder",
                   .facts = {.all_users = true, .is_admin = true, .has_write = true},
                   .expected = InstallFolderAccess::kWrite},
        AccessCase{.name = "AllUsersAsAdministratorWithoutAccessIsRefused",
                   .facts = {.all_users = true,
                             .is_admin = true,
                             .own_grant_failed = true},
                   .expected = InstallFolderAccess::kRefuseAdministrator},
        AccessCase{.name = "SingleProfileIntoUnwritableFolderIsRefusedBeforeElevating",
                   .facts = {.all_users = true, .needs_writable_folder = true},
                   .expected = InstallFolderAccess::kRefuseSingleProfile},
        AccessCase{.name = "SingleProfileIntoWritableFolder",
                   .facts = {.has_write = true, .needs_writable_folder = true},
                   .expected = InstallFolderAccess::kWrite}),
    [](const testing::TestParamInfo<AccessCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
