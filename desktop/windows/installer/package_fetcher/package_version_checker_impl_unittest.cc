// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_version_checker_impl.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::HasSubstr;

// Stands for the package archive: "unpacks" the wanted installer.exe by
// writing it, or fails to open as told. The archive reader has tests of its own.
class FakeArchive : public LzmaUtil {
 public:
  int Open(const base::FilePath&) override { return open_result; }
  void Close() override {}
  int Unpack(const base::FilePath& location,
             const std::set<base::FilePath>& wanted,
             UnpackProgressDelegate*,
             std::vector<base::FilePath>*,
             std::vector<base::FilePath>*) override {
    // As the reader, wanted entries are named by their full output paths.
    for (const base::FilePath& path : wanted) {
      EXPECT_TRUE(location.IsParent(path)) << path.AsUTF8Unsafe();
      base::WriteFile(path, "MZ");
    }
    return 0;
  }
  int open_result = 0;
};

struct VersionCase {
  const char* name;
  const char* internal_version;
  const char* stream;  // null: the installer's own
  bool in_resources = true;
  int open_result = 0;
  const char* error = "";
};

void PrintTo(const VersionCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class PackageVersionCheckerTest : public testing::TestWithParam<VersionCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.CreateUniqueTempDir()); }
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_;
};

TEST_P(PackageVersionCheckerTest, ChecksTheMainPackage) {
  const VersionCase& test_case = GetParam();
  std::string own_version = ProductInfo::GetInstance()->GetInternalVersion();
  auto versions = std::make_unique<test::FakeFileVersionUtils>();
  versions->found_in_resources = test_case.in_resources;
  versions->internal_version =
      test_case.internal_version ? test_case.internal_version : own_version;
  versions->stream =
      test_case.stream ? test_case.stream : ProductInfo::GetInstance()->GetChannelName();
  test::FakeFileVersionUtils* versions_seen = versions.get();
  auto archive = std::make_unique<FakeArchive>();
  archive->open_result = test_case.open_result;
  PackageVersionCheckerImpl checker(std::move(versions), std::move(archive));

  std::string version;
  std::string stream;
  bool passed = checker.CheckMainPackage(folder_.GetPath(), &version, &stream);
  EXPECT_EQ(*test_case.error == '\0', passed) << GetInstallerErrorDetail();
  if (!passed) {
    EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr(test_case.error));
    EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("Main component version check failed"));
  }
  // The legacy road reads the unpacked installer's output and deletes it.
  EXPECT_FALSE(base::PathExists(folder_.GetPath().Append(L"installer.exe")));
  bool legacy = !test_case.in_resources;
  std::string package_version;
  EXPECT_EQ(
      legacy && passed,
      base::ReadFileToString(folder_.GetPath().Append(kPackageVersionFileName), &package_version));
  if (legacy && passed) {
    EXPECT_EQ(versions_seen->version, package_version);
  }
}

const VersionCase kVersionCases[] = {
    {.name = "SameVersionPasses", .internal_version = nullptr, .stream = nullptr},
    {.name = "NewerVersionPasses", .internal_version = "99999.0", .stream = nullptr},
    {.name = "OlderVersionFails",
     .internal_version = "1.0",
     .stream = nullptr,
     .error = "Downloaded item is older than the installer"},
    {.name = "InvalidVersionFails",
     .internal_version = "x",
     .stream = nullptr,
     .error = "Downloaded item is older than the installer"},
    {.name = "NewerOfAnotherStreamFails",
     .internal_version = "99999.0",
     .stream = "other",
     .error = "Downloaded item is of a different stream than the installer"},
    {.name = "LegacyPackageWritesItsVersion",
     .internal_version = nullptr,
     .stream = nullptr,
     .in_resources = false},
    {.name = "LegacyPackageThatCannotBeOpened",
     .internal_version = nullptr,
     .stream = nullptr,
     .in_resources = false,
     .open_result = 2,
     .error = "Cannot unpack installer.exe for legacy version check"},
};

INSTANTIATE_TEST_SUITE_P(Cases,
                         PackageVersionCheckerTest,
                         testing::ValuesIn(kVersionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackageVersionCheckerAdditionalFileTest, SuiteFallsBackToAssistantOnlyWhenMissing) {
  ScopedInstallerErrorRecord error_record;
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  auto versions = std::make_unique<test::FakeFileVersionUtils>();
  versions->internal_version = ProductInfo::GetInstance()->GetInternalVersion();
  test::FakeFileVersionUtils* seen = versions.get();
  PackageVersionCheckerImpl checker(std::move(versions), std::make_unique<FakeArchive>());

  EXPECT_TRUE(checker.CheckAdditionalFile(folder.GetPath(), L"suite"));
  EXPECT_TRUE(base::WriteFile(folder.GetPath().Append(L"suite_installer.exe"), "MZ"));
  EXPECT_TRUE(checker.CheckAdditionalFile(folder.GetPath(), L"suite"));
  EXPECT_TRUE(checker.CheckAdditionalFile(folder.GetPath(), L"partner.bin"));
  ASSERT_EQ(3u, seen->asked.size());
  EXPECT_EQ(L"assistant_installer.exe", seen->asked[0].BaseName().value());
  EXPECT_EQ(L"suite_installer.exe", seen->asked[1].BaseName().value());
  EXPECT_EQ(L"partner_installer.exe.bin", seen->asked[2].BaseName().value());

  seen->internal_version = "1.0";
  EXPECT_FALSE(checker.CheckAdditionalFile(folder.GetPath(), L"suite"));
  EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("Additional file version invalid"));
}

}  // namespace
}  // namespace velta
