// Copyright 2026 Velta Software. All rights reserved.

#include "e2e/package_install_fixture.h"

#include <windows.h>

#include <string.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/platform_thread.h"
#include "base/time/time.h"
#include "base/win/registry.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "e2e/process_tree.h"
#include "gmock/gmock.h"

namespace velta::e2e {

using ::testing::ContainerEq;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using velta::test::ChildOptions;
using velta::test::ChildResult;
using velta::test::RunChild;

namespace {

// The integer in the first "<message>(N)" of `log`, or -1.
int MessageNumber(const std::string& log, const std::string& message, size_t* from) {
  const size_t at = log.find(message + "(", *from);
  if (at == std::string::npos)
    return -1;
  const size_t start = at + message.size() + 1;
  int number = -1;
  if (!base::StringToInt(log.substr(start, log.find(')', start) - start), &number))
    return -1;
  *from = start;
  return number;
}

// The user's own files by path in the installation folder, with their
// contents; null contents for an empty folder.
constexpr struct {
  const wchar_t* path;
  const char* text;
} kUsersOwnFiles[] = {
    {L"2024\\plan.txt", "the user's plan for 2024"},
    {L"2024\\photos\\beach.jpg", "a photo of the user's"},
    {L"9.9.9.9", nullptr},
    {L"9.9.9.9_1\\draft.1700000000.old", "a draft the user put aside"},
    {L"notes.1700000000.old", "the user's notes"},
};

}  // namespace

// The build's test packages, made beside its bin folder.
base::FilePath BuiltPackage(const wchar_t* name) {
  return velta::test::GetTestExecutablePath().DirName().DirName().Append(name);
}

std::string ReadText(const base::FilePath& file) {
  std::string text;
  EXPECT_TRUE(base::ReadFileToString(file, &text)) << file.AsUTF8Unsafe();
  return text;
}

// The entries of a files list, one relative path per line.
std::vector<std::wstring> ListEntries(const base::FilePath& list) {
  std::vector<std::wstring> entries;
  for (const std::string& line : base::SplitString(ReadText(list), "\r\n", base::TRIM_WHITESPACE,
                                                   base::SPLIT_WANT_NONEMPTY)) {
    entries.push_back(base::UTF8ToWide(line));
  }
  return entries;
}

// The names directly in `folder`, files and folders, sorted.
std::vector<std::wstring> NamesIn(const base::FilePath& folder) {
  std::vector<std::wstring> names;
  base::FileEnumerator items(folder, /*recursive=*/false,
                             base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  for (base::FilePath item = items.Next(); !item.empty(); item = items.Next())
    names.push_back(item.BaseName().value());
  std::sort(names.begin(), names.end());
  return names;
}

// Every file below `folder` whose name ends with `suffix`.
std::vector<base::FilePath> FilesEndingWith(const base::FilePath& folder,
                                            const std::wstring& suffix) {
  std::vector<base::FilePath> found;
  base::FileEnumerator files(folder, /*recursive=*/true, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    if (base::EndsWith(file.value(), suffix, base::CompareCase::INSENSITIVE_ASCII))
      found.push_back(file);
  }
  return found;
}

void PlaceUsersOwnFiles(const base::FilePath& folder) {
  for (const auto& item : kUsersOwnFiles) {
    const base::FilePath path = folder.Append(item.path);
    ASSERT_TRUE(base::CreateDirectory(item.text ? path.DirName() : path)) << path.AsUTF8Unsafe();
    if (item.text) {
      ASSERT_TRUE(base::WriteFile(path, item.text)) << path.AsUTF8Unsafe();
    }
  }
}

void ExpectUsersOwnFiles(const base::FilePath& folder) {
  for (const auto& item : kUsersOwnFiles) {
    const base::FilePath path = folder.Append(item.path);
    if (!item.text) {
      EXPECT_TRUE(base::DirectoryExists(path)) << path.AsUTF8Unsafe();
      continue;
    }
    std::string text;
    EXPECT_TRUE(base::ReadFileToString(path, &text)) << path.AsUTF8Unsafe();
    EXPECT_EQ(item.text, text) << path.AsUTF8Unsafe();
  }
}

bool IsUsersOwn(const base::FilePath& relative) {
  const std::vector<std::wstring> parts = relative.GetComponents();
  return !parts.empty() && std::any_of(std::begin(kUsersOwnFiles), std::end(kUsersOwnFiles),
                                       [&parts](const auto& item) {
                                         return base::FilePath(item.path).GetComponents()[0] ==
                                                parts[0];
                                       });
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

std::optional<base::Value> ReadJson(const base::FilePath& file) {
  std::string text;
  if (!base::ReadFileToString(file, &text))
    return std::nullopt;
  return base::JSONReader::Read(text);
}

std::vector<RecordedValue> RecordedHkcuValues(const base::Value& status) {
  std::vector<RecordedValue> values;
  const base::Value* keys = status.FindListPath("registry.HKCU");
  if (!keys)
    return values;
  for (const base::Value& key : keys->GetList()) {
    const std::string* path = key.FindStringKey("path");
    const base::Value* list = key.FindListKey("values");
    if (!path || !list)
      continue;
    for (const base::Value& value : list->GetList()) {
      const std::string* type = value.FindStringKey("type");
      const std::string* name = value.FindStringKey("name");
      const std::string* data = value.FindStringKey("data");
      if (type && name && data)
        values.push_back({base::UTF8ToWide(*path), base::UTF8ToWide(*name), *type, *data});
    }
  }
  return values;
}

// The value as the registry holds it now, in the status file's text form
// (strings as UTF-8, DWORDs as eight hex digits, binary as "xx,xx", other
// types empty); nullopt when the key or the value is gone or its type is not
// the recorded one.
std::optional<std::string> RegistryText(const RecordedValue& recorded) {
  base::win::RegKey key(HKEY_CURRENT_USER, recorded.key.c_str(), KEY_READ);
  if (!key.Valid())
    return std::nullopt;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (key.ReadValue(recorded.name.c_str(), nullptr, &size, &type) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<uint8_t> data(size + sizeof(wchar_t), 0);
  if (key.ReadValue(recorded.name.c_str(), data.data(), &size, &type) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  static constexpr const char* kTypeNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ",
                                               "REG_BINARY", "REG_DWORD"};
  if (type >= std::size(kTypeNames) || recorded.type != kTypeNames[type])
    return "type " + base::NumberToString(type);
  std::string text;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()),
                        data.size() / sizeof(wchar_t));
      wide.resize(std::min(wide.size(), wide.find(L'\0')));
      return base::WideToUTF8(wide);
    }
    case REG_BINARY:
      for (size_t i = 0; i < data.size(); ++i)
        base::StringAppendF(&text, i ? ",%.2x" : "%.2x", data[i]);
      return text;
    case REG_DWORD: {
      DWORD number = 0;
      if (data.size() == sizeof(number))
        memcpy(&number, data.data(), sizeof(number));
      return base::StringPrintf("%.8lx", static_cast<unsigned long>(number));
    }
    default:
      return text;
  }
}

// The shortcuts the status file records, by kind.
std::vector<base::FilePath> RecordedShortcuts(const base::Value& status) {
  std::vector<base::FilePath> shortcuts;
  const base::Value* kinds = status.FindDictKey("shortcuts");
  if (!kinds)
    return shortcuts;
  for (const auto& [kind, path] : kinds->DictItems()) {
    if (path.is_string())
      shortcuts.push_back(base::FilePath::FromUTF8Unsafe(path.GetString()));
  }
  return shortcuts;
}

RegistrySnapshot InstallationRegistrySnapshot(const base::FilePath& target) {
  const std::wstring prog_id = base::UTF8ToWide(GetBrandAndChannel());
  const std::wstring product = base::UTF8ToWide(GetBrandName());
  const std::wstring executable = base::UTF8ToWide(GetBrowserExeName());
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring current_version = L"Software\\Microsoft\\Windows\\CurrentVersion\\";

  // Keys wholly the installation's own, with everything below them, by view.
  std::vector<std::pair<std::wstring, REGSAM>> own_keys = {
      {GetCompanyRegistryPath(), 0},
      {classes + prog_id, 0},
      {classes + L".vex", 0},
      {classes + L"Applications\\" + executable, 0},
      {L"Software\\Clients\\StartMenuInternet\\" + prog_id, 0},
      {current_version + L"App Paths\\" + executable, 0},
  };
  // Its uninstall entries, named after the product and the version.
  const std::wstring uninstall = GetUninstallRegistryPath();
  for (base::win::RegistryKeyIterator entry(HKEY_CURRENT_USER, uninstall.c_str(), KEY_WOW64_32KEY);
       entry.Valid(); ++entry) {
    if (base::StartsWith(entry.Name(), product + L" ", base::CompareCase::INSENSITIVE_ASCII))
      own_keys.emplace_back(uninstall + L"\\" + entry.Name(), KEY_WOW64_32KEY);
  }
  // The values it adds to keys that other programs share: the file types
  // and protocols it opens, and where Windows finds it.
  std::vector<std::pair<std::wstring, std::wstring>> own_values = {
      {L"Software\\RegisteredApplications", product + L" " + base::UTF8ToWide(GetChannelName())},
      {L"Software\\Clients\\StartMenuInternet", L""},
      {current_version + L"RunOnce", product},
      {L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\"
       L"Compatibility Assistant\\Persisted",
       target.Append(L"Launcher.exe").value()},
  };
  for (const wchar_t* type : {L".htm", L".html", L".pdf", L".shtml", L".vtdownload", L".xht",
                              L".xhtml", L".crx", L".kvx"}) {
    own_values.emplace_back(classes + type + L"\\OpenWithProgIDs", prog_id);
    own_values.emplace_back(classes + type, L"");
  }
  for (const wchar_t* protocol : {L"http", L"https", L"ftp"}) {
    own_values.emplace_back(classes + protocol, L"");
    own_values.emplace_back(classes + protocol, L"EditFlags");
  }

  RegistrySnapshot snapshot;
  for (const auto& [path, view] : own_keys) {
    for (auto& [relative, values] : test::SnapshotRegistry(HKEY_CURRENT_USER, path, view))
      snapshot[path + relative.substr(1)] = std::move(values);
  }
  // The crash reporter keeps its last crash in the company's key too: a
  // crash of any other test's process may write it.
  if (auto company = snapshot.find(GetCompanyRegistryPath()); company != snapshot.end()) {
    std::erase_if(company->second, [](const std::string& line) {
      return base::StartsWith(line, "Last crash in crash reporter=");
    });
  }
  for (const auto& [path, name] : own_values) {
    base::win::RegKey key(HKEY_CURRENT_USER, path.c_str(), KEY_READ);
    if (!key.Valid())
      continue;
    std::vector<std::string>& values = snapshot[path];
    if (std::optional<RegistryValue> value =
            test::ReadRegistryValue(HKEY_CURRENT_USER, path, name)) {
      values.push_back(base::WideToUTF8(name) + "=" + base::NumberToString(value->type) + ":" +
                       base::HexEncode(value->data.data(), value->data.size()));
    }
  }
  return snapshot;
}

// `file` opened with no sharing at all, as a running program holds it.
base::File HoldOpen(const base::FilePath& file) {
  return base::File(::CreateFileW(file.value().c_str(), GENERIC_READ, /*share=*/0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}


// What the installation of `package` must have put into `target`, and the
// status file that records it.
void ExpectInstalled(const base::FilePath& package, const base::FilePath& target,
                     const std::string& version, const base::Value& status) {
  const base::FilePath version_folder = target.AppendASCII(version);
  const std::vector<std::wstring> files = ListEntries(package.Append(kFilesListFileName));
  const std::vector<std::wstring> root_files = ListEntries(package.Append(L"root_files_list"));
  ASSERT_THAT(files, Not(IsEmpty()));
  for (const std::wstring& file : files) {
    EXPECT_EQ(ReadText(package.Append(file)), ReadText(version_folder.Append(file)))
        << base::WideToUTF8(file);
  }
  for (const std::wstring& file : root_files)
    EXPECT_EQ(ReadText(package.Append(file)), ReadText(target.Append(file)));
  EXPECT_EQ(ReadText(package.Append(kLauncherFileName)),
            ReadText(target.Append(kLauncherFileName)));
  // The installer removes its "done" marker once the package's installer
  // has set it.
  EXPECT_FALSE(base::PathExists(version_folder.Append(kInstallDoneMarkerFileName)));

  // The status file records the installer's own version (a real package's
  // installer is built with it; the test packages share one build), the
  // version folder and every file.
  EXPECT_EQ(GetProductVersion(), *status.FindStringKey("version"));
  const std::string* subfolder = status.FindStringKey("_subfolder");
  ASSERT_TRUE(subfolder);
  EXPECT_EQ(version, base::FilePath::FromUTF8Unsafe(*subfolder).BaseName().AsUTF8Unsafe());
  std::set<std::wstring> recorded_files;
  if (const base::Value* list = status.FindListKey("files")) {
    for (const base::Value& file : list->GetList())
      recorded_files.insert(base::UTF8ToWide(file.GetString()));
  }
  for (const std::wstring& file : files)
    EXPECT_TRUE(recorded_files.count(file)) << base::WideToUTF8(file);
  std::set<std::wstring> recorded_root_files;
  if (const base::Value* list = status.FindListKey("root_files")) {
    for (const base::Value& file : list->GetList())
      recorded_root_files.insert(base::UTF8ToWide(file.GetString()));
  }
  for (const std::wstring& file : root_files)
    EXPECT_TRUE(recorded_root_files.count(file)) << base::WideToUTF8(file);

  // Every value recorded under HKCU is in the registry as recorded.
  const std::vector<RecordedValue> values = RecordedHkcuValues(status);
  EXPECT_THAT(values, Not(IsEmpty()));
  for (const RecordedValue& value : values) {
    EXPECT_EQ(value.data, RegistryText(value).value_or("<missing>"))
        << base::WideToUTF8(value.key) << " " << base::WideToUTF8(value.name);
  }

  // The recorded shortcuts lead to the installation's launcher.
  const std::vector<base::FilePath> shortcuts = RecordedShortcuts(status);
  EXPECT_THAT(shortcuts, Not(IsEmpty()));
  for (const base::FilePath& shortcut : shortcuts) {
    base::FilePath shortcut_target;
    EXPECT_TRUE(base::win::ResolveShortcut(shortcut, &shortcut_target, nullptr))
        << shortcut.AsUTF8Unsafe();
    EXPECT_TRUE(base::FilePath::CompareEqualIgnoreCase(target.Append(kLauncherFileName).value(),
                                                       shortcut_target.value()))
        << shortcut_target.AsUTF8Unsafe();
  }
}

// What an uninstall must have taken away of the installation `status`
// recorded: the status file, every recorded registry value, the shortcuts
// and every file but the installer's preferences (kept for a later
// installation, with the copy the preference store keeps of them). The
// stand-ins' ".calls" records are the test's own.
void ExpectUninstalled(const base::FilePath& target, const base::Value& status) {
  for (const RecordedValue& value : RecordedHkcuValues(status)) {
    EXPECT_EQ(std::nullopt, RegistryText(value))
        << base::WideToUTF8(value.key) << " " << base::WideToUTF8(value.name);
  }
  for (const base::FilePath& shortcut : RecordedShortcuts(status))
    EXPECT_FALSE(base::PathExists(shortcut)) << shortcut.AsUTF8Unsafe();
  std::vector<std::wstring> left;
  base::FileEnumerator files(target, /*recursive=*/true, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    const std::wstring relative = file.value().substr(target.value().size() + 1);
    if (file.FinalExtension() != L".calls" && !IsUsersOwn(base::FilePath(relative)))
      left.push_back(relative);
  }
  std::sort(left.begin(), left.end());
  EXPECT_THAT(left, ContainerEq(std::vector<std::wstring>{
                        kInstallerPrefsFileName, std::wstring(kInstallerPrefsFileName) + L".backup"}));
}

// The messages the main process logged for what its backend and the
// package's installer sent over the mailslot (at --v=1): the copy into the
// version folder announces one step per file it copies (the files lists'
// entries, the two lists, the launcher and the helper) and reports each as
// finished; the install job then announces its steps plus one, starts and
// finishes each, and ends with success.
void ExpectStepMessages(const std::string& main_log, size_t copied_files) {
  size_t from = 0;
  const int copy_steps = MessageNumber(main_log, "IPC_MESSAGE_TOTAL_STEPS", &from);
  const int job_steps = MessageNumber(main_log, "IPC_MESSAGE_TOTAL_STEPS", &from) - 1;
  EXPECT_EQ(static_cast<int>(copied_files), copy_steps);
  EXPECT_GT(job_steps, 10);
  EXPECT_EQ(static_cast<size_t>(job_steps),
            Count(main_log, "IPC_MESSAGE_STEP_STARTING received"));
  EXPECT_EQ(static_cast<size_t>(copy_steps + job_steps),
            Count(main_log, "IPC_MESSAGE_STEP_FINISHED received"));
  // The package's installer reports success, and so does the backend that
  // started it; the main process ends soon after the first, so the second
  // may come too late to be read.
  const size_t successes = Count(main_log, "IPC_MESSAGE_SUCCESS received");
  EXPECT_TRUE(successes == 1 || successes == 2) << successes;
  EXPECT_THAT(main_log, Not(HasSubstr("IPC_MESSAGE_ERROR(")));
}

// The entries the copy into the version folder reports: the two lists'
// entries, the two lists themselves, the launcher and one helper.
size_t CopiedEntries(const base::FilePath& package) {
  return ListEntries(package.Append(kFilesListFileName)).size() +
         ListEntries(package.Append(L"root_files_list")).size() + 4;
}

PackageInstallTest::PackageInstallTest() = default;
PackageInstallTest::~PackageInstallTest() = default;

void PackageInstallTest::SetUp() {
  ASSERT_TRUE(dir_.CreateUniqueTempDir());
  temp_ = dir_.GetPath().Append(L"temp");
  ASSERT_TRUE(base::CreateDirectory(temp_));
  target_ = dir_.GetPath().Append(L"Velta");
}

void PackageInstallTest::TearDown() {
  if (base::PathExists(target_.Append(kInstallationStatusJsonFileName)))
    Uninstall(Status());
  for (const std::wstring& program : test::EndProgramsIn(temp_))
    printf("Ended a program the runs left running: %ls\n", program.c_str());
  if (HasFailure())
    KeepLogs();
}

// The logs of every run of a failed test, in a folder of the build's own
// that outlives the test's temporary folder: "kept_logs/<test>.<n>" beside
// the bin folder, one numbered folder per failed run of the test.
void PackageInstallTest::KeepLogs() {
  if (base::PathExists(temp_.Append(L"Velta Installer")))
    TakeLogs();
  if (taken_logs_.empty())
    return;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const base::FilePath kept = BuiltPackage(L"kept_logs");
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  base::FilePath folder;
  for (int n = 1; folder.empty() || base::PathExists(folder); ++n)
    folder = kept.AppendASCII(name + "." + base::NumberToString(n));
  ASSERT_TRUE(base::CreateDirectory(folder)) << folder.AsUTF8Unsafe();
  for (size_t i = 0; i < taken_logs_.size(); ++i) {
    const auto& [file_name, text] = taken_logs_[i];
    // Numbered in the order taken: a rerun's logs follow the first run's.
    const std::wstring number = base::UTF8ToWide(base::StringPrintf("%02d_", static_cast<int>(i)));
    EXPECT_TRUE(base::WriteFile(folder.Append(number + file_name.value()), text));
  }
  printf("The installer logs of this test are kept in %s\n", folder.AsUTF8Unsafe().c_str());
}

base::FilePath PackageInstallTest::CopyPackage(const wchar_t* name, const wchar_t* folder) {
  const base::FilePath copy = dir_.GetPath().Append(folder);
  EXPECT_TRUE(base::CopyDirectory(BuiltPackage(name), copy, /*recursive=*/true));
  return copy;
}

ChildResult PackageInstallTest::Run(const base::FilePath& exe,
                                    const std::vector<std::wstring>& switches) {
  base::CommandLine command_line(exe);
  velta::test::AppendSwitches(switches, &command_line);
  command_line.AppendSwitchASCII("enable-installer-stats", "0");
  command_line.AppendSwitchASCII("v", "1");
  ChildOptions options;
  options.capture_output = true;
  options.launch.environment[L"TEMP"] = temp_.value();
  options.launch.environment[L"TMP"] = temp_.value();
  ChildResult result = RunChild(command_line, options);
  EXPECT_TRUE(result.exited);
  return result;
}

ChildResult PackageInstallTest::Install(const wchar_t* folder,
                                        const std::vector<std::wstring>& more) {
  std::vector<std::wstring> switches = {L"silent", L"launchvelta=1",
                                        L"installfolder=" + target_.value()};
  switches.insert(switches.end(), more.begin(), more.end());
  return Run(dir_.GetPath().Append(folder).Append(L"installer.exe"), switches);
}

ChildResult PackageInstallTest::Uninstall(const base::Value& status) {
  const std::string* version = status.FindStringKey("_subfolder");
  EXPECT_TRUE(version);
  const ChildResult run = Run(target_.AppendASCII(version ? *version : "").Append(L"installer.exe"),
                              {L"uninstall", L"silent"});
  const base::FilePath script = target_.Append(L"k.bat");
  for (int i = 0; i < 600 && base::PathExists(script); ++i)
    base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(100));
  EXPECT_FALSE(base::PathExists(script));
  // A silent uninstall prints nothing, and k.bat, which outlives it, runs
  // in a console of its own: none of its commands reach the caller's output
  // (which the capture reads until every holder has closed it).
  EXPECT_EQ("", run.output);
  return run;
}

std::vector<std::string> PackageInstallTest::TakeLogs() {
  const base::FilePath folder = temp_.Append(L"Velta Installer");
  std::vector<base::FilePath> files;
  base::FileEnumerator logs(folder, /*recursive=*/false, base::FileEnumerator::FILES,
                            L"velta_installer_*.log");
  for (base::FilePath log = logs.Next(); !log.empty(); log = logs.Next())
    files.push_back(log);
  std::sort(files.begin(), files.end());
  std::vector<std::string> texts;
  for (const base::FilePath& file : files) {
    texts.push_back(ReadText(file));
    taken_logs_.emplace_back(file.BaseName(), texts.back());
  }
  EXPECT_TRUE(base::DeletePathRecursively(folder));
  return texts;
}

base::Value PackageInstallTest::Status() {
  std::optional<base::Value> status = ReadJson(target_.Append(kInstallationStatusJsonFileName));
  EXPECT_TRUE(status && status->is_dict());
  return status && status->is_dict() ? std::move(*status)
                                     : base::Value(base::Value::Type::DICTIONARY);
}

std::vector<std::string> PackageInstallTest::InstallSuccessfully(
    const wchar_t* folder, const std::vector<std::wstring>& more) {
  const ChildResult install = Install(folder, more);
  EXPECT_EQ(0u, install.exit_code) << install.output;
  std::vector<std::string> logs = TakeLogs();
  EXPECT_EQ(3u, logs.size());
  if (!logs.empty())
    ExpectStepMessages(logs[0], CopiedEntries(dir_.GetPath().Append(folder)));
  logs.resize(3);
  return logs;
}

void PackageInstallTest::UninstallSuccessfully(const base::Value& status) {
  const ChildResult uninstall = Uninstall(status);
  EXPECT_EQ(0u, uninstall.exit_code) << uninstall.output;
  TakeLogs();
  ExpectUninstalled(target_, status);
}

}  // namespace velta::e2e
