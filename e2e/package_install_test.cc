// Copyright 2026 Velta Software. All rights reserved.

// Installs the unpacked test package (make_test_package.py) with the real
// installer.exe under Wine, silently, as real processes: the main process,
// its backend, the package's own installer and the post-install tasks. Then
// reads back what the installation left: the files byte for byte, the status
// file, the registry values it records, installer_prefs.json, the shortcuts,
// the stand-ins' calls and the messages the main process got from its
// backend; and what an uninstall leaves.

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/scoped_file_link.h"
#include "base/test/scoped_folder_link.h"
#include "base/test/scoped_small_disk.h"
#include "base/test/scoped_unwritable_folder.h"
#include "base/threading/platform_thread.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "e2e/package_install_fixture.h"
#include "e2e/process_tree.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta::e2e {
namespace {

using ::testing::ContainerEq;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using velta::test::ChildResult;

// The silent installation from `package` into `target` started and left
// running, with `temp` as its TEMP.
base::Process LaunchSilentInstall(const base::FilePath& package,
                                  const base::FilePath& target,
                                  const base::FilePath& temp) {
  base::CommandLine command_line(package.Append(L"installer.exe"));
  command_line.AppendSwitch("silent");
  command_line.AppendSwitchNative("installfolder", target.value());
  command_line.AppendSwitchASCII("enable-installer-stats", "0");
  command_line.AppendSwitchASCII("v", "1");
  base::LaunchOptions options;
  options.environment[L"TEMP"] = temp.value();
  options.environment[L"TMP"] = temp.value();
  return base::LaunchProcess(command_line, options);
}

// The processes whose parent is `parent`.
std::vector<DWORD> ChildrenOf(DWORD parent) {
  std::vector<DWORD> children;
  base::win::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return children;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ParentProcessID == parent)
      children.push_back(entry.th32ProcessID);
  }
  return children;
}

// Suspends (or resumes) every thread of the process `pid`: a suspended
// installer holds what it has taken for as long as the test needs.
void SuspendThreadsOf(DWORD pid, bool suspend) {
  base::win::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  ASSERT_TRUE(snapshot.IsValid());
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more;
       more = ::Thread32Next(snapshot.Get(), &entry)) {
    if (entry.th32OwnerProcessID != pid)
      continue;
    base::win::ScopedHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    ASSERT_TRUE(thread.IsValid());
    ASSERT_NE(static_cast<DWORD>(-1),
              suspend ? ::SuspendThread(thread.Get()) : ::ResumeThread(thread.Get()));
  }
}

// `folder` with "/" for every "\".
std::wstring Slashed(const base::FilePath& folder) {
  std::wstring text = folder.value();
  std::replace(text.begin(), text.end(), L'\\', L'/');
  return text;
}

// Writes the files list `list` anew with `entries`, as the package maker
// writes one.
void WriteList(const base::FilePath& list, const std::vector<std::wstring>& entries) {
  std::wstring text;
  for (const std::wstring& entry : entries)
    text += entry + L"\r\n";
  ASSERT_TRUE(base::WriteFile(list, base::WideToUTF8(text)));
}

// Moves every root file of the package copy `package` into its sub-folder
// `folder`, as a browser package carries its visual elements ("Assets").
void MoveRootFilesInto(const base::FilePath& package, const std::wstring& folder) {
  const base::FilePath list = package.Append(kRootFilesListFileName);
  std::vector<std::wstring> moved;
  ASSERT_TRUE(base::CreateDirectory(package.Append(folder)));
  for (const std::wstring& file : ListEntries(list)) {
    moved.push_back(folder + L"\\" + file);
    ASSERT_TRUE(base::Move(package.Append(file), package.Append(moved.back())));
  }
  ASSERT_NO_FATAL_FAILURE(WriteList(list, moved));
}

// Makes the package copy `package` one whose installer fails at its last
// step, once the status and the preferences are written: a file of the
// version folder lies in a folder named as the marker of a finished
// installation, which the installer then cannot write.
void MakeFinishFail(const base::FilePath& package) {
  const std::wstring in_the_way = std::wstring(kInstallDoneMarkerFileName) + L"\\in_the_way.txt";
  ASSERT_TRUE(base::CreateDirectory(package.Append(kInstallDoneMarkerFileName)));
  ASSERT_TRUE(base::WriteFile(package.Append(in_the_way), "in the way"));
  const base::FilePath list = package.Append(kFilesListFileName);
  std::vector<std::wstring> files = ListEntries(list);
  files.push_back(in_the_way);
  ASSERT_NO_FATAL_FAILURE(WriteList(list, files));
}

TEST_F(PackageInstallTest, SilentInstallPlacesAndRecordsEverything) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  const std::string version = GetProductVersion();

  const std::vector<std::string> logs = InstallSuccessfully(L"package");
  // Wine registers a scheduled task without its triggers and actions and
  // answers several of its calls with E_NOTIMPL: the autoupdate task is not
  // made, and the installation succeeds without it.
  EXPECT_THAT(logs[2], HasSubstr("Could not create scheduled task"));

  const base::Value status = Status();
  ExpectInstalled(package, target_, version, status);
  // The registry comparison of a run that must leave nothing covers every
  // key the installation records.
  const RegistrySnapshot installed = InstallationRegistrySnapshot(target_);
  for (const RecordedValue& value : RecordedHkcuValues(status))
    EXPECT_TRUE(installed.count(value.key)) << base::WideToUTF8(value.key);
  std::optional<base::Value> prefs = ReadJson(target_.Append(kInstallerPrefsFileName));
  EXPECT_TRUE(prefs && prefs->is_dict());

  // The browser was started through its launcher, maximised; the 64-bit
  // helper was called to pin the shortcut (Wine has no "taskbarpin": the
  // helper is a stand-in that records its call).
  EXPECT_THAT(ReadText(target_.Append(L"launcher.exe.calls")), HasSubstr("--start-maximized"));
  const std::string helper_calls =
      ReadText(target_.AppendASCII(version).Append(L"installer_helper_64.exe.calls"));
  EXPECT_THAT(helper_calls, HasSubstr(".lnk"));

  UninstallSuccessfully(status);
}

// A higher version over the first: its own version folder beside the
// first, whose record waits in old_status (the browser may still run from
// the first folder: the next upgrade or the uninstall removes its files).
// The uninstall then removes both versions.
TEST_F(PackageInstallTest, UpgradeKeepsThePreviousRecordInOldStatus) {
  const base::FilePath first = CopyPackage(L"test_package", L"package");
  const base::FilePath next = CopyPackage(L"test_package_next", L"next");
  const std::string first_version = GetProductVersion();
  const std::string next_version = VELTA_TEST_PACKAGE_NEXT_VERSION;

  ASSERT_EQ(0u, Install(L"package").exit_code);
  TakeLogs();
  const base::Value first_status = Status();

  InstallSuccessfully(L"next");
  const base::Value status = Status();
  ExpectInstalled(next, target_, next_version, status);
  // The first version's files stay until its record is acted on.
  for (const std::wstring& file : ListEntries(first.Append(kFilesListFileName)))
    EXPECT_TRUE(base::PathExists(target_.AppendASCII(first_version).Append(file)));
  const std::vector<std::wstring> kept = NamesIn(target_.Append(kOldStatusFolderName));
  ASSERT_EQ(1u, kept.size());
  EXPECT_TRUE(base::StartsWith(kept[0], std::wstring(kInstallationStatusJsonFileName) + L".",
                               base::CompareCase::SENSITIVE));
  std::optional<base::Value> kept_status =
      ReadJson(target_.Append(kOldStatusFolderName).Append(kept[0]));
  ASSERT_TRUE(kept_status && kept_status->is_dict());
  EXPECT_EQ(first_status, *kept_status);
  // An installation over an existing one opens a new tab.
  EXPECT_THAT(ReadText(target_.Append(L"launcher.exe.calls")), HasSubstr("--new-tab"));

  UninstallSuccessfully(status);
  ExpectUninstalled(target_, first_status);
}

// A new installation whose package's installer fails after writing the
// status and the preferences: the failed run takes them back with the rest,
// so the next run finds no installation there and makes a new one (an
// upgrade would keep the earlier record in old_status).
TEST_F(PackageInstallTest, FailedNewInstallationLeavesNoInstallationBehind) {
  const base::FilePath failing = CopyPackage(L"test_package", L"failing");
  ASSERT_NO_FATAL_FAILURE(MakeFinishFail(failing));
  const ChildResult failed = Install(L"failing");
  EXPECT_NE(0u, failed.exit_code) << failed.output;
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_THAT(logs, HasSubstr("Writing the installation status"));
  EXPECT_THAT(logs, HasSubstr("IPC_MESSAGE_ERROR("));
  EXPECT_FALSE(base::PathExists(target_.Append(kInstallationStatusJsonFileName)));
  EXPECT_FALSE(base::PathExists(target_.Append(kInstallerPrefsFileName)));

  // The failed run's version folder may stay (the stand-ins record their
  // calls there): the next one then takes a name of its own.
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  InstallSuccessfully(L"package");
  const base::Value status = Status();
  const std::string* subfolder = status.FindStringKey("_subfolder");
  ASSERT_TRUE(subfolder);
  ExpectInstalled(package, target_, *subfolder, status);
  EXPECT_FALSE(base::PathExists(target_.Append(kOldStatusFolderName)));
}

// Root files in a sub-folder of the package: the package's installer moves
// them up out of the version folder, and the sub-folder it emptied goes
// too. Left there, it would keep the version folder from being removed once
// its files are.
TEST_F(PackageInstallTest, RootFilesInASubFolderLeaveNoEmptyFolder) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  ASSERT_NO_FATAL_FAILURE(MoveRootFilesInto(package, L"Assets"));

  InstallSuccessfully(L"package");
  ExpectInstalled(package, target_, GetProductVersion(), Status());
  EXPECT_FALSE(base::PathExists(target_.AppendASCII(GetProductVersion()).Append(L"Assets")));
}

// A root file held open in the installation folder: its copy fails with
// "retry, then fail" six times, one second apart, and the job fails with
// the copy's error; everything done before is taken back.
TEST_F(PackageInstallTest, StepThatKeepsFailingRollsBackEverything) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  const std::vector<std::wstring> root_files = ListEntries(package.Append(L"root_files_list"));
  ASSERT_EQ(1u, root_files.size());
  ASSERT_TRUE(base::CreateDirectory(target_));
  const base::FilePath held = target_.Append(root_files[0]);
  ASSERT_TRUE(base::WriteFile(held, "the user's own"));
  base::File open_file = HoldOpen(held);
  ASSERT_TRUE(open_file.IsValid());
  const auto registry_before = InstallationRegistrySnapshot(target_);

  const ChildResult install = Install(L"package");
  open_file.Close();
  // Result 10, the copy's error, as the main process's exit code 100 + 10.
  EXPECT_EQ(110u, install.exit_code) << install.output;
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_EQ(5u, Count(logs, "failed with code 2 at attempt")) << logs;
  EXPECT_THAT(logs, HasSubstr("IPC_MESSAGE_ERROR(10,"));

  EXPECT_THAT(NamesIn(target_), ContainerEq(std::vector<std::wstring>{root_files[0]}));
  EXPECT_EQ("the user's own", ReadText(held));
  EXPECT_THAT(FilesEndingWith(dir_.GetPath(), L".old"), IsEmpty());
  EXPECT_EQ(registry_before, InstallationRegistrySnapshot(target_));
}

// The package's installer (the process running the install job, started by
// the backend) killed while a file step retries: the root file is held open,
// so the job is still at its file steps, with the version folder complete
// and nothing committed. Running the installer again completes the
// installation.
TEST_F(PackageInstallTest, KilledInstallerThenRerunCompletes) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  const std::vector<std::wstring> files = ListEntries(package.Append(kFilesListFileName));
  const std::vector<std::wstring> root_files = ListEntries(package.Append(L"root_files_list"));
  ASSERT_EQ(1u, root_files.size());
  ASSERT_TRUE(base::CreateDirectory(target_));
  const base::FilePath held = target_.Append(root_files[0]);
  ASSERT_TRUE(base::WriteFile(held, "the user's own"));
  base::File open_file = HoldOpen(held);
  ASSERT_TRUE(open_file.IsValid());

  base::Process main_process = LaunchSilentInstall(package, target_, temp_);
  ASSERT_TRUE(main_process.IsValid());

  // Main process, backend, the package's installer: wait for the last, and
  // for the version folder's last file.
  const base::FilePath last_file =
      target_.AppendASCII(GetProductVersion()).Append(files.back());
  DWORD job_process = 0;
  base::Process backend_process;
  for (int i = 0; i < 600 && !job_process; ++i) {
    for (DWORD backend : ChildrenOf(main_process.Pid())) {
      const std::vector<DWORD> children = ChildrenOf(backend);
      if (!children.empty() && base::PathExists(last_file)) {
        job_process = children.front();
        backend_process = base::Process::OpenWithAccess(
            backend, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE);
      }
    }
    if (!job_process)
      base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(50));
  }
  ASSERT_NE(0u, job_process);
  {
    base::Process job = base::Process::OpenWithAccess(job_process, PROCESS_TERMINATE | SYNCHRONIZE);
    ASSERT_TRUE(job.IsValid());
    EXPECT_TRUE(job.Terminate(1, /*wait=*/true));
  }
  uint32_t exit_code = 0;
  EXPECT_TRUE(velta::test::WaitForChildExit(main_process, base::TimeDelta::FromSeconds(60),
                                            &exit_code));
  EXPECT_NE(0u, exit_code);
  // The backend outlives the main process a little: its log is written until
  // it ends.
  if (backend_process.IsValid()) {
    EXPECT_TRUE(velta::test::WaitForChildExit(backend_process, base::TimeDelta::FromSeconds(60),
                                              &exit_code));
  }
  open_file.Close();
  TakeLogs();

  InstallSuccessfully(L"package");
  const base::Value status = Status();
  ExpectInstalled(package, target_, GetProductVersion(), status);
  EXPECT_THAT(FilesEndingWith(target_, L".old"), IsEmpty());

  UninstallSuccessfully(status);
}

// An uninstall while a file of the installation is held open: the file
// cannot go, and is left to k.bat with its folder; everything else goes.
// (k.bat runs once the installer's processes have ended, while the test
// still holds the file: the file and its folder stay.)
TEST_F(PackageInstallTest, UninstallLeavesAHeldFileToTheCleanupScript) {
  CopyPackage(L"test_package", L"package");
  ASSERT_EQ(0u, Install(L"package").exit_code);
  TakeLogs();
  const base::Value status = Status();
  const base::FilePath held = target_.AppendASCII(GetProductVersion())
                                  .Append(L"localization")
                                  .Append(L"de.pak");
  const std::string contents = ReadText(held);
  base::File open_file = HoldOpen(held);
  ASSERT_TRUE(open_file.IsValid());

  const ChildResult uninstall = Uninstall(status);
  open_file.Close();
  EXPECT_EQ(0u, uninstall.exit_code) << uninstall.output;
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_THAT(logs, HasSubstr("Starting final cleanup batch file."));
  EXPECT_EQ(contents, ReadText(held));
  // Taken out of the way, the rest is what any uninstall leaves.
  ASSERT_TRUE(base::DeleteFile(held));
  ExpectUninstalled(target_, status);
}

// An installation into a folder on a disk that fills up part way through
// the copy into the version folder: the install fails with the copy's error,
// and the rollback leaves nothing of the run there, the half-written file
// and the folders it made included. (The disk is a small file system of
// the host, mounted below the test's folder: the folder's drive as a whole
// still has the space the installer asks for.)
TEST_F(PackageInstallTest, FullDiskLeavesNoHalfWrittenFileOrFolder) {
  CopyPackage(L"test_package", L"package");
  const base::FilePath small = dir_.GetPath().Append(L"small_disk");
  ASSERT_TRUE(base::CreateDirectory(small));
  // The package's files take some 17 MB.
  const velta::test::ScopedSmallDisk disk(small, 6 * 1024);
  if (!disk.is_valid())
    GTEST_SKIP() << "The host cannot mount a small file system here (it needs root)";
  target_ = small.Append(L"Velta");

  const ChildResult install = Install(L"package");
  // Result 10, the copy's error, as the main process's exit code 100 + 10.
  EXPECT_EQ(110u, install.exit_code) << install.output;
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_THAT(logs, HasSubstr("File copy failed")) << logs;
  EXPECT_THAT(NamesIn(small), IsEmpty());
}

// An uninstall from a folder nobody may write to (a read-only install
// folder) ends with the lack of write access, 107; one while the browser's
// program is in use ends with 109. Once the folder can be written and the
// program has ended, the uninstall succeeds.
TEST_F(PackageInstallTest, UninstallFromAnUnwritableFolderLacksWriteAccess) {
  CopyPackage(L"test_package", L"package");
  InstallSuccessfully(L"package");
  const base::Value status = Status();
  const base::FilePath version = target_.AppendASCII(GetProductVersion());
  {
    const velta::test::ScopedUnwritableFolder folder(target_);
    const velta::test::ScopedUnwritableFolder version_folder(version);
    if (!folder.is_valid() || !version_folder.is_valid())
      GTEST_SKIP() << "The host cannot make a folder unwritable here (it needs root)";
    const ChildResult uninstall = Uninstall(status);
    EXPECT_EQ(107u, uninstall.exit_code) << uninstall.output;
    const std::string logs = base::JoinString(TakeLogs(), "\n");
    EXPECT_THAT(logs, HasSubstr("Could not obtain write permissions to installation folder"));
    EXPECT_THAT(logs, Not(HasSubstr("is in use")));
  }
  {
    base::File held = HoldOpen(version.Append(L"velta.exe"));
    ASSERT_TRUE(held.IsValid());
    const ChildResult uninstall = Uninstall(status);
    EXPECT_EQ(109u, uninstall.exit_code) << uninstall.output;
    EXPECT_THAT(base::JoinString(TakeLogs(), "\n"),
                HasSubstr("Can't uninstall when velta.exe is in use"));
  }
  UninstallSuccessfully(status);
}

// The files below `folder` by relative path, with their contents.
std::map<std::wstring, std::string> FilesBelow(const base::FilePath& folder) {
  std::map<std::wstring, std::string> files;
  base::FileEnumerator all(folder, /*recursive=*/true, base::FileEnumerator::FILES);
  for (base::FilePath file = all.Next(); !file.empty(); file = all.Next())
    files[file.value().substr(folder.value().size() + 1)] = ReadText(file);
  return files;
}

// The version folder's "localization" replaced by a link (a junction or a
// symbolic link) to a folder of the user's with files of the same names:
// the uninstall, and k.bat after it, remove nothing through the link. (Under
// Wine the link is a Unix symbolic link: see ScopedFolderLink.)
TEST_F(PackageInstallTest, UninstallRemovesNothingThroughALink) {
  CopyPackage(L"test_package", L"package");
  InstallSuccessfully(L"package");
  const base::Value status = Status();
  const base::FilePath localization =
      target_.AppendASCII(GetProductVersion()).Append(L"localization");
  const base::FilePath users = dir_.GetPath().Append(L"users_languages");
  ASSERT_TRUE(base::CopyDirectory(localization, users, /*recursive=*/true));
  ASSERT_TRUE(base::WriteFile(users.Append(L"mine.txt"), "the user's own"));
  ASSERT_TRUE(base::DeletePathRecursively(localization));
  const velta::test::ScopedFolderLink link(localization, users);
  ASSERT_TRUE(link.is_valid());
  const std::map<std::wstring, std::string> before = FilesBelow(users);
  ASSERT_EQ(1u, before.count(L"de.pak"));

  UninstallSuccessfully(status);
  EXPECT_EQ(before, FilesBelow(users));
}

// Where in an upgrade the test kills it.
enum class KillMoment {
  // The new version folder has appeared: the package is being unpacked.
  kUnpacking,
  // The upgrade has parked the first version's files.
  kOldFilesParked,
  // The new version folder is complete and the job process runs.
  kVersionFolderComplete,
};

struct KilledUpgradeCase {
  const char* name;
  KillMoment moment;
};

// `root` and every process below it.
void CollectTree(DWORD root, std::vector<DWORD>* tree) {
  tree->push_back(root);
  for (DWORD child : ChildrenOf(root))
    CollectTree(child, tree);
}

// Parked files below `folder` but outside old_status (whose parked copies
// are status records) and the user's own.
std::vector<base::FilePath> ParkedFiles(const base::FilePath& folder) {
  std::vector<base::FilePath> parked;
  const base::FilePath old_status = folder.Append(kOldStatusFolderName);
  for (const base::FilePath& file : FilesEndingWith(folder, L".old")) {
    base::FilePath relative;
    folder.AppendRelativePath(file, &relative);
    if (!old_status.IsParent(file) && !IsUsersOwn(relative))
      parked.push_back(file);
  }
  return parked;
}

// The version folders an installation folder holds: its folders but
// old_status and the user's own.
std::vector<std::wstring> VersionFoldersIn(const base::FilePath& folder) {
  std::vector<std::wstring> names;
  for (const std::wstring& name : NamesIn(folder)) {
    if (base::DirectoryExists(folder.Append(name)) && name != kOldStatusFolderName &&
        !IsUsersOwn(base::FilePath(name))) {
      names.push_back(name);
    }
  }
  return names;
}

// The journals that runs of the installer keep in `folder` while they go.
std::vector<std::wstring> RunJournalsIn(const base::FilePath& folder) {
  std::vector<std::wstring> journals;
  for (const std::wstring& name : NamesIn(folder)) {
    if (base::StartsWith(name, L"unfinished_run.", base::CompareCase::SENSITIVE))
      journals.push_back(name);
  }
  return journals;
}

// The version folders the installation's statuses record, current and old.
std::vector<std::wstring> RecordedVersionFolders(const base::FilePath& folder,
                                                 const base::Value& status) {
  std::vector<std::wstring> names = {base::UTF8ToWide(*status.FindStringKey("_subfolder"))};
  const base::FilePath old_status = folder.Append(kOldStatusFolderName);
  for (const std::wstring& name : NamesIn(old_status)) {
    std::optional<base::Value> record = ReadJson(old_status.Append(name));
    const std::string* subfolder = record ? record->FindStringKey("_subfolder") : nullptr;
    if (subfolder &&
        std::find(names.begin(), names.end(), base::UTF8ToWide(*subfolder)) == names.end()) {
      names.push_back(base::UTF8ToWide(*subfolder));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The user's own files, named as a run journal names what its run made and
// parked.
constexpr char kPlantedEntries[] =
    "2024\n9.9.9.9\n9.9.9.9_1\nnotes.1700000000.old\n9.9.9.9_1\\draft.1700000000.old\n";

// Journals that no run of ours left, put into the installation folder
// `folder` after the user's own files, each naming them: a plain file
// (whose entries are no version folder's name, or made before it, or parked
// before it), a link (into `*link`) to such a file kept in `outside`, and a
// folder. Nothing of the user's may go for them.
void PlantJournals(const base::FilePath& folder,
                   const base::FilePath& outside,
                   std::optional<velta::test::ScopedFileLink>* link) {
  const std::string entries = kPlantedEntries;
  ASSERT_TRUE(base::WriteFile(folder.Append(L"unfinished_run.900001"), entries));
  ASSERT_TRUE(base::CreateDirectory(outside));
  ASSERT_TRUE(base::WriteFile(outside.Append(L"entries.txt"), entries));
  link->emplace(folder.Append(L"unfinished_run.900002"), outside.Append(L"entries.txt"));
  ASSERT_TRUE((*link)->is_valid());
  ASSERT_TRUE(base::CreateDirectory(folder.Append(L"unfinished_run.900003")));
  ASSERT_TRUE(base::WriteFile(folder.Append(L"unfinished_run.900003\\9.9.9.9"), entries));
}

class KilledUpgradeTest : public PackageInstallTest,
                          public ::testing::WithParamInterface<KilledUpgradeCase> {};

// An upgrade killed part way leaves a half-made version folder or parked
// files behind, and the journal that records them. The next upgrade that
// succeeds takes them away: exactly the version folders its statuses record
// stay, and no parked file, nor the journal; the uninstall then leaves the
// folder as an uninstall does. The user's own files and folders in the
// installation folder, named like version folders and parked files, come
// through every run as they were, and so do they when journals that no run
// of ours left name them.
TEST_P(KilledUpgradeTest, NextSuccessfulRunRemovesWhatTheKilledOneLeft) {
  CopyPackage(L"test_package", L"package");
  const base::FilePath next = CopyPackage(L"test_package_next", L"next");
  PlaceUsersOwnFiles(target_);
  InstallSuccessfully(L"package");
  ExpectUsersOwnFiles(target_);
  const std::vector<std::wstring> files = ListEntries(next.Append(kFilesListFileName));
  const base::FilePath next_folder = target_.AppendASCII(VELTA_TEST_PACKAGE_NEXT_VERSION);

  base::Process main_process = LaunchSilentInstall(next, target_, temp_);
  ASSERT_TRUE(main_process.IsValid());

  bool reached = false;
  for (int i = 0; i < 6000 && !reached; ++i) {
    switch (GetParam().moment) {
      case KillMoment::kUnpacking:
        reached = base::DirectoryExists(next_folder);
        break;
      case KillMoment::kOldFilesParked:
        reached = !ParkedFiles(target_).empty();
        break;
      case KillMoment::kVersionFolderComplete:
        reached = base::PathExists(next_folder.Append(files.back()));
        break;
    }
    if (!reached)
      base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(10));
  }
  // A process started while the tree is read is found on the next round: a
  // process keeps its parent's id after the parent has ended.
  for (int round = 0; round < 5; ++round) {
    std::vector<DWORD> tree;
    CollectTree(main_process.Pid(), &tree);
    for (DWORD pid : tree) {
      base::Process process = base::Process::OpenWithAccess(pid, PROCESS_TERMINATE | SYNCHRONIZE);
      if (process.IsValid())
        process.Terminate(1, /*wait=*/true);
    }
    // The package's installer may be started by a system service, and what
    // it starts from TEMP (the shell's stand-in that pins) would outlive it
    // and hold the test's output open.
    velta::test::EndProgramsIn(target_);
    velta::test::EndProgramsIn(temp_);
    base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(100));
  }
  ASSERT_TRUE(reached);
  uint32_t exit_code = 0;
  EXPECT_TRUE(
      velta::test::WaitForChildExit(main_process, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_NE(0u, exit_code);
  TakeLogs();
  ExpectUsersOwnFiles(target_);
  const std::vector<std::wstring> killed_journals = RunJournalsIn(target_);
  EXPECT_THAT(killed_journals, Not(IsEmpty()));
  const base::FilePath outside = dir_.GetPath().Append(L"outside");
  std::optional<velta::test::ScopedFileLink> link;
  ASSERT_NO_FATAL_FAILURE(PlantJournals(target_, outside, &link));
  const base::FilePath linked = outside.Append(L"entries.txt");
  const base::FilePath in_folder = target_.Append(L"unfinished_run.900003\\9.9.9.9");

  InstallSuccessfully(L"next");
  ExpectUsersOwnFiles(target_);
  EXPECT_EQ(kPlantedEntries, ReadText(linked));
  EXPECT_EQ(kPlantedEntries, ReadText(in_folder));
  for (const std::wstring& journal : killed_journals)
    EXPECT_FALSE(base::PathExists(target_.Append(journal))) << base::WideToUTF8(journal);
  // The planted ones go now (the link as a link), for the checks below.
  ASSERT_TRUE(base::DeletePathRecursively(target_.Append(L"unfinished_run.900003")));
  ::DeleteFileW(target_.Append(L"unfinished_run.900001").value().c_str());
  link.reset();
  EXPECT_EQ(kPlantedEntries, ReadText(linked));
  const base::Value status = Status();
  EXPECT_EQ(RecordedVersionFolders(target_, status), VersionFoldersIn(target_));
  EXPECT_THAT(ParkedFiles(target_), IsEmpty());
  EXPECT_THAT(RunJournalsIn(target_), IsEmpty());
  ExpectUsersOwnFiles(target_);

  // Every file goes (the emptied folders are k.bat's, which under Wine may
  // run before the uninstall has ended).
  UninstallSuccessfully(status);
  EXPECT_THAT(ParkedFiles(target_), IsEmpty());
  ExpectUsersOwnFiles(target_);
}

INSTANTIATE_TEST_SUITE_P(Moments,
                         KilledUpgradeTest,
                         ::testing::Values(KilledUpgradeCase{"Unpacking", KillMoment::kUnpacking},
                                           KilledUpgradeCase{"OldFilesParked",
                                                             KillMoment::kOldFilesParked},
                                           KilledUpgradeCase{"VersionFolderComplete",
                                                             KillMoment::kVersionFolderComplete}),
                         [](const auto& info) { return std::string(info.param.name); });

// Scripts and deployment tools write paths with "/": the folder is the
// same, and the package's installer, started in its version folder, knows
// it runs from there.
TEST_F(PackageInstallTest, SilentInstallIntoASlashedFolderRunsThePackagesInstallerOnce) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  const ChildResult install =
      Run(package.Append(L"installer.exe"),
          {L"silent", L"launchvelta=0", L"installfolder=" + Slashed(target_)});
  for (const std::wstring& program : test::EndProgramsIn(target_))
    ADD_FAILURE() << "Still running: " << program;
  EXPECT_EQ(0u, install.exit_code);
  std::string logs;
  for (const std::string& log : TakeLogs())
    logs += log;
  EXPECT_EQ(1u, Count(logs, "Running installer from the package"));
  EXPECT_THAT(VersionFoldersIn(target_), ElementsAre(base::ASCIIToWide(GetProductVersion())));
  EXPECT_THAT(RunJournalsIn(target_), IsEmpty());
  const std::string* path = Status().FindStringKey("path");
  ASSERT_TRUE(path);
  EXPECT_EQ(target_.AsUTF8Unsafe(), *path);
}

// A second spelling of the folder an installation is going on in.
struct SecondSpelling {
  const char* name;
  std::wstring (*spell)(const base::FilePath& folder);
};

void PrintTo(const SecondSpelling& spelling, std::ostream* os) {
  *os << spelling.name;
}

class PackageInstallSpellingTest : public PackageInstallTest,
                                   public ::testing::WithParamInterface<SecondSpelling> {};

// Two installations for one folder started together: the second meets the
// first's lock however it spells the folder, and one version folder is made.
TEST_P(PackageInstallSpellingTest, SecondInstallForTheFolderMeetsTheFirstsLock) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  base::Process first = LaunchSilentInstall(package, target_, temp_);
  ASSERT_TRUE(first.IsValid());
  // The first holds the folder's lock from before its backend starts until
  // it ends; suspended, it keeps holding it.
  const std::wstring lock = L"Global\\Velta/Installer/" + Slashed(target_);
  bool held = false;
  for (int i = 0; i < 1200 && !held; ++i) {
    base::win::ScopedHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, lock.c_str()));
    held = mutex.IsValid();
    if (!held && first.WaitForExitWithTimeout(base::TimeDelta::FromMilliseconds(50), nullptr))
      break;
  }
  ASSERT_TRUE(held);
  ASSERT_NO_FATAL_FAILURE(SuspendThreadsOf(first.Pid(), true));
  const ChildResult second = Run(package.Append(L"installer.exe"),
                                 {L"silent", L"installfolder=" + GetParam().spell(target_)});
  ASSERT_NO_FATAL_FAILURE(SuspendThreadsOf(first.Pid(), false));
  EXPECT_EQ(111u, second.exit_code);  // "Could not create installer mutex".
  uint32_t exit_code = 1;
  EXPECT_TRUE(velta::test::WaitForChildExit(first, base::TimeDelta::FromSeconds(120), &exit_code));
  EXPECT_EQ(0u, exit_code);
  // The backend outlives the main process a little, and waits for the
  // package's installer.
  for (DWORD backend : ChildrenOf(first.Pid())) {
    base::Process process = base::Process::OpenWithAccess(backend, SYNCHRONIZE);
    if (process.IsValid()) {
      EXPECT_TRUE(process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60), nullptr));
    }
  }
  for (const std::wstring& program : test::EndProgramsIn(target_))
    ADD_FAILURE() << "Still running: " << program;
  EXPECT_THAT(VersionFoldersIn(target_), ElementsAre(base::ASCIIToWide(GetProductVersion())));
  EXPECT_THAT(RunJournalsIn(target_), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, PackageInstallSpellingTest,
    ::testing::Values(
        SecondSpelling{"TrailingSeparator",
                       [](const base::FilePath& folder) { return folder.value() + L"\\"; }},
        SecondSpelling{"OtherCase",
                       [](const base::FilePath& folder) {
                         return base::ToUpperASCII(folder.value());
                       }}),
    [](const ::testing::TestParamInfo<SecondSpelling>& info) { return info.param.name; });

// The profile folder given to the installer, which may hold "<USERNAME>"
// for the installation to fill in for each user, reaches installer_prefs.json
// as given when it names a folder once filled in, whatever its length;
// anything else is dropped with a warning.
struct ProfileFolderCase {
  const char* name;
  // Relative to the test's folder when it begins with "*\\", else as it is.
  const wchar_t* value;
  bool kept;
};

void PrintTo(const ProfileFolderCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class ProfileFolderInstallTest : public PackageInstallTest,
                                 public ::testing::WithParamInterface<ProfileFolderCase> {};

TEST_P(ProfileFolderInstallTest, InstallerPrefsHoldTheProfileFolderAsGiven) {
  CopyPackage(L"test_package", L"package");
  // The folder the current user's profile would take is a file.
  std::wstring user;
  ASSERT_TRUE(GetCurrentUserName(&user));
  ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"files")));
  ASSERT_TRUE(base::WriteFile(dir_.GetPath().Append(L"files").Append(user), "a file"));
  std::wstring value = GetParam().value;
  if (base::StartsWith(value, L"*\\", base::CompareCase::SENSITIVE))
    value = dir_.GetPath().Append(value.substr(2)).value();

  const std::string logs =
      base::JoinString(InstallSuccessfully(L"package", {L"profile-folder=" + value}), "\n");
  std::optional<base::Value> prefs = ReadJson(target_.Append(kInstallerPrefsFileName));
  ASSERT_TRUE(prefs && prefs->is_dict());
  const std::string* profile_path = prefs->FindStringKey("profile_path");
  constexpr char kIgnored[] = "The switch profile-folder does not name an absolute folder path";
  if (GetParam().kept) {
    ASSERT_TRUE(profile_path) << ReadText(target_.Append(kInstallerPrefsFileName));
    EXPECT_EQ(base::WideToUTF8(value), *profile_path);
    EXPECT_THAT(logs, Not(HasSubstr(kIgnored)));
  } else {
    EXPECT_FALSE(profile_path) << *profile_path;
    EXPECT_THAT(logs, HasSubstr(kIgnored));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    ProfileFolderInstallTest,
    ::testing::Values(
        // Longer than a folder path the window would take (248).
        ProfileFolderCase{"long_per_user",
                          L"*\\Profiles\\"
                          L"ppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppp"
                          L"ppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppp"
                          L"\\qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq"
                          L"qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq\\<USERNAME>",
                          true},
        ProfileFolderCase{"relative", L"Profiles\\<USERNAME>", false},
        ProfileFolderCase{"a_file_once_filled_in", L"*\\files\\<USERNAME>", false},
        ProfileFolderCase{"a_character_no_folder_holds", L"*\\a|b\\<USERNAME>", false}),
    [](const ::testing::TestParamInfo<ProfileFolderCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace velta::e2e
