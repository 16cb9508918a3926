// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/interprocess_state_impl.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/guid.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/path_service.h"
#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/values.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"
#include "desktop/windows/installer/package_fetcher/main_package_downloader_impl.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// Everything a process can observe of its state, and what it hands on.
base::Value DescribeState(InterprocessState* state) {
  base::Value description(base::Value::Type::DICTIONARY);
  description.SetStringKey("session_guid", state->GetSessionGuid());
  description.SetIntKey("mode", static_cast<int>(state->GetMode()));
  description.SetStringKey("package_dir", state->ResolvePackageDir().value());
  description.SetStringKey("tracking_data", state->GetTrackingData()->Serialize());
  description.SetBoolKey("autoupdate", state->IsAutoupdate());
  description.SetBoolKey("silent", state->IsSilent());
  description.SetBoolKey("launch_on_os_start", state->LaunchOnOsStart());
  description.SetBoolKey("inside_package", state->IsInsidePackage());
  description.SetBoolKey("has_package_dir", state->HasPackageDir());
  base::CommandLine handed_on(base::CommandLine::NO_PROGRAM);
  state->AppendToCommandLine(&handed_on);
  description.SetStringKey("handed_on", handed_on.GetArgumentsString());
  return description;
}

// Prints the description of the process-wide state as JSON.
VELTA_TEST_CHILD_MAIN(PrintInterprocessState) {
  std::string json;
  if (!base::JSONWriter::Write(DescribeState(InterprocessState::GetInstance()), &json))
    return 2;
  _setmode(_fileno(stdout), _O_BINARY);
  fputs(json.c_str(), stdout);
  fflush(stdout);
  return 0;
}

// Runs inside an unpacked package, as far as the state can tell.
class PackageInstallerUtils : public InstallerUtils {
 public:
  bool IsInsidePackage() const override { return true; }
  bool IsBackend() const override { return false; }
  bool ReadFilesList(const base::FilePath&, std::vector<std::string>*) const override {
    return false;
  }
  std::wstring FormatDrivesNeedingSpace(const std::vector<DriveSpaceNeeded>&) const override {
    return std::wstring();
  }
  bool ValidateSettings(const SettingsCheck&) const override { return false; }
};

class InterprocessStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  // A state of a process started with `switches` ("name" or "name=value").
  std::unique_ptr<InterprocessStateImpl> MakeState(const std::vector<std::wstring>& switches) {
    std::vector<std::wstring> argv = {L"installer.exe"};
    for (const std::wstring& name : switches)
      argv.push_back(L"--" + name);
    command_lines_.push_back(std::make_unique<base::CommandLine>(argv));
    return std::make_unique<InterprocessStateImpl>(command_lines_.back().get(),
                                                   std::make_unique<ServerTrackingBlob>());
  }

  base::FilePath MakeFolder(const wchar_t* name, bool ready) {
    const base::FilePath folder = temp_.GetPath().Append(name);
    EXPECT_TRUE(base::CreateDirectory(folder));
    if (ready) {
      EXPECT_TRUE(base::WriteFile(folder.Append(L"ready"), ""));
    }
    return folder;
  }

  base::ScopedTempDir temp_;
  std::vector<std::unique_ptr<base::CommandLine>> command_lines_;
};

TEST_F(InterprocessStateTest, ChildReadsBackTheWholeState) {
  ServerTrackingBlob server_data;
  server_data.SetLocalValue("utm.source", "news");
  const base::FilePath package = MakeFolder(L"package dir \u00e9", true);
  const std::string guid = base::GenerateGUID();
  std::unique_ptr<InterprocessStateImpl> state = MakeState({
      L"session-guid=" + base::UTF8ToWide(guid),
      L"server-tracking-blob=" + base::UTF8ToWide(server_data.Serialize()),
      L"otd=campaign:spring,utm.content:banner",
      L"medium=email",
      L"niuid=installation-7",
      L"autoupdate",
      L"silent",
      L"launchvelta-on-os-start",
      L"fix-downloadable-resources",
      L"uninstall",
      L"package-dir=" + package.value(),
  });
  PackageInstallerUtils package_utils;
  base::ProcessWide<InstallerUtils>::ScopedOverride override_utils(&package_utils);

  // Started as the runner starts a backend: the settings add `backend`.
  base::CommandLine child = velta::test::MakeChildCommandLine("PrintInterprocessState");
  child.AppendSwitch("backend");
  state->AppendToCommandLine(&child);
  velta::test::ChildOptions options;
  options.capture_output = true;
  const velta::test::ChildResult result = velta::test::RunChild(child, options);
  ASSERT_TRUE(result.exited);
  ASSERT_EQ(0u, result.exit_code) << result.output;

  const std::optional<base::Value> child_state = base::JSONReader::Read(result.output);
  ASSERT_TRUE(child_state) << result.output;
  const base::Value parent_state = DescribeState(state.get());
  EXPECT_EQ(parent_state, *child_state) << result.output;
  // The description itself holds what was asked for.
  EXPECT_EQ(guid, *parent_state.FindStringKey("session_guid"));
  EXPECT_EQ(2, *parent_state.FindIntKey("mode"));
  EXPECT_EQ(package.value(), base::UTF8ToWide(*parent_state.FindStringKey("package_dir")));
  EXPECT_TRUE(*parent_state.FindBoolKey("inside_package"));
  ServerTrackingBlob child_data;
  ASSERT_TRUE(child_data.Load(*child_state->FindStringKey("tracking_data")));
  EXPECT_EQ("news", child_data.GetString("utm.source"));
  EXPECT_EQ("email", child_data.GetString("utm.medium"));
  EXPECT_EQ("banner", child_data.GetString("utm.content"));
  EXPECT_EQ("spring", child_data.GetString("campaign"));
  EXPECT_EQ("installation-7", child_data.GetString("uuid"));
}

TEST_F(InterprocessStateTest, LocalTrackingValuesFromSwitches) {
  std::unique_ptr<InterprocessStateImpl> state = MakeState(
      {L"otd=a:1,b,c:2:3,:orphan,,utm.medium:otd", L"medium=email", L"niuid=id-1"});
  const ServerTrackingBlob* data = state->GetTrackingData();
  EXPECT_EQ("1", data->GetString("a"));
  EXPECT_EQ(std::nullopt, data->GetString("b"));
  EXPECT_EQ("2:3", data->GetString("c"));
  EXPECT_EQ(std::nullopt, data->GetString(""));
  EXPECT_EQ("email", data->GetString("utm.medium"));
  EXPECT_EQ("id-1", data->GetString("uuid"));
  EXPECT_FALSE(data->HasServerValues());

  // A refused blob loads nothing, yet the switches' values still go on.
  std::unique_ptr<InterprocessStateImpl> tampered =
      MakeState({L"server-tracking-blob=bm90IGEgYmxvYg==", L"medium=email"});
  EXPECT_FALSE(tampered->GetTrackingData()->HasServerValues());
  EXPECT_NE("", tampered->GetTrackingData()->Serialize());
}

TEST_F(InterprocessStateTest, ModeFirstMatchWinsAndOnlyRepairIsHandedOn) {
  const std::pair<std::vector<std::wstring>, InstallerMode> cases[] = {
      {{}, InstallerMode::kInstall},
      {{L"uninstall"}, InstallerMode::kUninstall},
      {{L"uninstall", L"register-velta-as-protocol-handler"},
       InstallerMode::kRegisterProtocolHandler},
      {{L"uninstall", L"register-velta-as-protocol-handler", L"fix-downloadable-resources"},
       InstallerMode::kFixDownloadableResources},
  };
  for (const auto& [switches, mode] : cases) {
    std::unique_ptr<InterprocessStateImpl> state = MakeState(switches);
    EXPECT_EQ(mode, state->GetMode());
    base::CommandLine handed_on(base::CommandLine::NO_PROGRAM);
    state->AppendToCommandLine(&handed_on);
    EXPECT_EQ(mode == InstallerMode::kFixDownloadableResources,
              handed_on.HasSwitch("fix-downloadable-resources"));
    EXPECT_FALSE(handed_on.HasSwitch("uninstall"));
    EXPECT_FALSE(handed_on.HasSwitch("register-velta-as-protocol-handler"));
  }
}

TEST_F(InterprocessStateTest, SessionGuidIsKeptOrNew) {
  const std::string guid = base::GenerateGUID();
  EXPECT_EQ(guid, MakeState({L"session-guid=" + base::UTF8ToWide(guid)})->GetSessionGuid());
  const std::string first = MakeState({})->GetSessionGuid();
  EXPECT_TRUE(base::IsValidGUIDOutputString(first));
  EXPECT_NE(first, MakeState({})->GetSessionGuid());
  // An empty value must not leave the tree of processes without a session.
  EXPECT_TRUE(base::IsValidGUIDOutputString(MakeState({L"session-guid="})->GetSessionGuid()));
}

TEST_F(InterprocessStateTest, UiThreadId) {
  EXPECT_EQ(InterprocessState::kNoUiThreadId, MakeState({})->GetUiThreadId());
  EXPECT_EQ(1234u, MakeState({L"ui-thread-id=1234"})->GetUiThreadId());
  for (const wchar_t* value : {L"ui-thread-id=", L"ui-thread-id=12ab", L"ui-thread-id=-5",
                               L"ui-thread-id=4294967296"}) {
    EXPECT_EQ(InterprocessState::kNoUiThreadId, MakeState({value})->GetUiThreadId()) << value;
  }
}

TEST_F(InterprocessStateTest, PackageFolderSources) {
  const base::FilePath given = temp_.GetPath().Append(L"given");
  const base::FilePath prefix = temp_.GetPath().Append(L"prefix_");
  const base::FilePath waited = temp_.GetPath().Append(L"waited");
  EXPECT_EQ(given, MakeState({L"package-dir=" + given.value(), L"package-dir-prefix=" +
                              prefix.value(), L"wait-for-package=" + waited.value()})
                       ->ResolvePackageDir());
  EXPECT_EQ(waited, MakeState({L"wait-for-package=" + waited.value()})->ResolvePackageDir());
  // Nothing is ready under the prefix.
  EXPECT_EQ(base::FilePath(), MakeState({L"package-dir-prefix=" + prefix.value()})
                                  ->ResolvePackageDir());
  EXPECT_EQ(base::FilePath(), MakeState({})->ResolvePackageDir());
  base::FilePath executable_folder;
  ASSERT_TRUE(base::PathService::Get(base::DIR_EXE, &executable_folder));
  EXPECT_EQ(executable_folder, MakeState({L"backend"})->ResolvePackageDir());

  // A process that is not a backend hands on whatever it holds; a backend
  // only what its parent gave it.
  EXPECT_TRUE(MakeState({})->HasPackageDir());
  EXPECT_FALSE(MakeState({L"backend"})->HasPackageDir());
  EXPECT_TRUE(MakeState({L"backend", L"package-dir-prefix=" + prefix.value()})->HasPackageDir());
  std::unique_ptr<InterprocessStateImpl> backend = MakeState({L"backend"});
  base::CommandLine handed_on(base::CommandLine::NO_PROGRAM);
  backend->AppendToCommandLine(&handed_on);
  EXPECT_FALSE(handed_on.HasSwitch("package-dir"));
}

TEST_F(InterprocessStateTest, PrefixResolvesToTheFirstReadyFolderOnce) {
  MakeFolder(L"pkg_1", false);
  MakeFolder(L"other", true);
  // A folder named "ready" is no marker.
  ASSERT_TRUE(base::CreateDirectory(MakeFolder(L"pkg_0", false).Append(L"ready")));
  // Made against the order of their names.
  const base::FilePath ready_9 = MakeFolder(L"pkg_9", true);
  MakeFolder(L"pkg_8", true);
  MakeFolder(L"PKG_4", true);
  const base::FilePath ready_3 = MakeFolder(L"pkg_3", true);

  std::unique_ptr<InterprocessStateImpl> state = MakeState({});
  const base::FilePath prefix = temp_.GetPath().Append(L"pkg_");
  state->SetPackageDirPrefix(prefix);
  base::CommandLine before(base::CommandLine::NO_PROGRAM);
  state->AppendToCommandLine(&before);
  EXPECT_EQ(prefix, before.GetSwitchValuePath("package-dir-prefix"));
  EXPECT_FALSE(before.HasSwitch("package-dir"));

  // The first by name, without case, whatever order the file system lists
  // them in; then kept even when its marker goes.
  EXPECT_EQ(ready_3, state->ResolvePackageDir());
  ASSERT_TRUE(base::DeletePathRecursively(ready_3));
  EXPECT_EQ(ready_3, state->ResolvePackageDir());
  base::CommandLine after(base::CommandLine::NO_PROGRAM);
  state->AppendToCommandLine(&after);
  EXPECT_EQ(ready_3, after.GetSwitchValuePath("package-dir"));
  EXPECT_FALSE(after.HasSwitch("package-dir-prefix"));

  // A prefix with a wildcard matches only names that hold it literally.
  std::unique_ptr<InterprocessStateImpl> wildcard = MakeState({});
  wildcard->SetPackageDirPrefix(temp_.GetPath().Append(L"pkg?9"));
  EXPECT_EQ(base::FilePath(), wildcard->ResolvePackageDir());
  wildcard->SetPackageDirPrefix(temp_.GetPath().Append(L"pkg_9"));
  EXPECT_EQ(ready_9, wildcard->ResolvePackageDir());
}

TEST_F(InterprocessStateTest, EachBackendFindsThePackageOfItsOwnSession) {
  ScopedInstallerErrorRecord error_record;
  // Two installers started in the same second share the folders' prefix.
  const base::Time now = base::Time::Now();
  const base::FilePath downloads = temp_.GetPath().Append(L"downloads");
  FolderPreparerImpl first_preparer(downloads, false, now);
  FolderPreparerImpl second_preparer(downloads, false, now);
  ASSERT_EQ(first_preparer.GetPackageFolder(), second_preparer.GetPackageFolder());
  const base::FilePath prefix = first_preparer.GetPackageFolder();
  const base::FilePath first_folder = first_preparer.PrepareFolder();
  const base::FilePath second_folder = second_preparer.PrepareFolder();
  ASSERT_FALSE(first_folder.empty());
  ASSERT_FALSE(second_folder.empty());
  const std::string first_session = base::GenerateGUID();
  const std::string second_session = base::GenerateGUID();
  const base::FilePath installer(L"installer.exe");

  // The backend waiting for the second package finds none while only the
  // first is ready, then its own.
  std::unique_ptr<InterprocessStateImpl> second_backend = MakeState(
      {L"backend", L"session-guid=" + base::ASCIIToWide(second_session),
       L"package-dir-prefix=" + prefix.value()});
  ASSERT_TRUE(MainPackageDownloaderImpl(installer, first_session).WriteReadyMarker(first_folder));
  EXPECT_EQ(base::FilePath(), second_backend->ResolvePackageDir());
  ASSERT_TRUE(
      MainPackageDownloaderImpl(installer, second_session).WriteReadyMarker(second_folder));
  EXPECT_EQ(second_folder, second_backend->ResolvePackageDir());

  std::unique_ptr<InterprocessStateImpl> first_backend = MakeState(
      {L"backend", L"session-guid=" + base::ASCIIToWide(first_session),
       L"package-dir-prefix=" + prefix.value()});
  EXPECT_EQ(first_folder, first_backend->ResolvePackageDir());

  // A marker that names no session (written by hand or by an earlier
  // installer) is taken when none names this one, even after the others'.
  const base::FilePath unnamed = MakeFolder(L"downloads\\velta_package_9", true);
  std::unique_ptr<InterprocessStateImpl> third_backend =
      MakeState({L"backend", L"session-guid=" + base::ASCIIToWide(base::GenerateGUID()),
                 L"package-dir-prefix=" + downloads.Append(L"velta_package_").value()});
  EXPECT_EQ(unnamed, third_backend->ResolvePackageDir());
}

TEST_F(InterprocessStateTest, UnreadyPrefixIsNotCachedAndIsLookedAtAgain) {
  const base::FilePath folder = MakeFolder(L"download_1", false);
  std::unique_ptr<InterprocessStateImpl> state =
      MakeState({L"package-dir-prefix=" + temp_.GetPath().Append(L"download_").value()});
  EXPECT_EQ(base::FilePath(), state->ResolvePackageDir());
  ASSERT_TRUE(base::WriteFile(folder.Append(L"ready"), ""));
  EXPECT_EQ(folder, state->ResolvePackageDir());
}

TEST_F(InterprocessStateTest, InsidePackageComesFromTheParentOnlyInABackend) {
  PackageInstallerUtils package_utils;
  base::ProcessWide<InstallerUtils>::ScopedOverride override_utils(&package_utils);
  EXPECT_TRUE(MakeState({})->IsInsidePackage());
  EXPECT_TRUE(MakeState({L"backend"})->IsStandalone());
  EXPECT_TRUE(MakeState({L"backend", L"inside-package"})->IsInsidePackage());
}

}  // namespace
}  // namespace velta
