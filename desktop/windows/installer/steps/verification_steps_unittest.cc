// Copyright 2026 Velta Software. All rights reserved.

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/steps/verify_downloadable_resources_step.h"
#include "desktop/windows/installer/steps/verify_package_contents_step.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using test::WriteText;

class VerificationStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    // The package folder holds every downloadable resource.
    ASSERT_TRUE(base::DeletePathRecursively(context_.package_dir()));
    ASSERT_TRUE(base::CopyDirectory(test::FromBuildPath(VELTA_DOWNLOADABLE_RESOURCE_PACKS),
                                    context_.package_dir(), true));
  }

  test::TestInstallerContext context_;
};

struct ResourcesCase {
  const char* name;
  bool minimal_marker;
  InstallOperation operation;
  // What is done to a pack first: "" nothing, "corrupt", "delete".
  const char* damage;
  uint32_t code;
};

class VerifyDownloadableResourcesTest : public VerificationStepsTest,
                                        public ::testing::WithParamInterface<ResourcesCase> {};

TEST_P(VerifyDownloadableResourcesTest, ChecksPresentPacksOfAMinimalInstallation) {
  const ResourcesCase& c = GetParam();
  if (c.minimal_marker)
    WriteText(context_.target_folder().Append(L"minimal_install"), "");
  context_.settings.operation = c.operation;
  const base::FilePath pack = context_.package_dir().Append(L"localization\\de.pak");
  ASSERT_TRUE(base::PathExists(pack));
  if (std::string(c.damage) == "corrupt") {
    WriteText(pack, "damaged");
  } else if (std::string(c.damage) == "delete") {
    ASSERT_TRUE(base::DeleteFile(pack));
  }
  VerifyDownloadableResourcesStep step(&context_);
  EXPECT_EQ("verify_downloadable_resources", step.name());
  StepResult result = test::RunStep(step);
  EXPECT_EQ(c.code, result.code);
  if (c.code != StepResult::kSuccess) {
    EXPECT_EQ(1u, result.subcode);
    EXPECT_TRUE(result.wide_text.empty());
    EXPECT_THAT(result.text, StartsWith("Downloadable resource checksum validation error: " +
                                        pack.AsUTF8Unsafe() + " hash doesn't match: "));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    VerifyDownloadableResourcesTest,
    ::testing::Values(
        ResourcesCase{"FullInstallationIsNotChecked", false,
                      InstallOperation::kNewInstallation, "corrupt", StepResult::kSuccess},
        ResourcesCase{"MinimalAndWhole", true, InstallOperation::kNewInstallation, "",
                      StepResult::kSuccess},
        ResourcesCase{"MinimalWithAMissingPack", true, InstallOperation::kNewInstallation,
                      "delete", StepResult::kSuccess},
        ResourcesCase{"MinimalWithADamagedPack", true, InstallOperation::kNewInstallation,
                      "corrupt", StepResult::kFailure},
        ResourcesCase{"RepairWithoutMarker", false,
                      InstallOperation::kRepairDownloadableResources, "corrupt",
                      StepResult::kFailure}),
    [](const auto& info) { return info.param.name; });

struct ContentsCase {
  const char* name;
  bool has_package_dir;
  std::vector<std::string> files;
  std::vector<std::string> root_files;
  std::vector<std::string> extra_files;
  // The failure text's list, or null for success.
  const char* unreadable;
  std::vector<std::wstring> recorded;
};

class VerifyPackageContentsTest : public VerificationStepsTest,
                                  public ::testing::WithParamInterface<ContentsCase> {};

TEST_P(VerifyPackageContentsTest, OpensEveryListedFile) {
  const ContentsCase& c = GetParam();
  context_.has_package_dir = c.has_package_dir;
  const base::FilePath list_folder =
      c.has_package_dir ? context_.target_folder() : context_.package_dir();
  for (const char* name : {"a.dll", "lib\\b.dll", "root.txt"})
    ASSERT_TRUE(test::WriteFileWithFolders(list_folder.AppendASCII(name), name));
  ASSERT_TRUE(test::WriteFileWithFolders(context_.package_dir().AppendASCII("extra.dat"), "x"));
  VerifyPackageContentsStep step(&context_, c.files, c.root_files, c.extra_files);
  EXPECT_EQ("verify_package_contents", step.name());
  StepResult result = test::RunStep(step);
  if (c.unreadable) {
    EXPECT_EQ(StepResult::kFailure, result.code);
    EXPECT_EQ(1u, result.subcode);
    EXPECT_EQ(std::string("Package verification failed, files '") + c.unreadable +
                  "' cannot be opened.",
              result.text);
    EXPECT_THAT(context_.new_status.files, IsEmpty());
  } else {
    EXPECT_EQ(StepResult::kSuccess, result.code) << result.text;
    std::vector<base::FilePath> recorded;
    for (const std::wstring& path : c.recorded)
      recorded.emplace_back(path);
    EXPECT_EQ(recorded, context_.new_status.files);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    VerifyPackageContentsTest,
    ::testing::Values(
        ContentsCase{"EmptyListsPass", false, {}, {}, {}, nullptr, {}},
        ContentsCase{"AllReadableInThePackage",
                     false,
                     {"a.dll", "lib\\b.dll"},
                     {"root.txt"},
                     {"extra.dat"},
                     nullptr,
                     {}},
        // Unpacked into the target folder: the standard list is recorded.
        ContentsCase{"AllReadableInTheTargetFolder",
                     true,
                     {"a.dll", "lib\\b.dll"},
                     {"root.txt"},
                     {"extra.dat"},
                     nullptr,
                     {L"a.dll", L"lib\\b.dll"}},
        // Every unreadable file is named, in list order: standard, root,
        // extra (the extra list is read from the package folder).
        ContentsCase{"EveryFailureNamedInOrder",
                     true,
                     {"a.dll", "gone.dll", "lib\\b.dll"},
                     {"root.txt", "gone_root.txt"},
                     {"extra.dat", "a.dll"},
                     "gone.dll gone_root.txt a.dll",
                     {}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace velta
