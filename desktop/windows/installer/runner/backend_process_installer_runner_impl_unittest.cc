// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/runner/backend_process_installer_runner_impl.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/observer_list.h"
#include "base/pickle.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/ipc/mailslot_writer.h"
#include "desktop/windows/installer/runner/installer_job.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// A job that reports a fixed course once it runs:
enum class Course {
  // every kind of report the installer makes, then an error;
  kEveryReport,
  // nothing at all, as a job still busy when its starting process ends;
  kSilent,
  // a copy of many files, then a new main process (the package's
  // installer) that writes its first report to the mailslot itself as soon
  // as it has been announced, then success.
  kCopyThenNewProcess,
};

constexpr int kCopiedFiles = 60;

class ScriptedJob : public InstallerJob {
 public:
  ScriptedJob(Course course, const std::wstring& mailslot_name)
      : course_(course), mailslot_name_(mailslot_name) {}

  void AddObserver(InstallerObserver* observer) override { observers_.AddObserver(observer); }
  void RemoveObserver(InstallerObserver* observer) override {
    observers_.RemoveObserver(observer);
  }
  bool Run(Settings* /*settings*/) override {
    ++runs_;
    if (course_ == Course::kSilent)
      return true;
    return base::ThreadTaskRunnerHandle::Get()->PostTask(
        FROM_HERE, base::BindOnce(course_ == Course::kEveryReport ? &ScriptedJob::ReportEverything
                                                                  : &ScriptedJob::CopyThenHandOver,
                                  base::Unretained(this)));
  }
  uint32_t GetResult() const override { return result_; }

  int runs() const { return runs_; }

 private:
  void ReportEverything() {
    for (InstallerObserver& observer : observers_) {
      observer.OnInstallFolderCreated();
      observer.OnEnteringPhase(7);
      observer.OnStartingNewMainProcess(true);
      observer.OnReturnedToPreviousMainProcess();
      observer.OnTotalSteps(3);
      observer.OnStepStarting("copy");
      observer.OnStepFinished("copy", 2, 1);
      observer.OnImportantEvent("file_copy_retry");
      observer.OnError(10, L"Disk full \u00e9", "copy failed");
    }
    result_ = 10;
  }

  void CopyThenHandOver() {
    for (InstallerObserver& observer : observers_) {
      observer.OnTotalSteps(kCopiedFiles);
      for (int i = 0; i < kCopiedFiles; ++i)
        observer.OnStepFinished("unpack", 0, i);
      observer.OnStartingNewMainProcess(false);
    }
    MailslotWriter new_process(
        MailslotWriter::OpenMailslot(GetMailslotPath(mailslot_name_)));
    std::unique_ptr<base::Pickle> first = MakeInstallerMessage(IPC_MESSAGE_STEP_STARTING);
    first->WriteString("new_process");
    new_process.Send(std::move(first));
    result_ = 0;
    for (InstallerObserver& observer : observers_)
      observer.OnSuccess();
  }

  const Course course_;
  const std::wstring mailslot_name_;
  base::ObserverList<InstallerObserver> observers_;
  int runs_ = 0;
  uint32_t result_ = 20;
};

// Every message the main process's end of the mailslot received, as text.
class MessageLog : public IpcReceiver::Delegate {
 public:
  void OnMessageReceived(const base::Pickle& message) override {
    base::PickleIterator it(message);
    std::string signature;
    int type = -1;
    if (!it.ReadString(&signature) || signature != kInstallerMessageSignature ||
        !it.ReadInt(&type)) {
      lines_.push_back("malformed");
      return;
    }
    std::string line = GetInstallerMessageTypeName(type);
    int number = 0;
    std::string text;
    switch (type) {
      case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS:
      case IPC_MESSAGE_TOTAL_STEPS:
      case IPC_MESSAGE_ENTERING_PHASE:
        if (it.ReadInt(&number))
          line += " " + base::NumberToString(number);
        break;
      case IPC_MESSAGE_STEP_STARTING:
      case IPC_MESSAGE_IMPORTANT_EVENT:
        if (it.ReadString(&text))
          line += " " + text;
        break;
      case IPC_MESSAGE_STEP_FINISHED:
        if (it.ReadString(&text))
          line += " " + text;
        for (int i = 0; i < 2 && it.ReadInt(&number); ++i)
          line += " " + base::NumberToString(number);
        break;
      case IPC_MESSAGE_ERROR: {
        std::wstring error_text;
        if (!it.ReadInt(&number) || !it.ReadString16(&error_text) || !it.ReadString(&text))
          line += " short";
        line += " " + base::NumberToString(number) + " " + base::WideToUTF8(error_text) + " " +
                text;
        break;
      }
      default:
        break;
    }
    lines_.push_back(line);
  }

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

class BackendRunnerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    folder_ = dir_.GetPath().Append(L"Velta");
    ASSERT_TRUE(receiver_.Connect(GetInstallerMailslotName(folder_)));
  }

  // Runs a backend started with `switches` over a job; returns Run's result
  // and keeps what the mailslot received.
  uint32_t RunBackend(std::vector<std::wstring> switches, Course course = Course::kEveryReport) {
    switches.push_back(L"backend");
    switches.push_back(L"installfolder=" + folder_.value());
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(folder_, PackageArchitecture::kX86, true,
                                               InstallationFolderDetailsFetcherImpl::GetFactory());
    auto job = std::make_unique<ScriptedJob>(course, GetInstallerMailslotName(folder_));
    job_ = job.get();
    uint32_t result;
    {
      BackendProcessInstallerRunnerImpl runner(std::move(job));
      result = runner.Run(settings_.get());
      job_runs_ = job_->runs();
    }
    base::RunLoop flushed;
    receiver_.Flush(flushed.QuitClosure());
    flushed.Run();
    return result;
  }

  base::ScopedTempDir dir_;
  base::FilePath folder_;
  ScopedInstallerThreads threads_;
  MessageLog log_;
  IpcReceiver receiver_{&log_};
  std::optional<ScopedInstallerProcess> process_;
  std::unique_ptr<SettingsImpl> settings_;
  ScriptedJob* job_ = nullptr;
  int job_runs_ = 0;
};

TEST_F(BackendRunnerTest, EveryReportBecomesOneMessageInOrder) {
  const uint32_t result =
      RunBackend({L"initial-pid=" + base::NumberToWString(::GetCurrentProcessId())});

  EXPECT_EQ(10u, result);
  EXPECT_THAT(log_.lines(),
              ElementsAre("IPC_MESSAGE_INSTALL_FOLDER_CREATED", "IPC_MESSAGE_ENTERING_PHASE 7",
                          "IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS 1",
                          "IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS",
                          "IPC_MESSAGE_TOTAL_STEPS 3", "IPC_MESSAGE_STEP_STARTING copy",
                          "IPC_MESSAGE_STEP_FINISHED copy 2 1",
                          "IPC_MESSAGE_IMPORTANT_EVENT file_copy_retry",
                          "IPC_MESSAGE_ERROR 10 Disk full \xC3\xA9 copy failed"));
}

// The package's installer writes to the same mailslot once it starts: the
// reports the backend sent before announcing it are all there before its
// first one, however far the backend's IPC thread lags.
TEST_F(BackendRunnerTest, ReportsBeforeANewMainProcessArriveBeforeItsOwn) {
  EXPECT_EQ(0u, RunBackend({L"initial-pid=" + base::NumberToWString(::GetCurrentProcessId())},
                           Course::kCopyThenNewProcess));

  std::vector<std::string> expected = {"IPC_MESSAGE_TOTAL_STEPS " +
                                       base::NumberToString(kCopiedFiles)};
  for (int i = 0; i < kCopiedFiles; ++i)
    expected.push_back("IPC_MESSAGE_STEP_FINISHED unpack 0 " + base::NumberToString(i));
  expected.push_back("IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS 0");
  expected.push_back("IPC_MESSAGE_STEP_STARTING new_process");
  expected.push_back("IPC_MESSAGE_SUCCESS");
  EXPECT_EQ(expected, log_.lines());
}

TEST_F(BackendRunnerTest, InitialProcessHandleOfEightBytesIsWatched) {
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(),
                                ::GetCurrentProcess(), &duplicate, SYNCHRONIZE, FALSE, 0));
  uint64_t value = reinterpret_cast<uintptr_t>(duplicate);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 8; ++i, value >>= 8)
    bytes.push_back(static_cast<uint8_t>(value));
  const std::wstring hex = base::UTF8ToWide(base::HexEncode(bytes.data(), bytes.size()));

  EXPECT_EQ(10u, RunBackend({L"initial-proc-handle=" + hex}));
  EXPECT_EQ(1, job_runs_);
}

TEST_F(BackendRunnerTest, EndOfTheInitialProcessEndsTheBackendWithNoResult) {
  // A copy of its own, so that its record lands in the test's folder.
  const base::FilePath program = dir_.GetPath().Append(L"initial.exe");
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                             program));
  base::Process child = base::LaunchProcess(base::CommandLine(program), base::LaunchOptions());
  ASSERT_TRUE(child.IsValid());
  // The handle kept here keeps the ended process's id open to OpenProcess.
  EXPECT_EQ(20u, RunBackend({L"initial-pid=" + base::NumberToWString(child.Pid())},
                            Course::kSilent));
  // The child may end before the settings are ready (then the job never
  // starts, and the settings must not report to the runner once it is gone)
  // or after the job started.
  EXPECT_LE(job_runs_, 1);
  EXPECT_THAT(log_.lines(), IsEmpty());
}

// A backend that cannot tell which process started it installs nothing and
// sends nothing.
struct InitialProcessCase {
  const char* name;
  std::vector<std::wstring> switches;
  uint32_t result;
};

class BackendRunnerInitialProcessTest : public BackendRunnerTest,
                                        public testing::WithParamInterface<InitialProcessCase> {};

TEST_P(BackendRunnerInitialProcessTest, RefusesWithItsCode) {
  EXPECT_EQ(GetParam().result, RunBackend(GetParam().switches));
  EXPECT_EQ(0, job_runs_);
  EXPECT_THAT(log_.lines(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals,
    BackendRunnerInitialProcessTest,
    testing::Values(
        InitialProcessCase{"HandleOfThreeBytes", {L"initial-proc-handle=0A0B0C"}, 24},
        InitialProcessCase{"HandleNotHex", {L"initial-proc-handle=0A0B0C0D0E0F0G0H"}, 24},
        InitialProcessCase{"PidNotANumber", {L"initial-pid=abc"}, 23},
        InitialProcessCase{"PidOfNoProcess", {L"initial-pid=4294967280"}, 17},
        InitialProcessCase{"NeitherSwitch", {}, 21}),
    [](const testing::TestParamInfo<InitialProcessCase>& info) { return info.param.name; });

TEST_F(BackendRunnerTest, ProtocolHandlerRegistrationRunsWithoutAnInitialProcess) {
  EXPECT_EQ(10u, RunBackend({L"register-velta-as-protocol-handler"}));
  EXPECT_EQ(1, job_runs_);
}

}  // namespace
}  // namespace velta
