// Copyright 2026 Velta Software. All rights reserved.

// Runs the real installer.exe with its library as a child process, from a
// copy in the test's own folder, with the test's own temporary folder (where
// the log files and the download folder go).

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "desktop/windows/installer/common/pe_image_reader.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using velta::test::ChildOptions;
using velta::test::ChildResult;
using velta::test::RunChild;

constexpr char kTrackingData[] = "utm.source:partner,utm.medium:cpc,niuid:1234";
// A package server that the fetch refuses to ask: no request leaves the
// test, and each attempt fails at once (six, with the retry countdown).
constexpr wchar_t kUnallowedPackageServer[] = L"internal-package-server=http://fetch.invalid/meta";

base::FilePath BuiltFile(const wchar_t* name) {
  return velta::test::GetPathBesideTestExecutable(name);
}

// "VLT", the data and its length: the payload form the installer reads.
std::string PayloadTail(const std::string& data) {
  std::string tail = "VLT" + data;
  const uint32_t size = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i)
    tail.push_back(static_cast<char>(size >> (8 * i)));
  return tail;
}

// The certificate table of `exe` said to start `start_from_end` bytes after
// the end of the file (before it when negative) and to hold `size` bytes: a
// table not wholly inside the file. The program still runs, but its payload
// cannot be trusted.
bool MoveCertificateTable(const base::FilePath& exe, int64_t start_from_end, uint32_t size) {
  std::string bytes;
  if (!base::ReadFileToString(exe, &bytes))
    return false;
  PeImageReader image;
  size_t offset = 0;
  if (!image.Initialize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) ||
      !image.GetDataDirectoryEntryOffset(IMAGE_DIRECTORY_ENTRY_SECURITY, &offset)) {
    return false;
  }
  const uint32_t entry[2] = {static_cast<uint32_t>(bytes.size() + start_from_end), size};
  bytes.replace(offset, sizeof(entry), reinterpret_cast<const char*>(entry), sizeof(entry));
  return base::WriteFile(exe, bytes);
}

bool PointCertificateTablePastTheEnd(const base::FilePath& exe) {
  return MoveCertificateTable(exe, 8, 8);
}

// The main window's dialog templates in installer.exe.
constexpr uint16_t kSimplifiedWindowTemplate = 101;
constexpr uint16_t kClassicWindowTemplate = 107;

// Renames the dialog templates of `exe` by `renames` (old id, new id), as
// if they were missing. The new ids keep the resource directory's order,
// which lookups search in halves. (Wine's UpdateResourceW does not delete
// resources.)
bool RenameDialogTemplates(const base::FilePath& exe,
                           const std::vector<std::pair<uint16_t, uint16_t>>& renames) {
  std::string bytes;
  if (!base::ReadFileToString(exe, &bytes))
    return false;
  PeImageReader image;
  ImageDataDirectory resources = {};
  if (!image.Initialize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) ||
      !image.GetDataDirectory(IMAGE_DIRECTORY_ENTRY_RESOURCE, &resources)) {
    return false;
  }
  // The file offset of the resource section.
  size_t base = 0;
  for (size_t i = 0; i < image.number_of_sections(); ++i) {
    ImageSectionHeader section = {};
    if (image.GetSectionHeader(i, &section) && resources.VirtualAddress >= section.VirtualAddress &&
        resources.VirtualAddress < section.VirtualAddress + section.Misc.VirtualSize) {
      base = section.PointerToRawData + (resources.VirtualAddress - section.VirtualAddress);
    }
  }
  if (!base)
    return false;
  // The entries of the directory at `offset` (from the section's start).
  const auto entries = [&](size_t offset, size_t* count) {
    const auto* directory =
        reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(bytes.data() + base + offset);
    *count = directory->NumberOfNamedEntries + directory->NumberOfIdEntries;
    return reinterpret_cast<IMAGE_RESOURCE_DIRECTORY_ENTRY*>(bytes.data() + base + offset +
                                                             sizeof(IMAGE_RESOURCE_DIRECTORY));
  };
  size_t count = 0;
  IMAGE_RESOURCE_DIRECTORY_ENTRY* types = entries(0, &count);
  size_t renamed = 0;
  for (size_t t = 0; t < count; ++t) {
    if (types[t].NameIsString || types[t].Id != 5 /* RT_DIALOG */ || !types[t].DataIsDirectory)
      continue;
    size_t dialog_count = 0;
    IMAGE_RESOURCE_DIRECTORY_ENTRY* dialogs = entries(types[t].OffsetToDirectory, &dialog_count);
    for (size_t d = 0; d < dialog_count; ++d) {
      for (const auto& [from, to] : renames) {
        if (!dialogs[d].NameIsString && dialogs[d].Id == from) {
          dialogs[d].Id = to;
          ++renamed;
        }
      }
    }
  }
  return renamed == renames.size() && base::WriteFile(exe, bytes);
}

class HostExecutableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    temp_ = dir_.GetPath().Append(L"temp");
    ASSERT_TRUE(base::CreateDirectory(temp_));
    ASSERT_TRUE(MakeInstallerCopy(L"bin"));
  }

  // installer.exe and its library in `folder` of the test's folder.
  bool MakeInstallerCopy(const wchar_t* folder) {
    return test::CopyInstallerFiles(dir_.GetPath().Append(folder));
  }

  // An unpacked package in "package" of the test's folder that lacks its
  // root files list: a backend refuses it.
  void MakePackageWithoutRootFilesList() {
    ASSERT_TRUE(MakeInstallerCopy(L"package"));
    const base::FilePath package = dir_.GetPath().Append(L"package");
    ASSERT_TRUE(base::WriteFile(package.Append(L"velta.exe"), "stand-in"));
    ASSERT_TRUE(base::WriteFile(package.Append(L"files_list"), "velta.exe\r\n"));
  }

  base::FilePath Exe(const wchar_t* folder = L"bin") const {
    return dir_.GetPath().Append(folder).Append(L"installer.exe");
  }

  base::CommandLine CommandLineFor(const std::vector<std::wstring>& switches,
                                   const wchar_t* folder = L"bin") const {
    base::CommandLine command_line(Exe(folder));
    for (const std::wstring& text : switches) {
      const base::CommandLine parsed = base::CommandLine::FromString(L"x --" + text);
      for (const auto& [name, value] : parsed.GetSwitches())
        command_line.AppendSwitchNative(name, value);
    }
    return command_line;
  }

  // The test's own temporary folder on top of `environment`.
  base::EnvironmentMap EnvironmentWith(base::EnvironmentMap environment) const {
    environment[L"TEMP"] = temp_.value();
    environment[L"TMP"] = temp_.value();
    return environment;
  }

  ChildResult Run(const std::vector<std::wstring>& switches,
                  base::EnvironmentMap environment = {},
                  const wchar_t* folder = L"bin") {
    ChildOptions options;
    options.capture_output = true;
    options.launch.environment = EnvironmentWith(std::move(environment));
    ChildResult result = RunChild(CommandLineFor(switches, folder), options);
    EXPECT_TRUE(result.exited);
    return result;
  }

  // The texts of the log files the runs wrote, oldest first.
  std::vector<std::string> Logs() const {
    std::vector<base::FilePath> files;
    base::FileEnumerator logs(temp_.Append(L"Velta Installer"), /*recursive=*/false,
                              base::FileEnumerator::FILES, L"velta_installer_*.log");
    for (base::FilePath log = logs.Next(); !log.empty(); log = logs.Next())
      files.push_back(log);
    std::sort(files.begin(), files.end());
    std::vector<std::string> texts;
    for (const base::FilePath& file : files) {
      std::string text;
      EXPECT_TRUE(base::ReadFileToString(file, &text)) << file.AsUTF8Unsafe();
      texts.push_back(text);
    }
    return texts;
  }

  // The one log file of a run that started no other installer process.
  std::string OnlyLog() const {
    const std::vector<std::string> logs = Logs();
    EXPECT_EQ(1u, logs.size());
    return logs.empty() ? std::string() : logs.back();
  }

  base::ScopedTempDir dir_;
  base::FilePath temp_;
};

// The "Command line: " line of a log, without its line end.
std::string CommandLineOf(const std::string& log) {
  const size_t start = log.find("] Command line: ");
  if (start == std::string::npos)
    return std::string();
  return log.substr(start, log.find('\n', start) - start);
}

TEST_F(HostExecutableTest, AnswersVersionQueriesAndNothingElse) {
  ChildResult version = Run({L"version", L"help"});
  EXPECT_EQ(0u, version.exit_code);
  EXPECT_EQ(GetProductVersion(), version.output);

  ChildResult internal = Run({L"internal-version"});
  EXPECT_EQ(0u, internal.exit_code);
  EXPECT_EQ(GetInternalVersion(), internal.output);

  ChildResult stream = Run({L"stream"});
  EXPECT_EQ(0u, stream.exit_code);
  EXPECT_EQ("marlin", stream.output);
  EXPECT_TRUE(Logs().empty());
}

// One run of the installer in a prepared folder, and what its log must and
// must not say.
struct RunCase {
  const char* name;
  // Prepares the test's copy of installer.exe (in the test's folder); may
  // add switches.
  std::function<bool(const base::FilePath& test_folder, std::vector<std::wstring>* switches)>
      prepare;
  std::vector<std::wstring> switches;
  uint32_t exit_code;
  std::vector<std::string> logged;
  std::vector<std::string> not_logged;
};

// Runs that install (or try to) into a folder of the test's own: such runs
// take the folder's installer mutex, so they may run beside each other.
bool InstallIntoTheTestFolder(const base::FilePath& test_folder,
                              std::vector<std::wstring>* switches) {
  switches->push_back(L"installfolder=\"" + test_folder.Append(L"Target").value() + L"\"");
  return true;
}

// A silent run of an installer whose certificate table of 8 bytes starts
// `start_from_end` bytes after the end of the file (before it when
// negative), so that the file ends inside or before it: it is damaged, and
// not taken for an installer without payload that fetches its package
// (should it be, the fetch fails at once instead of asking the real server).
RunCase InstallerCutAtItsSignature(const char* name, int64_t start_from_end) {
  return RunCase{
      name,
      [start_from_end](const base::FilePath& folder, std::vector<std::wstring>* switches) {
        return InstallIntoTheTestFolder(folder, switches) &&
               MoveCertificateTable(folder.Append(L"bin\\installer.exe"), start_from_end, 8);
      },
      {L"silent", L"enable-installer-stats=0", L"v=1", kUnallowedPackageServer},
      118,
      {"Security directory runs past the image file length",
       "The installer file is damaged: ending the silent run without the message box"},
      {"No valid payload found", "Instantiating settings"}};
}

class HostExecutableRunTest : public HostExecutableTest,
                              public ::testing::WithParamInterface<RunCase> {};

TEST_P(HostExecutableRunTest, EndsWithItsResultAndSaysWhy) {
  std::vector<std::wstring> switches = GetParam().switches;
  if (GetParam().prepare) {
    ASSERT_TRUE(GetParam().prepare(dir_.GetPath(), &switches));
  }
  const ChildResult run = Run(switches);
  EXPECT_EQ(GetParam().exit_code, run.exit_code);
  // A backend the run started writes a log of its own.
  std::vector<std::string> main_logs;
  for (const std::string& text : Logs()) {
    if (CommandLineOf(text).find(" --backend") == std::string::npos)
      main_logs.push_back(text);
  }
  ASSERT_EQ(1u, main_logs.size());
  const std::string& log = main_logs[0];
  EXPECT_THAT(log, HasSubstr("] Velta installer starting - version " + GetProductVersion() +
                             " marlin\n"));
  for (const std::string& text : GetParam().logged)
    EXPECT_THAT(log, HasSubstr(text));
  for (const std::string& text : GetParam().not_logged)
    EXPECT_THAT(log, Not(HasSubstr(text)));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, HostExecutableRunTest,
    ::testing::Values(
        // Outside a package the package must be fetched; a package server
        // off the allowed hosts is never asked, every retry fails alike,
        // and the run ends with result 19. The backend, started while the
        // package is on its way, waits for it and is stopped.
        RunCase{"silent_outside_a_package_cannot_fetch",
                InstallIntoTheTestFolder,
                {L"silent", L"enable-installer-stats=0", L"v=1", kUnallowedPackageServer},
                119,
                {"Failed reading payload", "Initializing controller with fetcher.",
                 "Failed starting fetching the download URL", "--wait-for-package",
                 "Package fetcher failed.", "Terminating the controller"},
                {"Package ready."}},
        RunCase{"appended_tracking_data_is_read_and_logged",
                [](const base::FilePath& folder, std::vector<std::wstring>* switches) {
                  return InstallIntoTheTestFolder(folder, switches) &&
                         base::AppendToFile(folder.Append(L"bin\\installer.exe"),
                                            PayloadTail(kTrackingData));
                },
                {L"silent", L"enable-installer-stats=0", kUnallowedPackageServer},
                119,
                {std::string("Tracking data: ") + kTrackingData},
                {"Failed reading payload"}},
        // The download folder would lie below a file.
        RunCase{"no_usable_download_folder",
                [](const base::FilePath& folder, std::vector<std::wstring>* switches) {
                  const base::FilePath file = folder.Append(L"a file");
                  switches->push_back(L"temp-folder=\"" + file.Append(L"below").value() + L"\"");
                  return base::WriteFile(file, "x");
                },
                {L"silent", L"enable-installer-stats=0", L"v=1"},
                116,
                {"Using download folder from command line",
                 "Could not create temporary installer folder"},
                {"Terminating the controller"}},
        // A download folder that is not a full path would lie in the
        // current folder: the default one is taken instead. (The folder
        // holds no installation status, so the uninstall is refused.)
        RunCase{"download_folder_not_a_full_path_is_refused",
                nullptr,
                {L"uninstall", L"silent", L"enable-installer-stats=0", L"v=1",
                 L"temp-folder=relative"},
                102,
                {"Ignoring the temp folder from the command line, not a full path: "
                 "\"relative\"",
                 "Installer download folder: "},
                {"Using download folder from command line",
                 "Installer download folder: relative"}},
        // Uninstalling reads the experiment states the installation kept.
        // The folder holds no installation status, so the check refuses the
        // uninstall (result 2) before a backend starts.
        RunCase{"uninstall_reads_the_installations_experiments",
                [](const base::FilePath& folder, std::vector<std::wstring>*) {
                  return base::WriteFile(
                      folder.Append(L"bin\\installer_prefs.json"),
                      R"({"installer-experiments": ["installer-experiment-test@1"]})");
                },
                {L"uninstall", L"silent", L"enable-installer-stats=0", L"v=1"},
                102,
                {"Retrieved experiment states from installation folder",
                 "Test experiment is enabled", "Initializing controller without fetcher.",
                 "The settings are not valid"},
                {"Obtained experiment states from command line", "launching installer backend"}},
        // Without them the switches count.
        RunCase{"uninstall_without_stored_experiments_takes_the_switches",
                nullptr,
                {L"uninstall", L"silent", L"enable-installer-stats=0", L"v=1",
                 L"with-feature:installer-experiment-test=on"},
                102,
                {"Cannot read experiment states from installation folder",
                 "Obtained experiment states from command line", "Test experiment is enabled"},
                {"launching installer backend"}},
        // A host without the main window's templates: the window cannot
        // be made, and the window's controller ends the run with
        // installer error 1.
        RunCase{"window_run_without_templates",
                [](const base::FilePath& folder, std::vector<std::wstring>*) {
                  return RenameDialogTemplates(folder.Append(L"bin\\installer.exe"),
                                               {{kSimplifiedWindowTemplate, 100},
                                                {kClassicWindowTemplate, 108}});
                },
                {L"enable-installer-stats=0", L"v=1"},
                101,
                {"Using UI message loop", "Initializing installer UI", "Window creation failed.",
                 "Could not initialize installer window"},
                {"launching installer backend"}},
        // A damaged installer in an unattended run: nobody could click a
        // message box away, so the run logs why and ends with result 18.
        RunCase{"silent_run_of_a_damaged_installer",
                [](const base::FilePath& folder, std::vector<std::wstring>*) {
                  return PointCertificateTablePastTheEnd(folder.Append(L"bin\\installer.exe"));
                },
                {L"silent", L"enable-installer-stats=0", L"v=1"},
                118,
                {"Security directory is located past the image file length",
                 "The installer file is damaged: ending the silent run without the message box"},
                {"Displaying custom message box", "Instantiating settings"}},
        // A download cut inside its signature, or right before it, is as
        // damaged.
        InstallerCutAtItsSignature("silent_run_of_an_installer_cut_inside_its_signature", -4),
        InstallerCutAtItsSignature("silent_run_of_an_installer_cut_at_its_signature", 0)),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

// Inside an unpacked package nothing is fetched: the silent run goes from
// the settings to the backend, another installer.exe process with the
// settings as switches. This package lacks its root files list, so the
// backend refuses it and takes back what it had made.
TEST_F(HostExecutableTest, SilentRunInsideAPackageLaunchesTheBackend) {
  ASSERT_NO_FATAL_FAILURE(MakePackageWithoutRootFilesList());
  const base::FilePath target = dir_.GetPath().Append(L"Velta Browser");

  const ChildResult run = Run({L"silent", L"enable-installer-stats=0", L"v=1",
                               L"installfolder=\"" + target.value() + L"\""},
                              {}, L"package");
  // The backend's exit code 101 becomes result 1 of the main process.
  EXPECT_EQ(101u, run.exit_code);
  const std::vector<std::string> logs = Logs();
  ASSERT_EQ(2u, logs.size());
  const std::string& main_log = logs[0];
  const std::string& backend_log = logs[1];
  EXPECT_THAT(main_log, HasSubstr("Inside package1"));
  EXPECT_THAT(main_log, HasSubstr("Initializing controller without fetcher."));
  EXPECT_THAT(main_log, HasSubstr("Settings obtained. Starting."));
  EXPECT_THAT(main_log, HasSubstr("launching installer backend: "));
  // The backend's error report ends the silent run; whether its process end
  // was seen before that depends on timing.
  EXPECT_THAT(main_log, HasSubstr("Installer error: Cannot read files list"));
  EXPECT_THAT(CommandLineOf(backend_log), HasSubstr(" --backend "));
  EXPECT_THAT(CommandLineOf(backend_log), HasSubstr("--initial-proc-handle="));
  EXPECT_THAT(CommandLineOf(backend_log), HasSubstr("--installfolder=\"" +
                                                    base::WideToUTF8(target.value()) + "\""));
  EXPECT_THAT(backend_log, HasSubstr("Using default message loop"));
  EXPECT_THAT(backend_log, HasSubstr("Cannot read debug root files list"));
  EXPECT_FALSE(base::PathExists(target));
}

// A --niuid of 30,000 characters fits the installer's own command line, but
// goes base64-encoded into the tracking blob, and the backend's command line
// would pass the 32,767 characters Windows starts a program with (Wine
// starts it cut, without its later switches): the backend is not started,
// the run ends as a failed launch does, and nothing is installed.
TEST_F(HostExecutableTest, BackendWhoseCommandLineIsTooLongIsNotStarted) {
  ASSERT_NO_FATAL_FAILURE(MakePackageWithoutRootFilesList());
  const base::FilePath target = dir_.GetPath().Append(L"Velta Browser");

  const ChildResult run = Run({L"silent", L"enable-installer-stats=0", L"v=1",
                               L"installfolder=\"" + target.value() + L"\"",
                               L"niuid=" + std::wstring(30000, L'n')},
                              {}, L"package");
  EXPECT_EQ(101u, run.exit_code);
  const std::string log = OnlyLog();
  EXPECT_THAT(log, HasSubstr("installer.exe: its command line is "));
  EXPECT_THAT(log, HasSubstr(" characters long, longer than Windows starts a program with"));
  EXPECT_THAT(log, HasSubstr("Could not launch installer backend process"));
  EXPECT_FALSE(base::PathExists(target));
}

TEST_F(HostExecutableTest, VerbosityVariableStandsInForMissingSwitch) {
  struct Case {
    std::vector<std::wstring> switches;
    const wchar_t* variable;
    const char* command_line_end;
  };
  const Case cases[] = {
      {{L"silent", L"enable-installer-stats=0"}, L"3", "--enable-installer-stats=0 --v=3"},
      {{L"silent", L"enable-installer-stats=0"}, L"03", "--enable-installer-stats=0 --v=03"},
      // An explicit switch wins.
      {{L"silent", L"enable-installer-stats=0", L"v=1"}, L"3", "--enable-installer-stats=0 --v=1"},
  };
  // Each run ends at once, before any package fetch: its download folder
  // would lie below a file.
  const base::FilePath file = dir_.GetPath().Append(L"a file");
  ASSERT_TRUE(base::WriteFile(file, "x"));
  const std::wstring unusable_temp = L"temp-folder=\"" + file.Append(L"below").value() + L"\"";
  for (Case c : cases) {
    c.switches.insert(c.switches.begin(), unusable_temp);
    ASSERT_TRUE(base::DeletePathRecursively(temp_.Append(L"Velta Installer")));
    Run(c.switches, {{L"VELTA_INSTALLER_VERBOSITY", c.variable}});
    EXPECT_THAT(CommandLineOf(OnlyLog()), EndsWith(c.command_line_end)) << c.variable;
  }
  // Out of range or not a number: ignored.
  for (const wchar_t* ignored : {L"12", L"-1", L"x", L"", L"010"}) {
    ASSERT_TRUE(base::DeletePathRecursively(temp_.Append(L"Velta Installer")));
    Run({unusable_temp, L"silent", L"enable-installer-stats=0"},
        {{L"VELTA_INSTALLER_VERBOSITY", ignored}});
    EXPECT_THAT(CommandLineOf(OnlyLog()), Not(HasSubstr("--v="))) << base::WideToUTF8(ignored);
  }
}

TEST_F(HostExecutableTest, MissingLibraryExits99) {
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  const base::FilePath lonely = folder.GetPath().Append(L"installer.exe");
  ASSERT_TRUE(base::CopyFile(BuiltFile(L"installer.exe"), lonely));
  base::CommandLine command_line(lonely);
  command_line.AppendSwitch("version");
  ChildOptions options;
  options.capture_output = true;
  ChildResult run = RunChild(command_line, options);
  EXPECT_EQ(99u, run.exit_code);
  EXPECT_EQ("", run.output);
}


// The control id of the message box's second button (host template 102).
constexpr int kMessageBoxSecondButton = 1223;

// The first visible dialog among the top-level windows of process `pid`
// that holds control `id` (0: any dialog).
struct ControlSearch {
  DWORD pid;
  int id;
  HWND found;
};

BOOL CALLBACK FindDialogWithControl(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (pid != search->pid || std::wstring(name) != L"#32770" || !::IsWindowVisible(window) ||
      (search->id && !::GetDlgItem(window, search->id))) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

HWND WaitForDialogWithControl(const base::Process& process, int id = 0) {
  ControlSearch search = {static_cast<DWORD>(process.Pid()), id, nullptr};
  for (int i = 0; i < 3000 && !search.found &&
                  ::WaitForSingleObject(process.Handle(), 0) == WAIT_TIMEOUT;
       ++i) {
    ::EnumWindows(&FindDialogWithControl, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
      ::Sleep(20);
  }
  return search.found;
}

// The accept button of the installer window.
constexpr int kAcceptButton = 1003;

// A run with the window shows the welcome page in the language asked for;
// closing the window asks first with the installer's own button texts, and
// Yes ends the run as cancelled, before any backend starts.
TEST_F(HostExecutableTest, WindowRunShowsTheWindowAndEndsWhenTheUserQuits) {
  base::LaunchOptions options;
  options.environment = EnvironmentWith({});
  base::Process installer = base::LaunchProcess(
      CommandLineFor({L"enable-installer-stats=0", L"v=1", L"language=fr"}), options);
  ASSERT_TRUE(installer.IsValid());

  HWND window = WaitForDialogWithControl(installer, kAcceptButton);
  ASSERT_TRUE(window);
  // The texts follow the window's first showing.
  wchar_t text[128] = {};
  for (int i = 0; i < 500 && !::GetWindowTextW(window, text, 128); ++i)
    ::Sleep(10);
  EXPECT_EQ(std::wstring(L"Programme d'installation de Velta"), text);
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window, kAcceptButton)));
  ::PostMessageW(window, WM_CLOSE, 0, 0);

  HWND question = WaitForDialogWithControl(installer, IDYES);
  ASSERT_TRUE(question);
  ::GetWindowTextW(::GetDlgItem(question, IDYES), text, 128);
  EXPECT_EQ(std::wstring(L"&Oui"), text);
  ::GetWindowTextW(::GetDlgItem(question, IDNO), text, 128);
  EXPECT_EQ(std::wstring(L"&Non"), text);
  ::PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(question, IDYES)));

  uint32_t exit_code = 0;
  ASSERT_TRUE(test::WaitForChildExit(installer, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(120u, exit_code);
  const std::string log = OnlyLog();
  EXPECT_THAT(log, HasSubstr("Initializing installer UI"));
  EXPECT_THAT(log, Not(HasSubstr("Window creation failed.")));
  EXPECT_THAT(log, Not(HasSubstr("launching installer backend")));
}

// A corrupted payload is reported in the message box (a silent run only logs
// it, see the run table), in the language the command line asks for; Cancel
// ends the run with result 18 and opens no web page.
class CorruptedPayloadTest : public HostExecutableTest,
                             public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(CorruptedPayloadTest, CancelInTheBoxEnds118AndOpensNothing) {
  ASSERT_TRUE(PointCertificateTablePastTheEnd(Exe()));
  base::LaunchOptions options;
  options.environment = EnvironmentWith({});
  base::Process installer = base::LaunchProcess(
      CommandLineFor({GetParam(), L"enable-installer-stats=0", L"v=1", L"language=fr"}), options);
  ASSERT_TRUE(installer.IsValid());

  HWND box = WaitForDialogWithControl(installer);
  ASSERT_TRUE(box);
  wchar_t text[128] = {};
  ::GetWindowTextW(box, text, 128);
  EXPECT_EQ(std::wstring(L"Programme d'installation de Velta"), text);
  ::GetWindowTextW(::GetDlgItem(box, kMessageBoxSecondButton), text, 128);
  EXPECT_EQ(std::wstring(L"Annuler"), text);
  ::PostMessageW(::GetDlgItem(box, kMessageBoxSecondButton), BM_CLICK, 0, 0);

  uint32_t exit_code = 0;
  ASSERT_TRUE(test::WaitForChildExit(installer, base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(118u, exit_code);
  const std::string log = OnlyLog();
  EXPECT_THAT(log, HasSubstr("Displaying custom message box"));
  EXPECT_THAT(log, Not(HasSubstr("Opening web page")));
  EXPECT_THAT(log, Not(HasSubstr("Cannot initialize the message box")));
  EXPECT_THAT(log, Not(HasSubstr("Instantiating settings")));
}

INSTANTIATE_TEST_SUITE_P(RunKinds,
                         CorruptedPayloadTest,
                         ::testing::Values(L"runimmediately"));

}  // namespace
}  // namespace velta
