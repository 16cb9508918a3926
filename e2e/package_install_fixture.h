// Copyright 2026 Velta Software. All rights reserved.

#ifndef E2E_PACKAGE_INSTALL_FIXTURE_H_
#define E2E_PACKAGE_INSTALL_FIXTURE_H_

#include <stddef.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/child_process.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "gtest/gtest.h"

namespace velta::e2e {

// Installations of the build's unpacked test packages (make_test_package.py)
// with the real installer.exe under Wine, silently, as real processes, and
// what they leave read back: files, the status file, the registry values it
// records, shortcuts and logs.

// The build's test package `name`, made beside its bin folder.
base::FilePath BuiltPackage(const wchar_t* name);

std::string ReadText(const base::FilePath& file);

// The entries of a files list, one relative path per line.
std::vector<std::wstring> ListEntries(const base::FilePath& list);

// The names directly in `folder`, files and folders, sorted.
std::vector<std::wstring> NamesIn(const base::FilePath& folder);

// Every file below `folder` whose name ends with `suffix`.
std::vector<base::FilePath> FilesEndingWith(const base::FilePath& folder,
                                            const std::wstring& suffix);

// How often `what` occurs in `text`.
size_t Count(const std::string& text, const std::string& what);

std::optional<base::Value> ReadJson(const base::FilePath& file);

// A value the status file records under HKCU, as "type", "name", "data".
struct RecordedValue {
  std::wstring key;
  std::wstring name;
  std::string type;
  std::string data;
};

std::vector<RecordedValue> RecordedHkcuValues(const base::Value& status);

// The value as the registry holds it now, in the status file's text form
// (strings as UTF-8, DWORDs as eight hex digits, binary as "xx,xx", other
// types empty); nullopt when the key or the value is gone, "type N" when its
// type is not the recorded one.
std::optional<std::string> RegistryText(const RecordedValue& recorded);

// The shortcuts the status file records.
std::vector<base::FilePath> RecordedShortcuts(const base::Value& status);

// What the installation into `target` keeps in HKCU, by key path: every
// subkey and value below the keys that are its own alone (the company's key,
// its ProgID's classes and client, its uninstall entries, ...), and the
// values it adds to keys that other programs share (file types, protocols,
// RunOnce, ...), each listed under its key when the key exists. For seeing
// that a run left nothing there, whatever other programs write beside it.
using RegistrySnapshot = std::map<std::wstring, std::vector<std::string>>;
RegistrySnapshot InstallationRegistrySnapshot(const base::FilePath& target);

// The user's own files and folders in an installation folder, named as the
// installer names its version folders ("2024", "9.9.9.9", "9.9.9.9_1") and
// the files it parks ("notes.1700000000.old"), some with files inside: no
// run may touch them, whatever it does and however it ends. Puts them into
// `folder`, made when missing.
void PlaceUsersOwnFiles(const base::FilePath& folder);

// They are all in `folder` as they were placed, byte for byte.
void ExpectUsersOwnFiles(const base::FilePath& folder);

// Whether `relative`, a path in an installation folder, is one of them or
// lies in one.
bool IsUsersOwn(const base::FilePath& relative);

// `file` opened with no sharing at all, as a running program holds it.
base::File HoldOpen(const base::FilePath& file);

// What the installation of `package` must have put into `target`, and the
// status file that records it.
void ExpectInstalled(const base::FilePath& package, const base::FilePath& target,
                     const std::string& version, const base::Value& status);

// What an uninstall must have taken away of the installation `status`
// recorded: the status file, every recorded registry value, the shortcuts
// and every file but the installer's preferences and the user's own.
void ExpectUninstalled(const base::FilePath& target, const base::Value& status);

// The entries the copy into the version folder reports: the two lists'
// entries, the two lists themselves, the launcher and one helper.
size_t CopiedEntries(const base::FilePath& package);

// The messages the main process logged for a complete install job.
void ExpectStepMessages(const std::string& main_log, size_t copied_files);

// Each test works in its own folder, but the installations write the
// prefix's HKCU and the user's shortcuts: the tests that install take turns
// (a ctest resource lock) and read back only what is the product's own.
class PackageInstallTest : public ::testing::Test {
 protected:
  PackageInstallTest();
  ~PackageInstallTest() override;

  void SetUp() override;
  // An installation a failed check left behind would stay in HKCU and among
  // the user's shortcuts: it is taken away.
  void TearDown() override;

  // A copy of the build's package `name` in the test's folder `folder`.
  base::FilePath CopyPackage(const wchar_t* name, const wchar_t* folder);

  // `exe` with `switches` ("name" or "name=value"), no statistics, --v=1 and
  // the test's own TEMP.
  test::ChildResult Run(const base::FilePath& exe, const std::vector<std::wstring>& switches);

  // A silent installation from the package copy in the test's `folder`,
  // starting the browser afterwards, with `more` switches.
  test::ChildResult Install(const wchar_t* folder, const std::vector<std::wstring>& more = {});

  // A silent uninstall as the uninstall entry starts it: the installed
  // installer.exe of the version folder `status` records. Its own files are
  // left to k.bat, which it starts on its way out: waits until k.bat has
  // deleted itself.
  test::ChildResult Uninstall(const base::Value& status);

  // A silent installation that succeeds, with the mailslot messages of a
  // complete run; the logs of the main process, its backend and the
  // package's installer.
  std::vector<std::string> InstallSuccessfully(const wchar_t* folder,
                                               const std::vector<std::wstring>& more = {});

  // A silent uninstall of the installation `status` records that succeeds
  // and takes it away.
  void UninstallSuccessfully(const base::Value& status);

  // The log files' texts, oldest first, and forgets them for the next run.
  std::vector<std::string> TakeLogs();

  // The installation's status file.
  base::Value Status();

  // Every log taken so far (and those not yet taken) into a folder of the
  // build that outlives the test, named in the test's output.
  void KeepLogs();

  // The test reads the shortcuts through the shell.
  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
  base::FilePath temp_;
  base::FilePath target_;
  // The logs TakeLogs has read, oldest run first, by file name.
  std::vector<std::pair<base::FilePath, std::string>> taken_logs_;
};

}  // namespace velta::e2e

#endif  // E2E_PACKAGE_INSTALL_FIXTURE_H_
