// Copyright 2026 Velta Software. All rights reserved.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/test/scoped_folder_link.h"
#include "base/test/scoped_log_collector.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/steps/delete_file_step.h"
#include "desktop/windows/installer/steps/install_helper_step.h"
#include "desktop/windows/installer/steps/launcher_copy_step.h"
#include "desktop/windows/installer/steps/move_file_step.h"
#include "desktop/windows/installer/steps/pref_overrides_copy_step.h"
#include "desktop/windows/installer/steps/remove_minimal_install_file_step.h"
#include "desktop/windows/installer/steps/root_copy_step.h"
#include "desktop/windows/installer/steps/standard_copy_step.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
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
using test::ReadText;
using test::SnapshotFolder;
using test::TestInstallerContext;
using test::WriteText;


class FileStepsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(context_.is_valid()); }

  std::map<std::wstring, std::string> Snapshot() { return SnapshotFolder(context_.scratch()); }

  TestInstallerContext context_;
};

// Each kind of copy, where it takes the file from and puts it, and what it
// records.
struct CopyCase {
  const char* name;
  // Makes the step.
  std::function<std::unique_ptr<CopyFileStep>(InstallerContext*)> make;
  bool has_package_dir;
  // Where the source is written, and where the copy must land, relative to
  // the scratch folder.
  const wchar_t* source;
  const wchar_t* destination;
  // Recorded in the new status: "files", "root_files" or nothing.
  const char* recorded_in;
  // The source is left where it was.
  bool source_stays;
};

class CopyStepTest : public FileStepsTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyStepTest, CopiesIntoItsFolderAndRecords) {
  const CopyCase& c = GetParam();
  context_.has_package_dir = c.has_package_dir;
  const base::FilePath source = context_.scratch().Append(c.source);
  ASSERT_TRUE(test::WriteFileWithFolders(source, "{\"a\": 1}"));
  std::unique_ptr<CopyFileStep> step = c.make(&context_);
  EXPECT_EQ("copy_file:" + step->relative_path().AsUTF8Unsafe(), step->name());
  EXPECT_TRUE(IsCopyFileStep(step->name()));
  const auto before = Snapshot();

  StepResult result = test::RunStep(*step);
  EXPECT_EQ(StepResult::kSuccess, result.code) << result.text;
  EXPECT_EQ("{\"a\": 1}", ReadText(context_.scratch().Append(c.destination)));
  EXPECT_EQ(c.source_stays, base::PathExists(source));
  const std::string recorded = c.recorded_in;
  EXPECT_EQ(recorded == "files" ? std::vector<base::FilePath>{step->relative_path()}
                                : std::vector<base::FilePath>{},
            context_.new_status.files);
  EXPECT_EQ(recorded == "root_files" ? std::vector<base::FilePath>{step->relative_path()}
                                     : std::vector<base::FilePath>{},
            context_.new_status.root_files);
  EXPECT_THAT(context_.events, IsEmpty());

  context_.transaction.Rollback();
  EXPECT_EQ(before, Snapshot());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds,
    CopyStepTest,
    ::testing::Values(
        CopyCase{"Standard",
                 [](InstallerContext* c) {
                   return std::make_unique<StandardCopyStep>(
                               c, base::FilePath(L"lib\\a.dll"));
                 },
                 false, L"package\\lib\\a.dll", L"install\\1.2.3.4\\lib\\a.dll", "files", true},
        CopyCase{"Root",
                 [](InstallerContext* c) {
                   return std::make_unique<RootCopyStep>(
                               c, base::FilePath(L"root.txt"));
                 },
                 false, L"package\\root.txt", L"install\\root.txt", "root_files", true},
        CopyCase{"LauncherFromThePackage",
                 [](InstallerContext* c) { return std::make_unique<LauncherCopyStep>(c); }, false,
                 L"package\\launcher.exe", L"install\\launcher.exe", "", true},
        // Unpacked into the target folder: copied up, and the copy left
        // there is deleted.
        CopyCase{"LauncherFromTheTargetFolder",
                 [](InstallerContext* c) { return std::make_unique<LauncherCopyStep>(c); }, true,
                 L"install\\1.2.3.4\\launcher.exe", L"install\\launcher.exe", "", false},
        CopyCase{"PrefOverrides",
                 [](InstallerContext* c) { return std::make_unique<PrefOverridesCopyStep>(c); },
                 false, L"package\\pref_default_overrides", L"install\\pref_default_overrides",
                 "", true}),
    [](const auto& info) { return info.param.name; });

// A required copy that fails is retried, then fatal, with installer error
// 10; each retry is reported.
TEST_F(FileStepsTest, FailedRequiredCopyIsRetriedThenFatal) {
  StandardCopyStep step(&context_, base::FilePath(L"missing.dll"));
  const auto before = Snapshot();
  StepResult result = test::RunStep(step, 0);
  EXPECT_EQ(StepResult::kRetryThenFail, result.code);
  EXPECT_EQ(10u, result.subcode);
  const base::FilePath destination = context_.target_folder().Append(L"missing.dll");
  EXPECT_EQ(destination.value(), result.wide_text);
  EXPECT_THAT(result.text, StartsWith("Failed copying missing.dll to " +
                                      destination.AsUTF8Unsafe() + " because of error: "));
  EXPECT_GT(result.text.size(),
            ("Failed copying missing.dll to " + destination.AsUTF8Unsafe() +
             " because of error: ")
                .size());
  EXPECT_THAT(context_.events, IsEmpty());
  test::RunStep(step, 1);
  test::RunStep(step, 2);
  EXPECT_THAT(context_.events, ElementsAre("file_copy_retry", "file_copy_retry"));
  EXPECT_THAT(context_.new_status.files, IsEmpty());
  EXPECT_EQ(before, Snapshot());
}

// The overrides are optional: missing or unparsable ones are skipped with
// success; a copy that fails is retried and then ignored.
TEST_F(FileStepsTest, PrefOverridesAreSkippedOrIgnored) {
  PrefOverridesCopyStep step(&context_);
  const base::FilePath destination = context_.install_folder().Append(L"pref_default_overrides");
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(destination));

  const base::FilePath source = context_.package_dir().Append(L"pref_default_overrides");
  WriteText(source, "{not json");
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(destination));

  WriteText(source, "{}");
  FakeSecurityUtils security;
  test::FailingOperationFactory factory(&security);
  factory.Fail(0, test::FailingOperationFactory::Failure::kAfterDo);
  context_.factory = &factory;
  StepResult result = test::RunStep(step);
  context_.factory = &context_.real_factory;
  EXPECT_EQ(StepResult::kRetryThenIgnore, result.code);
  EXPECT_EQ(10u, result.subcode);
}

TEST_F(FileStepsTest, DeleteFileStepDeletesAndRollsBack) {
  const base::FilePath file = context_.target_folder().Append(L"files_list");
  WriteText(file, "a.dll");
  DeleteFileStep step(&context_, file);
  EXPECT_EQ("delete_file_step", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(file));
  context_.transaction.Rollback();
  EXPECT_EQ("a.dll", ReadText(file));

  // Held open without sharing, it cannot be taken away.
  base::win::ScopedHandle held = test::HoldWithoutSharing(file);
  ASSERT_TRUE(held.IsValid());
  StepResult result = test::RunStep(step);
  EXPECT_EQ(StepResult::kRetryThenFail, result.code);
  EXPECT_EQ(1u, result.subcode);
  EXPECT_EQ("Cannot delete file " + file.AsUTF8Unsafe(), result.text);
  EXPECT_TRUE(result.wide_text.empty());
}

TEST_F(FileStepsTest, MoveFileStepMovesARootFileUp) {
  WriteText(context_.target_folder().Append(L"root.txt"), "root");
  const auto before = Snapshot();
  MoveFileStep step(&context_, base::FilePath(L"root.txt"));
  EXPECT_TRUE(IsMoveFileStep(step.name()));
  EXPECT_FALSE(IsCopyFileStep(step.name()));
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_EQ("root", ReadText(context_.install_folder().Append(L"root.txt")));
  EXPECT_FALSE(base::PathExists(context_.target_folder().Append(L"root.txt")));
  EXPECT_THAT(context_.new_status.root_files, ElementsAre(base::FilePath(L"root.txt")));
  context_.transaction.Rollback();
  EXPECT_EQ(before, Snapshot());

  MoveFileStep missing(&context_, base::FilePath(L"missing.txt"));
  StepResult result = test::RunStep(missing);
  EXPECT_EQ(StepResult::kRetryThenFail, result.code);
  EXPECT_EQ(10u, result.subcode);
  EXPECT_EQ(context_.install_folder().value(), result.wide_text);
  EXPECT_THAT(result.text, StartsWith("Failed moving missing.txt to " +
                                      context_.install_folder().AsUTF8Unsafe() +
                                      " because of error: "));
}

// A file step whose file lies below the install folder where a link (a
// junction or symbolic link) stands for one of its folders.
struct ThroughALinkCase {
  const char* name;
  std::function<std::unique_ptr<InstallerStep>(InstallerContext*)> make;
  bool has_package_dir;
  // Below the scratch folder: the file the step starts from when it is
  // ours (else it is the outside folder's), and the folder replaced by a
  // link to the outside folder.
  const wchar_t* source;
  const wchar_t* link;
};

class ThroughALinkTest : public FileStepsTest,
                         public ::testing::WithParamInterface<ThroughALinkCase> {};

// The outside folder's files of the same names (and what is next to them)
// are neither parked, replaced, moved away nor added to: the step fails as
// its other failures do (retried, then fatal), and records nothing. (Under
// Wine the link is a Unix symbolic link: see ScopedFolderLink.)
TEST_P(ThroughALinkTest, FailsAndLeavesTheOtherPlace) {
  const ThroughALinkCase& c = GetParam();
  context_.has_package_dir = c.has_package_dir;
  if (c.source) {
    ASSERT_TRUE(test::WriteFileWithFolders(context_.scratch().Append(c.source), "ours"));
  }
  const base::FilePath outside = context_.scratch().Append(L"outside");
  for (const wchar_t* name : {L"x.txt", L"launcher.exe", L"a.dll"})
    ASSERT_TRUE(test::WriteFileWithFolders(outside.Append(name), "someone else's"));
  const base::FilePath link = context_.scratch().Append(c.link);
  ASSERT_TRUE(base::DeletePathRecursively(link));
  const test::ScopedFolderLink folder_link(link, outside);
  ASSERT_TRUE(folder_link.is_valid());
  const auto before = SnapshotFolder(outside);

  std::unique_ptr<InstallerStep> step = c.make(&context_);
  StepResult result = test::RunStep(*step);
  EXPECT_EQ(StepResult::kRetryThenFail, result.code);
  EXPECT_EQ(10u, result.subcode);
  EXPECT_THAT(result.text, HasSubstr("lies under a link"));
  EXPECT_EQ(before, SnapshotFolder(outside));
  EXPECT_THAT(context_.new_status.files, IsEmpty());
  EXPECT_THAT(context_.new_status.root_files, IsEmpty());
  context_.transaction.Rollback();
  EXPECT_EQ(before, SnapshotFolder(outside));
}

// Makes the step of kind `Step` for the file `relative`.
template <typename Step>
std::function<std::unique_ptr<InstallerStep>(InstallerContext*)> For(const wchar_t* relative) {
  return [relative](InstallerContext* c) {
    return std::make_unique<Step>(c, base::FilePath(relative));
  };
}

INSTANTIATE_TEST_SUITE_P(
    Steps,
    ThroughALinkTest,
    ::testing::Values(
        ThroughALinkCase{"RootCopy", For<RootCopyStep>(L"assets\\x.txt"), false,
                         L"package\\assets\\x.txt", L"install\\assets"},
        ThroughALinkCase{"RootCopyOfANewFile", For<RootCopyStep>(L"assets\\y.txt"), false,
                         L"package\\assets\\y.txt", L"install\\assets"},
        ThroughALinkCase{"StandardCopy", For<StandardCopyStep>(L"lib\\a.dll"), false,
                         L"package\\lib\\a.dll", L"install\\1.2.3.4\\lib"},
        // The copy up from the target folder deletes its source there.
        ThroughALinkCase{"LauncherFromTheTargetFolder",
                         [](InstallerContext* c) { return std::make_unique<LauncherCopyStep>(c); },
                         true, nullptr, L"install\\1.2.3.4"},
        ThroughALinkCase{"MoveInto", For<MoveFileStep>(L"assets\\x.txt"), false,
                         L"install\\1.2.3.4\\assets\\x.txt", L"install\\assets"},
        ThroughALinkCase{"MoveOutOf", For<MoveFileStep>(L"lib\\a.dll"), false, nullptr,
                         L"install\\1.2.3.4\\lib"}),
    [](const auto& info) { return std::string(info.param.name); });

// The helper of the system's architecture, and the other one.
base::FilePath OwnHelper() {
  return base::FilePath(WinApi::GetInstance()->GetOsArchitecture() ==
                                base::win::OSInfo::X64_ARCHITECTURE
                            ? L"installer_helper_64.exe"
                            : L"installer_helper.exe");
}
base::FilePath OtherHelper() {
  return base::FilePath(OwnHelper().value() == L"installer_helper.exe" ? L"installer_helper_64.exe"
                                                                         : L"installer_helper.exe");
}

struct HelperCase {
  const char* name;
  bool has_package_dir;
  // Where the helpers lie before the step: "package", "target" or "".
  const char* own_in;
  const char* other_in;
  uint32_t code;
  // The other helper is still in the target folder afterwards.
  bool other_stays;
};

class InstallHelperStepTest : public FileStepsTest,
                              public ::testing::WithParamInterface<HelperCase> {};

TEST_P(InstallHelperStepTest, PutsTheSystemsHelperInPlace) {
  const HelperCase& c = GetParam();
  context_.has_package_dir = c.has_package_dir;
  auto folder = [&](const std::string& where) {
    return where == "package" ? context_.package_dir() : context_.target_folder();
  };
  if (*c.own_in)
    WriteText(folder(c.own_in).Append(OwnHelper()), "own");
  if (*c.other_in) {
    WriteText(folder(c.other_in).Append(OtherHelper()), "other");
    // Checking the unpacked package recorded it.
    context_.new_status.files.push_back(OtherHelper());
  }
  InstallHelperStep step(&context_);
  StepResult result = test::RunStep(step);
  EXPECT_EQ(c.code, result.code) << result.text;
  if (c.code == StepResult::kSuccess) {
    EXPECT_EQ("own", ReadText(context_.target_folder().Append(OwnHelper())));
    std::vector<base::FilePath> expected;
    if (*c.other_in && c.other_stays)
      expected.push_back(OtherHelper());
    expected.push_back(OwnHelper());
    EXPECT_EQ(expected, context_.new_status.files);
  } else {
    EXPECT_EQ(10u, result.subcode);
    EXPECT_EQ(OwnHelper().value(), result.wide_text);
  }
  EXPECT_EQ(c.other_stays, base::PathExists(context_.target_folder().Append(OtherHelper())));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    InstallHelperStepTest,
    ::testing::Values(
        HelperCase{"CopiedFromThePackage", false, "package", "", StepResult::kSuccess, false},
        HelperCase{"MissingFromThePackage", false, "", "", StepResult::kRetryThenFail, false},
        HelperCase{"UnpackedAlone", true, "target", "", StepResult::kSuccess, false},
        HelperCase{"UnpackedWithTheOther", true, "target", "target", StepResult::kSuccess, false},
        HelperCase{"NotUnpacked", true, "", "target", StepResult::kFailure, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(FileStepsTest, InstallHelperStepTexts) {
  context_.has_package_dir = true;
  InstallHelperStep step(&context_);
  EXPECT_EQ("install_helper", step.name());
  EXPECT_EQ("Installer helper not present in unpacked files", test::RunStep(step).text);
  context_.has_package_dir = false;
  EXPECT_EQ("Cannot copy installer helper", test::RunStep(step).text);
}

// The marker goes only once every downloadable resource is in place.
TEST_F(FileStepsTest, MinimalInstallMarkerStaysWhileAResourceIsMissing) {
  const base::FilePath packs = test::FromBuildPath(VELTA_DOWNLOADABLE_RESOURCE_PACKS);
  ASSERT_TRUE(base::DeletePathRecursively(context_.target_folder()));
  ASSERT_TRUE(base::CopyDirectory(packs, context_.target_folder(), true));
  const base::FilePath marker = context_.target_folder().Append(L"minimal_install");
  WriteText(marker, "");
  const base::FilePath one_pack = context_.target_folder().Append(L"velta_200_percent.pak");
  ASSERT_TRUE(base::Move(one_pack, context_.scratch().Append(L"kept.pak")));
  RemoveMinimalInstallFileStep step(&context_);
  EXPECT_EQ("remove_minimal_install_file", step.name());
  {
    base::test::ScopedLogCollector log(logging::LOG_WARNING);
    EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
    EXPECT_THAT(log.lines, testing::ElementsAre("Downloadable resources still missing: "
                                                "velta_200_percent.pak; the minimal install "
                                                "marker stays"));
  }
  EXPECT_TRUE(base::PathExists(marker));

  ASSERT_TRUE(base::Move(context_.scratch().Append(L"kept.pak"), one_pack));
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  EXPECT_FALSE(base::PathExists(marker));
  context_.transaction.Rollback();
  EXPECT_TRUE(base::PathExists(marker));
}

}  // namespace
}  // namespace velta
