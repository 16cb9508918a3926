// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/pickle.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/interprocess_state_impl.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/runner/test/fake_backend.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char kFolderSwitch[] = "runner-test-folder";

// Writes every observer call (and the progress updates) as a line.
class RecordingObserver : public InstallerObserver, public InstallerProgressObserver {
 public:
  std::vector<std::string> calls;
  std::vector<std::string> progress;
  // Runs when the backend's end is reported.
  base::OnceClosure on_terminated;
  // Runs once when the important event of this name arrives.
  std::string awaited_event;
  base::OnceClosure on_event;

  void OnInstallFolderCreated() override { calls.push_back("folder_created"); }
  void OnStartingNewMainProcess(bool flag) override {
    calls.push_back("starting_new_main_process:" + base::NumberToString(flag ? 1 : 0));
  }
  void OnReturnedToPreviousMainProcess() override { calls.push_back("returned"); }
  void OnStepStarting(const std::string& name) override { calls.push_back("starting:" + name); }
  void OnStepFinished(const std::string& name, int attempt, int finished) override {
    calls.push_back("finished:" + name + "/" + base::NumberToString(attempt) + "/" +
                    base::NumberToString(finished));
  }
  void OnImportantEvent(const std::string& name) override {
    calls.push_back("event:" + name);
    if (name == awaited_event && on_event)
      std::move(on_event).Run();
  }
  void OnError(int code, const std::wstring& text, const std::string& detail) override {
    calls.push_back("error:" + base::NumberToString(code) + "/" + base::WideToUTF8(text) + "/" +
                    detail);
  }
  void OnSuccess() override { calls.push_back("success"); }
  void OnBackendProcessTerminated(const uint32_t& result) override {
    calls.push_back("terminated:" + base::NumberToString(result));
    if (on_terminated)
      std::move(on_terminated).Run();
  }

  void OnPhaseEntered(uint32_t phase) override {
    progress.push_back("phase:" + base::NumberToString(phase));
  }
  // The step count is heard through the progress.
  using InstallerObserver::OnTotalSteps;
  void OnTotalSteps(uint32_t count) override {
    progress.push_back("total:" + base::NumberToString(count));
  }
  void OnStepsFinished(uint32_t finished) override {
    progress.push_back("steps_finished:" + base::NumberToString(finished));
  }
};

// What the settings would write for a backend that installs into `folder`.
BackendLaunchParameters MakeParameters(const base::FilePath& folder,
                                       const std::vector<std::string>& fake_switches = {}) {
  BackendLaunchParameters parameters;
  parameters.install_folder = folder;
  parameters.settings_switches.AppendSwitchASCII(test::kTestChildSwitch, test::kFakeBackendRole);
  parameters.settings_switches.AppendSwitchPath(test::kFakeBackendInstallFolderSwitch, folder);
  test::AppendSwitches(fake_switches, &parameters.settings_switches);
  return parameters;
}

// One main process for the folder of --runner-test-folder: runs a silent
// backend and ends with Run's result, or with 0 once the backend ended.
VELTA_TEST_CHILD_MAIN(RunnerSecondMainProcess) {
  base::MessageLoop message_loop;
  ScopedInstallerErrorRecord error_record;
  InstallerProgress progress;
  InterprocessStateImpl state(base::CommandLine::ForCurrentProcess(),
                              std::make_unique<ServerTrackingBlob>());
  MainProcessInstallerRunnerImpl runner(&progress, &state);
  RecordingObserver observer;
  runner.AddObserver(&observer);
  runner.OnPackageReady();
  const base::FilePath folder =
      base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kFolderSwitch);
  const uint32_t result =
      runner.RunWithParameters(MakeParameters(folder, {test::kFakeBackendSilentSwitch}));
  if (result != 0)
    return static_cast<int>(result);
  base::RunLoop run_loop;
  observer.on_terminated = run_loop.QuitClosure();
  return base::test::RunWithTimeout(&run_loop) ? 0 : 99;
}

class MainProcessInstallerRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_dir_.CreateUniqueTempDir());
    // The installation folder need not exist; its path names the mutex,
    // the events and the mailslot.
    folder_ = folder_dir_.GetPath().Append(L"Velta Browser");
    progress_.AddObserver(&observer_);
    runner_.AddObserver(&observer_);
  }

  // Runs the loop until the backend's end is reported.
  bool WaitForBackendEnd() {
    base::RunLoop run_loop;
    observer_.on_terminated = run_loop.QuitClosure();
    return base::test::RunWithTimeout(&run_loop);
  }

  base::MessageLoop message_loop_;
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_dir_;
  base::FilePath folder_;
  base::CommandLine state_command_line_{base::CommandLine::NO_PROGRAM};
  InterprocessStateImpl state_{&state_command_line_, std::make_unique<ServerTrackingBlob>()};
  InstallerProgress progress_;
  RecordingObserver observer_;
  MainProcessInstallerRunnerImpl runner_{&progress_, &state_};
};

TEST_F(MainProcessInstallerRunnerTest, BackendReportsBecomeObserverCallsThenItsEnd) {
  runner_.OnPackageReady();  // Before Run: the backend does not wait.
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(folder_)));
  // A second Run while the first one's backend works launches nothing.
  EXPECT_EQ(0u, runner_.RunWithParameters(MakeParameters(folder_)));
  ASSERT_TRUE(WaitForBackendEnd());

  EXPECT_THAT(observer_.calls,
              ElementsAre("event:initial_process_ok", "starting:copy", "finished:copy/0/1",
                          "success", "terminated:0"));
  EXPECT_THAT(observer_.progress, ElementsAre("phase:3", "total:2", "steps_finished:1"));
  EXPECT_EQ(3u, progress_.GetPhase());
}

// The backend writes its reports as fast as it can and ends at once: every
// report it wrote reaches the observers, in order, before its end does.
TEST_F(MainProcessInstallerRunnerTest, EveryReportOfABackendThatEndsAtOnceArrivesBeforeItsEnd) {
  constexpr int kBurst = 400;
  runner_.OnPackageReady();
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(
                    folder_, {std::string(test::kFakeBackendBurstSwitch) + "=" +
                              base::NumberToString(kBurst)})));
  ASSERT_TRUE(WaitForBackendEnd());

  std::vector<std::string> expected = {"event:initial_process_ok", "starting:copy",
                                       "finished:copy/0/1"};
  for (int i = 0; i < kBurst; ++i)
    expected.push_back("finished:burst/0/" + base::NumberToString(i + 2));
  expected.push_back("success");
  expected.push_back("terminated:0");
  EXPECT_THAT(observer_.calls, ElementsAreArray(expected));
}

TEST_F(MainProcessInstallerRunnerTest, BackendWaitsForThePackageUntilTold) {
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(folder_, {"fake-backend-error=9",
                                                     "fake-backend-exit-code=109"})));
  // The named objects of the folder, with "/" for every "\" of its path.
  std::wstring slashed = folder_.value();
  std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
  base::win::ScopedHandle mutex(
      ::OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\Velta/Installer/" + slashed).c_str()));
  EXPECT_TRUE(mutex.IsValid());
  for (const wchar_t* event : {L"Global\\VeltaInstaller/PackageReady/",
                               L"Global\\VeltaInstaller/InstallationInterrupted/"}) {
    base::win::ScopedHandle handle(::OpenEventW(SYNCHRONIZE, FALSE, (event + slashed).c_str()));
    EXPECT_TRUE(handle.IsValid()) << event;
  }
  observer_.awaited_event = "waiting_for_package";
  observer_.on_event = base::BindOnce(
      [](MainProcessInstallerRunnerImpl* runner) {
        runner->OnPackageReady();
        runner->OnPackageReady();  // Once is what counts.
      },
      &runner_);
  ASSERT_TRUE(WaitForBackendEnd());

  EXPECT_THAT(observer_.calls,
              ElementsAre("event:initial_process_ok", "event:waiting_for_package",
                          "event:package_ready", "starting:copy", "finished:copy/0/1",
                          "error:9/The disk is full/copy failed", "terminated:9"));
}

TEST_F(MainProcessInstallerRunnerTest, StopInterruptsTheBackend) {
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(folder_, {"fake-backend-exit-code=0"})));
  observer_.awaited_event = "waiting_for_package";
  observer_.on_event = base::BindOnce(&MainProcessInstallerRunnerImpl::Stop,
                                      base::Unretained(&runner_));
  ASSERT_TRUE(WaitForBackendEnd());
  // The backend saw the interruption and ended by itself. Its report of it
  // arrives only if it was read before the mailslot closed.
  ASSERT_GE(observer_.calls.size(), 3u);
  EXPECT_EQ("event:initial_process_ok", observer_.calls[0]);
  EXPECT_EQ("event:waiting_for_package", observer_.calls[1]);
  EXPECT_EQ("terminated:0", observer_.calls.back());
  EXPECT_THAT(observer_.calls, Not(Contains("starting:copy")));
}

TEST_F(MainProcessInstallerRunnerTest, SecondMainProcessForTheFolderIsRefusedUntilStop) {
  // The first main process's backend waits for the package meanwhile.
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(folder_)));
  base::CommandLine second = test::MakeChildCommandLine("RunnerSecondMainProcess");
  second.AppendSwitchPath(kFolderSwitch, folder_);
  test::ChildResult refused = test::RunChild(second);
  ASSERT_TRUE(refused.exited);
  EXPECT_EQ(11u, refused.exit_code);  // "Could not create installer mutex".

  runner_.OnPackageReady();
  ASSERT_TRUE(WaitForBackendEnd());
  runner_.Stop();  // Lets go of the mutex: the backend has ended.
  test::ChildResult accepted = test::RunChild(second);
  ASSERT_TRUE(accepted.exited);
  EXPECT_EQ(0u, accepted.exit_code);
}

// The folder need not exist yet to be spelled alike: two spellings that
// differ only in case meet on the folder's case-folded mutex.
TEST_F(MainProcessInstallerRunnerTest, SecondMainProcessForTheFolderInOtherCaseIsRefused) {
  ASSERT_FALSE(base::PathExists(folder_));
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(folder_)));
  base::CommandLine second = test::MakeChildCommandLine("RunnerSecondMainProcess");
  second.AppendSwitchPath(kFolderSwitch, base::FilePath(base::ToUpperASCII(folder_.value())));
  test::ChildResult refused = test::RunChild(second);
  ASSERT_TRUE(refused.exited);
  EXPECT_EQ(11u, refused.exit_code);  // "Could not create installer mutex".

  runner_.OnPackageReady();
  ASSERT_TRUE(WaitForBackendEnd());
}

TEST_F(MainProcessInstallerRunnerTest, FailureBeforeTheLaunchIsRecordedAndReleasedByStop) {
  // Another receiver holds the folder's mailslot name.
  struct IgnoringDelegate : IpcReceiver::Delegate {
    void OnMessageReceived(const base::Pickle&) override {}
  } ignoring;
  IpcReceiver rival(&ignoring);
  ASSERT_TRUE(rival.Connect(GetInstallerMailslotName(folder_)));
  EXPECT_EQ(1u, runner_.RunWithParameters(MakeParameters(folder_)));
  uint32_t code = 0;
  std::string detail;
  GetInstallerError(&code, &detail, nullptr);
  EXPECT_EQ(1u, code);
  EXPECT_EQ("Could not connect to mailslot", detail);
  rival.Close();
  runner_.Stop();

  base::CommandLine second = test::MakeChildCommandLine("RunnerSecondMainProcess");
  second.AppendSwitchPath(kFolderSwitch, folder_);
  test::ChildResult accepted = test::RunChild(second);
  ASSERT_TRUE(accepted.exited);
  EXPECT_EQ(0u, accepted.exit_code);
  EXPECT_THAT(observer_.calls, IsEmpty());
}

struct ExitCase {
  uint32_t exit_code;
  uint32_t result;
};

class BackendExitCodeTest : public MainProcessInstallerRunnerTest,
                            public ::testing::WithParamInterface<ExitCase> {};

TEST_P(BackendExitCodeTest, BecomesTheInstallerResult) {
  runner_.OnPackageReady();
  ASSERT_EQ(0u, runner_.RunWithParameters(MakeParameters(
                    folder_, {test::kFakeBackendSilentSwitch,
                              std::string(test::kFakeBackendExitCodeSwitch) + "=" +
                                  base::NumberToString(static_cast<int>(GetParam().exit_code))})));
  ASSERT_TRUE(WaitForBackendEnd());
  EXPECT_THAT(observer_.calls, ElementsAre("terminated:" + base::NumberToString(GetParam().result)));
}

INSTANTIATE_TEST_SUITE_P(Codes, BackendExitCodeTest,
                         ::testing::Values(ExitCase{0, 0}, ExitCase{105, 5}, ExitCase{1, 13},
                                           ExitCase{2, 14}, ExitCase{3, 15},
                                           ExitCase{0xC0000005u, 26}));

// Messages as the backend might send them, handed straight to the runner.
struct MessageCase {
  const char* name;
  std::function<std::unique_ptr<base::Pickle>()> make;
  std::vector<std::string> calls;
  std::vector<std::string> progress;
  logging::LogSeverity severity;
  std::vector<std::string> log_lines;
};

std::unique_ptr<base::Pickle> Message(InstallerMessageType type, std::vector<int> numbers = {},
                                      std::vector<std::string> texts = {}) {
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(type);
  for (const std::string& text : texts)
    message->WriteString(text);
  for (int number : numbers)
    message->WriteInt(number);
  return message;
}

class RunnerMessageTest : public MainProcessInstallerRunnerTest,
                          public ::testing::WithParamInterface<MessageCase> {};

TEST_P(RunnerMessageTest, DispatchesOrDropsWithTheLogLine) {
  const MessageCase& c = GetParam();
  base::test::ScopedLogCollector log(c.severity);
  runner_.OnMessageReceived(*c.make());
  EXPECT_THAT(observer_.calls, ElementsAreArray(c.calls));
  EXPECT_THAT(observer_.progress, ElementsAreArray(c.progress));
  EXPECT_THAT(log.lines, ElementsAreArray(c.log_lines));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, RunnerMessageTest,
    ::testing::Values(
        MessageCase{"signature_without_final_colon",
                    [] {
                      auto message = std::make_unique<base::Pickle>();
                      message->WriteString(":Installer message");
                      message->WriteInt(IPC_MESSAGE_SUCCESS);
                      return message;
                    },
                    {}, {}, logging::LOG_WARNING,
                    {"Received a message without installer signature"}},
        MessageCase{"not_a_pickle", [] { return std::make_unique<base::Pickle>("\x40\0\0\0", 4); },
                    {}, {}, logging::LOG_WARNING,
                    {"Received a message without installer signature"}},
        MessageCase{"type_10", [] { return MakeInstallerMessage(InstallerMessageType(10)); }, {},
                    {}, logging::LOG_WARNING, {"Received installer message with invalid type"}},
        MessageCase{"negative_type", [] { return MakeInstallerMessage(InstallerMessageType(-1)); },
                    {}, {}, logging::LOG_WARNING,
                    {"Received installer message with invalid type"}},
        MessageCase{"legacy_step_finished",
                    [] { return Message(IPC_MESSAGE_STEP_FINISHED, {1}, {"copy"}); },
                    {"finished:copy/1/0"}, {"steps_finished:0"}, logging::LOG_WARNING,
                    {"The package uses legacy IPC_MESSAGE_STEP_FINISHED"}},
        MessageCase{"step_finished_without_attempt",
                    [] { return Message(IPC_MESSAGE_STEP_FINISHED, {}, {"copy"}); }, {}, {},
                    logging::LOG_ERROR, {"Received invalid IPC_MESSAGE_STEP_FINISHEDmessage"}},
        MessageCase{"total_steps_go_to_the_progress_only",
                    [] { return Message(IPC_MESSAGE_TOTAL_STEPS, {31}); }, {}, {"total:31"},
                    logging::LOG_ERROR, {}},
        MessageCase{"phase_goes_to_the_progress_only",
                    [] { return Message(IPC_MESSAGE_ENTERING_PHASE, {6}); }, {}, {"phase:6"},
                    logging::LOG_ERROR, {}},
        MessageCase{"phase_missing", [] { return Message(IPC_MESSAGE_ENTERING_PHASE); }, {}, {},
                    logging::LOG_ERROR, {"Received invalid IPC_MESSAGE_ENTERING_PHASE message"}},
        MessageCase{"error_without_detail",
                    [] {
                      auto message = Message(IPC_MESSAGE_ERROR, {5});
                      message->WriteString16(L"text");
                      return message;
                    },
                    {}, {}, logging::LOG_ERROR, {"Received invalid IPC_MESSAGE_ERROR message"}},
        MessageCase{"hand_over_and_back",
                    [] { return Message(IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS, {1}); },
                    {"starting_new_main_process:1"}, {}, logging::LOG_WARNING, {}},
        MessageCase{"returned", [] { return Message(IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS); },
                    {"returned"}, {}, logging::LOG_WARNING, {}},
        MessageCase{"folder_created", [] { return Message(IPC_MESSAGE_INSTALL_FOLDER_CREATED); },
                    {"folder_created"}, {}, logging::LOG_WARNING, {}},
        MessageCase{"event_missing", [] { return Message(IPC_MESSAGE_IMPORTANT_EVENT); }, {}, {},
                    logging::LOG_ERROR, {"Received invalid IPC_MESSAGE_IMPORTANT_EVENT message"}}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
