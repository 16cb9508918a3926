// Copyright 2026 Velta Software. All rights reserved.

// A deliberate crash in a real child process with crash reporting: the
// child's exit code, its reporter's end and the dump it left, read with
// dbghelp. Run by crash_report_e2e.py, which gives the server address and the
// work folder and then checks the upload and the dump on the Linux side.

#include <windows.h>

#include <dbghelp.h>
#include <tlhelp32.h>

#include <map>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_module.h"
#include "crash_reporter/crash_info_block.h"
#include "crash_reporter/crash_reporting.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/fallback_handler.h"
#include "crash_reporter/test/crash_hook.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "e2e/process_tree.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using test::ChildrenOf;
using test::kExitCodeUnknown;
using test::WatchedProcess;
using test::RunAndWatchProcessTree;

constexpr wchar_t kServerUrlVariable[] = L"VELTA_E2E_CRASH_SERVER_URL";
constexpr wchar_t kWorkDirVariable[] = L"VELTA_E2E_WORK_DIR";
constexpr wchar_t kCrashKindVariable[] = L"VELTA_E2E_CRASH_KIND";
constexpr wchar_t kKeepLogsVariable[] = L"VELTA_E2E_KEEP_LOGS";
constexpr char kReporterFileSwitch[] = "reporter-file";
constexpr char kRestartEventSwitch[] = "restarted-event";
constexpr char kHandlerDisabledSwitch[] = "handler-disabled";
constexpr char kWaitForReporterSwitch[] = "wait-for-reporter-end";
// A crashed child ends once its dump is written. Wine reads the dumped
// process through the wineserver, a round trip per read: a dump that takes
// 7 s on an idle machine took over a minute on two busy cores.
constexpr base::TimeDelta kCrashedChildTimeout = base::TimeDelta::FromSeconds(240);

// Started again by the crash handler: says so through the named event.
VELTA_TEST_CHILD_MAIN(SignalRestarted) {
  base::win::ScopedHandle event(::OpenEventW(
      EVENT_MODIFY_STATE, FALSE,
      base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(kRestartEventSwitch).c_str()));
  return event.IsValid() && ::SetEvent(event.Get()) ? 0 : 1;
}

std::wstring GetVariable(const wchar_t* name) {
  wchar_t value[2048];
  const DWORD length = ::GetEnvironmentVariableW(name, value, 2048);
  return length > 0 && length < 2048 ? std::wstring(value, length) : std::wstring();
}

// An installer process: starts crash reporting, notes its reporter's id and
// crashes as VELTA_TEST_CRASH asks.
VELTA_TEST_CHILD_MAIN(CrashingInstaller) {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  StartCrashReporting("installer");
  const InstallerCrashReporterClient* client = InstallerCrashReporterClient::GetInstance();
  const uint32_t reporter = client->reporter_process_id() ? client->reporter_process_id()
                                                          : client->handler_process_id();
  // What a client of the crash handler may ask for.
  if (command_line.HasSwitch(kRestartEventSwitch)) {
    const std::vector<std::string> restart = {
        base::WideToUTF8(test::GetTestExecutablePath().value()),
        "--velta-test-child=SignalRestarted",
        "--" + std::string(kRestartEventSwitch) + "=" +
            command_line.GetSwitchValueASCII(kRestartEventSwitch)};
    SetRestartCommandLine(&restart);
  }
  if (command_line.HasSwitch(kHandlerDisabledSwitch))
    GetCrashpadInfo()->crashpad_handler_behavior = TriState::kDisabled;
  if (!base::WriteFile(
          base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kReporterFileSwitch),
          base::NumberToString(reporter))) {
    return 2;
  }
  // A client that outlives its reporter: crashes once the reporter is gone.
  if (command_line.HasSwitch(kWaitForReporterSwitch)) {
    base::win::ScopedHandle process(::OpenProcess(SYNCHRONIZE, FALSE, reporter));
    if (!process.IsValid() || ::WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0)
      return 4;
  }
  test::CrashIfAskedFor("installer");
  return 3;
}

// Stands in for a crash reporter that crashes: the crash roles' handlers and
// the fallback's preparation, then the crash VELTA_TEST_CRASH asks for.
VELTA_TEST_CHILD_MAIN(CrashingReporter) {
  InstallFallbackExceptionHandlers();
  PrepareFallbackHandling();
  test::CrashIfAskedFor("crash_reporter");
  return 3;
}

// "key=value" lines of a small text file.
std::map<std::string, std::string> ReadKeyValues(const base::FilePath& path) {
  std::map<std::string, std::string> values;
  std::string text;
  base::ReadFileToString(path, &text);
  for (const std::string& line :
       base::SplitString(text, "\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos)
      values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

// A dump file mapped for dbghelp's stream reader.
class MappedDump {
 public:
  explicit MappedDump(const base::FilePath& path) {
    file_.Set(::CreateFileW(path.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    if (file_.IsValid())
      mapping_.Set(::CreateFileMappingW(file_.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping_.IsValid())
      view_ = ::MapViewOfFile(mapping_.Get(), FILE_MAP_READ, 0, 0, 0);
    dbghelp_.Set(::LoadLibraryW(L"dbghelp.dll"));
  }
  ~MappedDump() {
    if (view_)
      ::UnmapViewOfFile(view_);
  }
  bool is_valid() const { return view_ && dbghelp_.IsValid(); }

  // The stream of `type`, or null.
  const void* Stream(ULONG type, ULONG* size) const {
    using ReadStream = BOOL(WINAPI*)(PVOID, ULONG, PMINIDUMP_DIRECTORY*, PVOID*, ULONG*);
    const auto read = reinterpret_cast<ReadStream>(
        reinterpret_cast<void (*)()>(::GetProcAddress(dbghelp_.get(), "MiniDumpReadDumpStream")));
    PMINIDUMP_DIRECTORY directory = nullptr;
    void* stream = nullptr;
    if (!read || !read(view_, type, &directory, &stream, size))
      return nullptr;
    return stream;
  }
  std::wstring String(RVA rva) const {
    const auto* text = reinterpret_cast<const MINIDUMP_STRING*>(
        static_cast<const char*>(view_) + rva);
    return std::wstring(reinterpret_cast<const wchar_t*>(text->Buffer),
                        text->Length / sizeof(wchar_t));
  }

 private:
  base::win::ScopedHandle file_;
  base::win::ScopedHandle mapping_;
  void* view_ = nullptr;
  base::win::ScopedModule dbghelp_;
};

TEST(CrashReportE2eTest, CrashLeavesOneDumpAndTheReporterEnds) {
  const std::wstring server_url = GetVariable(kServerUrlVariable);
  const base::FilePath work(GetVariable(kWorkDirVariable));
  const std::string kind = base::WideToASCII(GetVariable(kCrashKindVariable));
  const bool keep_logs = GetVariable(kKeepLogsVariable) == L"1";
  if (server_url.empty() || work.empty() || kind.empty())
    GTEST_SKIP() << "run by crash_report_e2e.py";
  const base::FilePath dumps = work.Append(L"dumps");
  const base::FilePath temp = work.Append(L"temp");
  ASSERT_TRUE(base::CreateDirectory(dumps));
  ASSERT_TRUE(base::CreateDirectory(temp));

  base::CommandLine command_line = test::MakeChildCommandLine("CrashingInstaller");
  command_line.AppendSwitchPath(kReporterFileSwitch, work.Append(L"reporter.txt"));
  test::ChildOptions options;
  options.timeout = kCrashedChildTimeout;
  base::EnvironmentMap& environment = options.launch.environment;
  environment[L"VELTA_CRASH_LOG_DIR"] = dumps.value();
  environment[L"VELTA_CRASH_KEEP_LOGS"] = keep_logs ? L"1" : L"0";
  environment[L"VELTA_ALTERNATIVE_CRASH_SERVER_URL"] = server_url;
  environment[L"VELTA_CRASH_REPORTER_HARNESS_TEST"] = L"1";
  environment[L"TEMP"] = temp.value();
  environment[L"TMP"] = temp.value();
  environment[test::kTestCrashVariable] = L"installer:" + base::ASCIIToWide(kind);
  environment[test::kTestCrashReportVariable] = work.Append(L"crash.txt").value();
  const test::ChildResult child = test::RunChild(command_line, options);
  ASSERT_TRUE(child.exited);
  const std::map<std::string, uint32_t> kExpectedCodes = {
      {"worker-access-violation", 0xC0000005u},
      {"breakpoint", 0x80000003u},
      {"pure-call", 0xC0000025u},
      {"invalid-parameter", 0xC000000Du},
  };
  ASSERT_EQ(1u, kExpectedCodes.count(kind)) << kind;
  const uint32_t expected_code = kExpectedCodes.at(kind);
  EXPECT_EQ(expected_code, child.exit_code);

  std::string reporter_text;
  ASSERT_TRUE(base::ReadFileToString(work.Append(L"reporter.txt"), &reporter_text));
  unsigned reporter_id = 0;
  ASSERT_TRUE(base::StringToUint(reporter_text, &reporter_id));
  ASSERT_NE(0u, reporter_id);
  // The reporter ends once its upload has finished; it may be gone already.
  base::win::ScopedHandle reporter(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, reporter_id));
  if (reporter.IsValid()) {
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(reporter.Get(), 120000));
    DWORD exit_code = 1;
    ASSERT_TRUE(::GetExitCodeProcess(reporter.Get(), &exit_code));
    EXPECT_EQ(0u, exit_code);
  }

  std::vector<base::FilePath> files;
  base::FileEnumerator enumerator(dumps, false, base::FileEnumerator::FILES);
  for (base::FilePath file = enumerator.Next(); !file.empty(); file = enumerator.Next())
    files.push_back(file);
  if (!keep_logs) {
    EXPECT_TRUE(files.empty()) << "the dump goes once it was sent";
    return;
  }
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(L"velta-crashlog-" + std::to_wstring(reporter_id) + L"-1.dmp",
            files[0].BaseName().value());
  int64_t size = 0;
  ASSERT_TRUE(base::GetFileSize(files[0], &size));
  EXPECT_LE(size, 3072000);

  const std::map<std::string, std::string> crash = ReadKeyValues(work.Append(L"crash.txt"));
  unsigned thread_id = 0;
  ASSERT_TRUE(base::StringToUint(crash.at("thread"), &thread_id));

  MappedDump dump(files[0]);
  ASSERT_TRUE(dump.is_valid());
  ULONG stream_size = 0;
  const auto* exception =
      static_cast<const MINIDUMP_EXCEPTION_STREAM*>(dump.Stream(ExceptionStream, &stream_size));
  ASSERT_NE(nullptr, exception);
  EXPECT_EQ(thread_id, exception->ThreadId);
  EXPECT_EQ(expected_code, exception->ExceptionRecord.ExceptionCode);
  if (kind == "worker-access-violation") {
    ASSERT_GE(exception->ExceptionRecord.NumberParameters, 2u);
    EXPECT_EQ(test::kTestCrashAddress, exception->ExceptionRecord.ExceptionInformation[1]);
  }

  const auto* threads =
      static_cast<const MINIDUMP_THREAD_LIST*>(dump.Stream(ThreadListStream, &stream_size));
  ASSERT_NE(nullptr, threads);
  bool thread_found = false;
  for (ULONG i = 0; i < threads->NumberOfThreads; ++i)
    thread_found |= threads->Threads[i].ThreadId == thread_id;
  EXPECT_TRUE(thread_found);

  // The threads' stacks and the memory around their instructions; a dump
  // writer that copied every function's unwind data of every module (a read
  // of the crashed process each, minutes on a busy machine) has thousands.
  const auto* memory =
      static_cast<const MINIDUMP_MEMORY_LIST*>(dump.Stream(MemoryListStream, &stream_size));
  ASSERT_NE(nullptr, memory);
  EXPECT_LT(memory->NumberOfMemoryRanges, 1000u);

  const auto* modules =
      static_cast<const MINIDUMP_MODULE_LIST*>(dump.Stream(ModuleListStream, &stream_size));
  ASSERT_NE(nullptr, modules);
  const std::wstring executable =
      base::ToLowerASCII(test::GetTestExecutablePath().BaseName().value());
  bool module_found = false;
  for (ULONG i = 0; i < modules->NumberOfModules; ++i) {
    module_found |= base::EndsWith(base::ToLowerASCII(dump.String(modules->Modules[i].ModuleNameRva)),
                                   executable, base::CompareCase::SENSITIVE);
  }
  EXPECT_TRUE(module_found);

  const auto* version = static_cast<const char*>(dump.Stream(0x10000, &stream_size));
  ASSERT_NE(nullptr, version);
  EXPECT_EQ(GetProductVersion() + " " + base::NumberToString(GetBuildNumber()),
            std::string(version, stream_size));
}

constexpr wchar_t kLastCrashValue[] = L"Last crash in crash reporter";

// Crashes a stand-in crash reporter and watches it and the processes it
// starts until all have ended; none may be left running.
std::vector<WatchedProcess> CrashReporter(const base::EnvironmentMap& environment) {
  // The crashed process waits until its fallback handler is done.
  std::vector<WatchedProcess> watched = RunAndWatchProcessTree(
      test::MakeChildCommandLine("CrashingReporter"), environment, base::TimeDelta::FromSeconds(120));
  EXPECT_FALSE(watched.empty());
  for (const WatchedProcess& process : watched)
    EXPECT_TRUE(process.ended) << "process " << process.id << " is left running";
  return watched;
}

// Crashes a stand-in crash reporter; it must start exactly one fallback
// handler, which starts nothing. The stand-in's exit code; the fallback's
// goes to `fallback_exit_code`.
uint32_t CrashReporterAndWaitForFallback(const base::EnvironmentMap& environment,
                                         uint32_t* fallback_exit_code) {
  *fallback_exit_code = kExitCodeUnknown;
  const std::vector<WatchedProcess> watched = CrashReporter(environment);
  if (watched.empty())
    return kExitCodeUnknown;
  const auto fallbacks = ChildrenOf(watched, watched[0].id);
  EXPECT_EQ(1u, fallbacks.size());
  EXPECT_EQ(2u, watched.size());
  if (fallbacks.size() == 1)
    *fallback_exit_code = fallbacks[0]->exit_code;
  return watched[0].exit_code;
}

// The names of the values the company key of HKCU holds now, for telling a
// value deleted on its own from a key emptied or deleted by someone else.
std::string CompanyKeyValueNames() {
  std::string names;
  for (base::win::RegistryValueIterator value(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str());
       value.Valid(); ++value) {
    names += " \"" + base::WideToUTF8(value.Name()) + "\"";
  }
  return names.empty() ? " none" : names;
}

uint64_t ReadLastCrash(const base::win::RegKey& key) {
  uint64_t value = 0;
  DWORD size = sizeof(value);
  DWORD type = 0;
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(kLastCrashValue, &value, &size, &type))
      << "the company key's values:" << CompanyKeyValueNames();
  EXPECT_EQ(static_cast<DWORD>(REG_QWORD), type);
  return value;
}

// A crash reporter's own crash goes to exactly one fallback handler, which
// dumps it within 512000 bytes and sends it; a second crash within 3 days is
// not sent. Wine's dbghelp writes the same dump whatever the type asked for:
// a 32-bit stand-in fits the limit, a 64-bit one (about 700 KB of thread
// stacks) does not, and then the handler must leave no file, send nothing
// and start no pause. The road taken goes to road.txt for the script.
TEST(CrashReportE2eTest, ReporterCrashGoesToTheFallbackHandler) {
  const std::wstring server_url = GetVariable(kServerUrlVariable);
  const base::FilePath work(GetVariable(kWorkDirVariable));
  if (server_url.empty() || work.empty() || GetVariable(L"VELTA_E2E_SCENARIO") != L"reporter")
    GTEST_SKIP() << "run by crash_report_e2e.py";
  const base::FilePath temp = work.Append(L"temp");
  ASSERT_TRUE(base::CreateDirectory(temp));
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(),
                                      KEY_ALL_ACCESS));
  key.DeleteValue(kLastCrashValue);

  base::EnvironmentMap environment;
  environment[L"VELTA_ALTERNATIVE_CRASH_SERVER_URL"] = server_url;
  environment[L"TEMP"] = temp.value();
  environment[L"TMP"] = temp.value();
  environment[test::kTestCrashVariable] = L"crash_reporter:worker-access-violation";
  environment[test::kTestCrashReportVariable] = work.Append(L"crash.txt").value();
  uint32_t fallback_exit_code = 0;
  EXPECT_EQ(0xC0000005u, CrashReporterAndWaitForFallback(environment, &fallback_exit_code));
  base::FileEnumerator dumps(temp, false, base::FileEnumerator::FILES, L"*.dmp");
  EXPECT_TRUE(dumps.Next().empty()) << "the fallback's dump is removed";

  SCOPED_TRACE(::testing::Message() << "the fallback ended with " << fallback_exit_code);
  const uint64_t last_crash = ReadLastCrash(key);
  const bool sent = last_crash != 0;
  ASSERT_TRUE(base::WriteFile(work.Append(L"road.txt"), sent ? "sent" : "not sent"));
  if (sent) {
    environment[test::kTestCrashReportVariable] = work.Append(L"second_crash.txt").value();
    EXPECT_EQ(0xC0000005u, CrashReporterAndWaitForFallback(environment, &fallback_exit_code));
    EXPECT_EQ(last_crash, ReadLastCrash(key)) << "the second crash is not sent";
  }
  key.DeleteValue(kLastCrashValue);
}

// The work folder when crash_report_e2e.py runs `scenario`; empty otherwise.
base::FilePath ScenarioWorkFolder(const wchar_t* scenario) {
  if (GetVariable(kServerUrlVariable).empty() || GetVariable(L"VELTA_E2E_SCENARIO") != scenario)
    return base::FilePath();
  return base::FilePath(GetVariable(kWorkDirVariable));
}

// The company key of HKCU, without "Last crash in crash reporter".
void OpenKeyWithoutLastCrash(base::win::RegKey* key) {
  ASSERT_EQ(ERROR_SUCCESS, key->Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(),
                                       KEY_ALL_ACCESS));
  key->DeleteValue(kLastCrashValue);
}

// The crash server's address and `folder` (made) as TEMP and TMP.
void SetCrashEnvironment(const base::FilePath& folder, base::EnvironmentMap* environment) {
  ASSERT_TRUE(base::CreateDirectory(folder));
  (*environment)[L"VELTA_ALTERNATIVE_CRASH_SERVER_URL"] = GetVariable(kServerUrlVariable);
  (*environment)[L"TEMP"] = folder.value();
  (*environment)[L"TMP"] = folder.value();
}

// A crash in the fallback handler ends it: it starts nothing, sends
// nothing and starts no pause.
TEST(CrashReportE2eTest, FallbackHandlerCrashEndsItAndStartsNothing) {
  const base::FilePath work = ScenarioWorkFolder(L"fallback-crash");
  if (work.empty())
    GTEST_SKIP() << "run by crash_report_e2e.py";
  base::win::RegKey key;
  ASSERT_NO_FATAL_FAILURE(OpenKeyWithoutLastCrash(&key));
  base::EnvironmentMap environment;
  ASSERT_NO_FATAL_FAILURE(SetCrashEnvironment(work.Append(L"temp"), &environment));
  environment[test::kTestCrashVariable] =
      L"crash_reporter:worker-access-violation,fallback_handler:worker-access-violation";
  const std::vector<WatchedProcess> watched = CrashReporter(environment);
  ASSERT_FALSE(watched.empty());
  EXPECT_EQ(0xC0000005u, watched[0].exit_code);
  const auto fallbacks = ChildrenOf(watched, watched[0].id);
  ASSERT_EQ(1u, fallbacks.size());
  EXPECT_EQ(0xC0000005u, fallbacks[0]->exit_code);
  EXPECT_TRUE(ChildrenOf(watched, fallbacks[0]->id).empty()) << "the fallback started a process";
  EXPECT_FALSE(key.HasValue(kLastCrashValue));
}

// An installer process of the own reporter whose reporter crashed: exactly
// one fallback handler serves the reporter, and the client's own crash
// later ends it at once with its exception code. Nothing is left running.
TEST(CrashReportE2eTest, ClientOfACrashedReporterEndsWithItsCrash) {
  const base::FilePath work = ScenarioWorkFolder(L"reporter-died");
  if (work.empty())
    GTEST_SKIP() << "run by crash_report_e2e.py";
  base::win::RegKey key;
  ASSERT_NO_FATAL_FAILURE(OpenKeyWithoutLastCrash(&key));

  base::CommandLine command_line = test::MakeChildCommandLine("CrashingInstaller");
  command_line.AppendSwitchPath(kReporterFileSwitch, work.Append(L"reporter.txt"));
  command_line.AppendSwitch(kWaitForReporterSwitch);
  base::LaunchOptions options;
  ASSERT_NO_FATAL_FAILURE(SetCrashEnvironment(work.Append(L"temp"), &options.environment));
  options.environment[L"VELTA_CRASH_LOG_DIR"] = work.Append(L"dumps").value();
  options.environment[test::kTestCrashVariable] =
      L"crash_reporter:worker-access-violation,installer:worker-access-violation";
  const std::vector<WatchedProcess> watched =
      RunAndWatchProcessTree(command_line, options.environment, base::TimeDelta::FromSeconds(180));
  ASSERT_FALSE(watched.empty());
  for (const WatchedProcess& process : watched)
    EXPECT_TRUE(process.ended) << "process " << process.id << " is left running";
  EXPECT_EQ(0xC0000005u, watched[0].exit_code);
  const auto reporters = ChildrenOf(watched, watched[0].id);
  ASSERT_EQ(1u, reporters.size());
  EXPECT_EQ(0xC0000005u, reporters[0]->exit_code);
  EXPECT_EQ(1u, ChildrenOf(watched, reporters[0]->id).size()) << "one fallback handler";
  EXPECT_EQ(3u, watched.size());
  key.DeleteValue(kLastCrashValue);
}

struct HandlerRun {
  uint32_t exit_code = 0;
  std::vector<base::FilePath> dumps;
};

// One crash of an installer process on the crash handler road.
HandlerRun CrashWithHandler(const base::FilePath& work, const std::string& name,
                            const std::vector<std::pair<std::string, std::string>>& switches) {
  HandlerRun run;
  const base::FilePath folder = work.AppendASCII(name);
  const base::FilePath reports = folder.Append(L"reports");
  const base::FilePath temp = folder.Append(L"temp");
  EXPECT_TRUE(base::CreateDirectory(reports));
  EXPECT_TRUE(base::CreateDirectory(temp));
  base::CommandLine command_line = test::MakeChildCommandLine("CrashingInstaller");
  command_line.AppendSwitchPath(kReporterFileSwitch, folder.Append(L"handler.txt"));
  command_line.AppendSwitch("with-feature:enable-crashpad-on-windows");
  command_line.AppendSwitchPath("user-data-dir", work.Append(L"profile"));
  for (const auto& [key, value] : switches)
    command_line.AppendSwitchASCII(key, value);
  test::ChildOptions options;
  options.timeout = kCrashedChildTimeout;
  base::EnvironmentMap& environment = options.launch.environment;
  environment[L"VELTA_CRASH_LOG_DIR"] = reports.value();
  environment[L"VELTA_CRASH_KEEP_LOGS"] = L"1";
  environment[L"VELTA_CRASH_SERVER_URL"] = GetVariable(kServerUrlVariable);
  environment[L"VELTA_CRASH_REPORTER_HARNESS_TEST"] = L"1";
  environment[L"TEMP"] = temp.value();
  environment[L"TMP"] = temp.value();
  environment[test::kTestCrashVariable] = L"installer:worker-access-violation";
  environment[test::kTestCrashReportVariable] = folder.Append(L"crash.txt").value();
  const test::ChildResult child = test::RunChild(command_line, options);
  EXPECT_TRUE(child.exited);
  run.exit_code = child.exit_code;

  std::string text;
  unsigned handler_id = 0;
  EXPECT_TRUE(base::ReadFileToString(folder.Append(L"handler.txt"), &text));
  EXPECT_TRUE(base::StringToUint(text, &handler_id));
  EXPECT_NE(0u, handler_id) << "no crash handler";
  base::win::ScopedHandle handler(::OpenProcess(SYNCHRONIZE, FALSE, handler_id));
  if (handler.IsValid()) {
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(handler.Get(), 120000));
  }
  base::FileEnumerator enumerator(reports, false, base::FileEnumerator::FILES, L"*.dmp");
  for (base::FilePath file = enumerator.Next(); !file.empty(); file = enumerator.Next())
    run.dumps.push_back(file);
  return run;
}

std::string ReadCrashCounts(const base::FilePath& work) {
  std::string counts;
  base::ReadFileToString(work.Append(L"profile").Append(L"crash_count.txt"), &counts);
  return counts;
}

// The crash handler road (feature "enable-crashpad-on-windows"): a crash is
// counted under the client's name in the user data folder's counter file,
// its dump carries the crash-info stream without the handler's own entries,
// a client that asked for it is started again, and a client that switched
// handling off ends unreported.
TEST(CrashReportE2eTest, CrashHandlerCountsRestartsAndFilters) {
  const base::FilePath work(GetVariable(kWorkDirVariable));
  if (GetVariable(kServerUrlVariable).empty() || work.empty() ||
      GetVariable(L"VELTA_E2E_SCENARIO") != L"handler") {
    GTEST_SKIP() << "run by crash_report_e2e.py";
  }

  const HandlerRun counted = CrashWithHandler(work, "counted", {});
  EXPECT_EQ(0xC0000005u, counted.exit_code);
  EXPECT_EQ(R"({"installer":1})", ReadCrashCounts(work));
  ASSERT_EQ(1u, counted.dumps.size());
  MappedDump dump(counted.dumps[0]);
  ASSERT_TRUE(dump.is_valid());
  ULONG size = 0;
  const auto* stream = static_cast<const char*>(dump.Stream(0x43500001, &size));
  ASSERT_NE(nullptr, stream);
  std::map<std::string, std::string> info;
  const std::vector<std::string> parts =
      base::SplitString(std::string_view(stream, size), std::string_view("\0", 1),
                        base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  for (size_t i = 0; i + 1 < parts.size(); i += 2)
    info[parts[i]] = parts[i + 1];
  int64_t startup = 0, crash = 0, uptime = -1;
  ASSERT_TRUE(base::StringToInt64(info["StartupTime"], &startup));
  ASSERT_TRUE(base::StringToInt64(info["CrashTime"], &crash));
  ASSERT_TRUE(base::StringToInt64(info["CrashUptime"], &uptime));
  EXPECT_EQ(crash - startup, uptime);
  EXPECT_EQ("installer", info["ptype"]);
  EXPECT_EQ("crashpad", info["crash_reporting_system"]);
  EXPECT_EQ(0u, info.count("crash_counter_name"));
  for (const auto& [key, value] : info)
    EXPECT_FALSE(base::StartsWith(key, "restart_cmd_line_key_")) << key;

  const std::wstring restarted_name = test::UniqueWideName("restarted");
  base::win::ScopedHandle restarted(::CreateEventW(nullptr, TRUE, FALSE, restarted_name.c_str()));
  const HandlerRun restart =
      CrashWithHandler(work, "restart", {{kRestartEventSwitch, base::WideToUTF8(restarted_name)}});
  EXPECT_EQ(0xC0000005u, restart.exit_code);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(restarted.Get(), 60000))
      << "the client was not started again";
  EXPECT_EQ(R"({"installer":2})", ReadCrashCounts(work));

  const HandlerRun disabled = CrashWithHandler(work, "disabled", {{kHandlerDisabledSwitch, "1"}});
  EXPECT_EQ(0xC0000005u, disabled.exit_code);
  EXPECT_TRUE(disabled.dumps.empty());
  EXPECT_EQ(R"({"installer":2})", ReadCrashCounts(work));
}

// A crash of the crash handler goes to its fallback role
// (`type=fallback-handler`), which dumps the handler into the report folder
// and sends it as a crash reporter's, then removes it; the client goes on. Nothing is left
// running. In the scenario "slow-fallback" the fallback role stalls before
// it dumps, as a dump does on a loaded machine: the crashed handler waits
// until its dump is written, however long that takes.
TEST(CrashReportE2eTest, CrashHandlerCrashGoesToItsFallback) {
  std::wstring crash = L"crashpad_handler:worker-access-violation";
  base::FilePath work = ScenarioWorkFolder(L"handler-crash");
  if (work.empty()) {
    work = ScenarioWorkFolder(L"slow-fallback");
    crash += L",fallback_handler:stall";
  }
  if (work.empty())
    GTEST_SKIP() << "run by crash_report_e2e.py";
  const base::FilePath reports = work.Append(L"reports");
  ASSERT_TRUE(base::CreateDirectory(reports));
  base::CommandLine command_line = test::MakeChildCommandLine("CrashingInstaller");
  command_line.AppendSwitchPath(kReporterFileSwitch, work.Append(L"handler.txt"));
  command_line.AppendSwitch("with-feature:enable-crashpad-on-windows");
  command_line.AppendSwitchPath("user-data-dir", work.Append(L"profile"));
  command_line.AppendSwitch(kWaitForReporterSwitch);
  base::LaunchOptions options;
  ASSERT_NO_FATAL_FAILURE(SetCrashEnvironment(work.Append(L"temp"), &options.environment));
  options.environment[L"VELTA_CRASH_LOG_DIR"] = reports.value();
  options.environment[L"VELTA_CRASH_SERVER_URL"] = GetVariable(kServerUrlVariable);
  options.environment[test::kTestCrashVariable] = crash;
  options.environment[test::kTestCrashReportVariable] = work.Append(L"crash.txt").value();
  const std::vector<WatchedProcess> watched =
      RunAndWatchProcessTree(command_line, options.environment, base::TimeDelta::FromSeconds(180));
  ASSERT_FALSE(watched.empty());
  for (const WatchedProcess& process : watched)
    EXPECT_TRUE(process.ended) << "process " << process.id << " is left running";
  EXPECT_EQ(3u, watched[0].exit_code) << "the client goes on";
  // The client's reporter, which ends with 3 (use the crash handler), then
  // the handler.
  const auto children = ChildrenOf(watched, watched[0].id);
  ASSERT_EQ(2u, children.size());
  const bool handler_second = children[0]->exit_code == 3;
  const WatchedProcess* reporter = children[handler_second ? 0 : 1];
  const WatchedProcess* handler = children[handler_second ? 1 : 0];
  EXPECT_EQ(3u, reporter->exit_code);
  EXPECT_EQ(0xC0000005u, handler->exit_code);
  EXPECT_TRUE(ChildrenOf(watched, reporter->id).empty());
  const auto fallbacks = ChildrenOf(watched, handler->id);
  ASSERT_EQ(1u, fallbacks.size());
  EXPECT_EQ(0u, fallbacks[0]->exit_code);
  EXPECT_EQ(4u, watched.size());
  base::FileEnumerator dumps(reports, false, base::FileEnumerator::FILES, L"*.dmp");
  EXPECT_TRUE(dumps.Next().empty()) << "the handler's dump goes once sent";
}

// "--monitor-self": the crash handler starts a second handler, its monitor,
// and becomes its client. A crash of the first handler goes to the monitor,
// which counts it, dumps it and sends it as a crash reporter's; the first
// handler's fallback role is not needed. Both end; nothing else starts.
TEST(CrashReportE2eTest, MonitoredHandlerCrashGoesToItsMonitor) {
  const base::FilePath work = ScenarioWorkFolder(L"monitor-self");
  if (work.empty())
    GTEST_SKIP() << "run by crash_report_e2e.py";
  const base::FilePath reports = work.Append(L"reports");
  const base::FilePath count_file = work.Append(L"crash_count.txt");
  ASSERT_TRUE(base::CreateDirectory(reports));
  // This process is the first handler's client; the handler reports ready
  // through the event named after it.
  base::win::ScopedHandle ready(::CreateEventW(
      nullptr, TRUE, FALSE,
      (kCrashHandlerReadyEventPrefix + std::to_wstring(::GetCurrentProcessId())).c_str()));
  ASSERT_TRUE(ready.IsValid());
  base::CommandLine command_line(test::GetTestExecutablePath());
  command_line.AppendSwitchASCII(kProcessTypeSwitch, kCrashpadHandlerType);
  command_line.AppendSwitchPath(kHandlerDatabaseSwitch, reports);
  command_line.AppendSwitchNative(kHandlerUrlSwitch, GetVariable(kServerUrlVariable));
  command_line.AppendSwitchPath(kHandlerCrashCountFileSwitch, count_file);
  command_line.AppendSwitchASCII(kHandlerInitialClientSwitch,
                                 std::to_string(::GetCurrentProcessId()));
  command_line.AppendSwitch(kHandlerMonitorSelfSwitch);
  base::EnvironmentMap environment;
  ASSERT_NO_FATAL_FAILURE(SetCrashEnvironment(work.Append(L"temp"), &environment));
  environment[test::kTestCrashVariable] = L"crashpad_handler:worker-access-violation";
  environment[test::kTestCrashReportVariable] = work.Append(L"crash.txt").value();
  const std::vector<WatchedProcess> watched =
      RunAndWatchProcessTree(command_line, environment, base::TimeDelta::FromSeconds(180));
  ASSERT_FALSE(watched.empty());
  for (const WatchedProcess& process : watched)
    EXPECT_TRUE(process.ended) << "process " << process.id << " is left running";
  EXPECT_EQ(0xC0000005u, watched[0].exit_code);
  const auto monitors = ChildrenOf(watched, watched[0].id);
  ASSERT_EQ(1u, monitors.size()) << "the monitor, and no fallback role";
  EXPECT_EQ(0u, monitors[0]->exit_code);
  EXPECT_TRUE(ChildrenOf(watched, monitors[0]->id).empty());
  EXPECT_EQ(2u, watched.size());
  std::string counts;
  EXPECT_TRUE(base::ReadFileToString(count_file, &counts));
  EXPECT_EQ(R"({"crash_reporter":1})", counts);
  base::FileEnumerator dumps(reports, false, base::FileEnumerator::FILES, L"*.dmp");
  EXPECT_TRUE(dumps.Next().empty()) << "the handler's dump goes once sent";
}

}  // namespace
}  // namespace velta
