// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/installer_ui_controller.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/base_paths.h"
#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/scoped_path_override.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/installer_progress.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/recording_stats_sender.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/scoped_host_strings.h"
#include "desktop/windows/installer/scoped_installer_process.h"
#include "desktop/windows/installer/scoped_installer_sandbox.h"
#include "desktop/windows/installer/scoped_installer_threads.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/progress_calculator_impl.h"
#include "desktop/windows/installer/ui/ui_lock.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"
#include "testing/child_process.h"
#include "testing/fake_backend/fake_backend.h"
#include "testing/multiprocess_test.h"

namespace velta {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr uint32_t kPackageArchitectureX64 = 1;

// A real top-level window that records what the controller asks of it. The
// user's answer to an error is Close.
class RecordingWindow : public InstallerWindow {
 public:
  struct ShownError {
    std::wstring message;
    uint32_t fetcher_error;
    bool offer_full_package;
  };

  RecordingWindow()
      : hwnd_(::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"installer", WS_POPUP | WS_VISIBLE,
                                0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr)) {}
  ~RecordingWindow() override { ::DestroyWindow(hwnd_); }

  HWND GetHwnd() override { return hwnd_; }
  void ShowInstallationProgress() override { ++progress_pages_; }
  void DisplayError(const std::wstring& message,
                    uint32_t fetcher_error,
                    bool offer_full_package,
                    const std::string& /*failure_reason*/) override {
    errors_.push_back({message, fetcher_error, offer_full_package});
    base::ThreadTaskRunnerHandle::Get()->PostTask(
        FROM_HERE, base::BindOnce(&RecordingWindow::Close, base::Unretained(this)));
  }
  void ShowErrorMessageBox(const std::wstring& message) override { errors_.push_back({message, 0, false}); }
  void AddObserver(InstallerWindowDelegate* delegate) override {
    delegate_ = delegate;
    if (user_)
      base::ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, base::BindOnce(std::move(user_),
                                                                              delegate));
  }
  void RemoveObserver(InstallerWindowDelegate* delegate) override {
    if (delegate_ == delegate)
      delegate_ = nullptr;
  }

  static int progress_pages_;
  static std::vector<ShownError> errors_;
  // What the user does once the window is up.
  static base::OnceCallback<void(InstallerWindowDelegate*)> user_;

 private:
  void Close() {
    if (delegate_)
      delegate_->OnCancelClicked();
  }

  HWND hwnd_;
  InstallerWindowDelegate* delegate_ = nullptr;
};

int RecordingWindow::progress_pages_ = 0;
std::vector<RecordingWindow::ShownError> RecordingWindow::errors_;
base::OnceCallback<void(InstallerWindowDelegate*)> RecordingWindow::user_;

// Which window the controller makes: none, the recording one or its own.
enum class WindowKind { kNone, kRecording, kReal };

class TestUIController : public InstallerUIController {
 public:
  TestUIController(std::unique_ptr<MainProcessInstallerRunner> runner,
                   std::unique_ptr<ProgressCalculator> calculator,
                   InstallerProgress* progress,
                   Settings* settings,
                   WindowKind window_kind)
      : InstallerUIController(std::move(runner), std::move(calculator), progress, settings),
        window_kind_(window_kind) {}

  HWND window_hwnd() { return window() ? window()->GetHwnd() : nullptr; }

 protected:
  std::unique_ptr<InstallerWindow> CreateInstallerWindow() override {
    switch (window_kind_) {
      case WindowKind::kNone:
        return nullptr;
      case WindowKind::kRecording:
        return std::make_unique<RecordingWindow>();
      case WindowKind::kReal:
        return InstallerUIController::CreateInstallerWindow();
    }
    return nullptr;
  }

 private:
  const WindowKind window_kind_;
};

// A windowed main process in a test: sandboxed registry and folders, its own
// temporary folder (the UI lock's), the real settings and runner starting
// the stand-in backend, and a recording statistics sender.
class InstallerUIControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    ASSERT_TRUE(strings_.is_loaded());
    ASSERT_TRUE(sandbox_.is_valid());
    sandbox_.OverrideKnownFolders(dir_.GetPath());
    temp_.emplace(base::DIR_TEMP, dir_.GetPath());
    RecordingWindow::progress_pages_ = 0;
    RecordingWindow::errors_.clear();
    RecordingWindow::user_.Reset();
  }

  void TearDown() override {
    controller_.reset();
    settings_.reset();
  }

  base::FilePath Target() const { return dir_.GetPath().Append(L"Target"); }

  // Makes the controller for a process started with `switches` and a
  // backend started with `backend_switches`.
  void MakeController(const std::vector<std::wstring>& switches,
                      const std::vector<std::string>& backend_switches,
                      WindowKind window_kind = WindowKind::kRecording) {
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath("installfolder"),
        kPackageArchitectureX64, false, InstallationFolderDetailsFetcherImpl::GetFactory());
    auto runner = std::make_unique<MainProcessInstallerRunnerImpl>(
        &progress_, InterprocessState::GetInstance());
    runner->AddBackendSwitchesForTesting(test::MakeFakeBackendSwitches(backend_switches));
    auto calculator =
        std::make_unique<ProgressCalculatorImpl>(runner.get(), &progress_, ProgressPhaseWeights());
    controller_ = std::make_unique<TestUIController>(std::move(runner), std::move(calculator),
                                                     &progress_, settings_.get(), window_kind);
  }

  // Starts the controller and runs the loop until it quits; the start
  // result.
  uint32_t StartAndRun(PayloadManager* payload = nullptr) {
    base::RunLoop run_loop;
    const uint32_t started = controller_->Start(payload, dir_.GetPath(), run_loop.QuitClosure());
    if (started == 0) {
      EXPECT_TRUE(base::test::RunWithTimeout(&run_loop));
    }
    return started;
  }

  base::ScopedTempDir dir_;
  ScopedInstallerSandbox sandbox_;
  ScopedInstallerThreads threads_;
  ScopedHostStrings strings_;
  ScopedInstallerErrorRecord error_record_;
  std::optional<base::ScopedPathOverride> temp_;
  std::vector<std::string> events_;
  bool traffic_allowed_ = true;
  ScopedAvroStatsSenderForTesting sender_{
      std::make_unique<RecordingStatsSender>(&events_, &traffic_allowed_)};
  std::optional<ScopedInstallerProcess> process_;
  InstallerProgress progress_;
  std::unique_ptr<SettingsImpl> settings_;
  std::unique_ptr<TestUIController> controller_;
};

struct RunCase {
  const char* name;
  std::vector<std::string> backend_switches;
  uint32_t result;
  // The errors the window showed, by string id and its "$1".
  std::vector<std::pair<uint32_t, std::wstring>> errors;
  std::vector<std::string> events;
};

class InstallerUIControllerRunTest : public InstallerUIControllerTest,
                                     public ::testing::WithParamInterface<RunCase> {};

// With run-immediately the folder status starts the installation; the
// backend's error is shown only once the backend has ended, without the
// full-package offer the first time, and closing the window ends the run.
TEST_P(InstallerUIControllerRunTest, ShowsBackendErrorsAfterTheBackendEnded) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  MakeController({L"runimmediately", L"enable-installer-stats=0",
                  L"installfolder=" + Target().value()},
                 GetParam().backend_switches);
  ASSERT_EQ(0u, StartAndRun());
  EXPECT_EQ(GetParam().result, controller_->result());
  EXPECT_EQ(1, RecordingWindow::progress_pages_);
  ASSERT_EQ(GetParam().errors.size(), RecordingWindow::errors_.size());
  for (size_t i = 0; i < GetParam().errors.size(); ++i) {
    EXPECT_EQ(GetL10nStringWithOneArg(GetParam().errors[i].first, GetParam().errors[i].second),
              RecordingWindow::errors_[i].message);
    EXPECT_FALSE(RecordingWindow::errors_[i].offer_full_package);
    EXPECT_EQ(0u, RecordingWindow::errors_[i].fetcher_error);
  }
  EXPECT_THAT(events_, ElementsAreArray(GetParam().events));
  if (!GetParam().errors.empty()) {
    // The error page comes only after the backend's end.
    const auto at = [&](const char* text) {
      for (size_t i = 0; i < log.lines.size(); ++i) {
        if (log.lines[i].find(text) != std::string::npos)
          return static_cast<int>(i);
      }
      return -1;
    };
    EXPECT_LE(0, at("Reporting error"));
    EXPECT_LT(at("Installer termination reported"), at("Handling pending error"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Backends,
    InstallerUIControllerRunTest,
    ::testing::Values(
        RunCase{"success",
                {},
                0,
                {},
                {"controller_launched", "initial_settings_gathered", "settings_accepted",
                 "installer_step_starting", "installer_step_finished", "controller_quitting"}},
        RunCase{"privileges_error",
                {"fake-backend-error=7", "fake-backend-exit-code=1"},
                7,
                {{IDS_ERROR_PRIVILEGES, L""}},
                {"controller_launched", "initial_settings_gathered", "settings_accepted",
                 "installer_step_starting", "installer_step_finished", "error",
                 "installation_cancelled", "controller_quitting"}},
        // Nobody reported why: the exit code's own message.
        RunCase{"unreported_exit_105",
                {"fake-backend-silent", "fake-backend-exit-code=105"},
                5,
                {{IDS_ERROR_INSTALL, L""}},
                {"controller_launched", "initial_settings_gathered", "settings_accepted", "error",
                 "installation_cancelled", "controller_quitting"}}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

// Accept (or Try again) while the folder status is being gathered does
// nothing at once; the status's arrival starts the installation without a
// second click.
class InstallerUIControllerPendingAcceptTest : public InstallerUIControllerTest,
                                               public ::testing::WithParamInterface<bool> {};

TEST_P(InstallerUIControllerPendingAcceptTest, StatusArrivalStartsTheInstallation) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  MakeController({L"enable-installer-stats=0", L"installfolder=" + Target().value()}, {});
  const bool retry = GetParam();
  // The user acts on a page whose folder status is known, as on the error
  // page: the status is gathered anew and the click comes meanwhile.
  struct User {
    static void Act(Settings* settings, bool retry, InstallerWindowDelegate* delegate) {
      if (settings->IsFetchingFolderDetails() || settings->GetInstallFolder().empty()) {
        base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
            FROM_HERE, base::BindOnce(&User::Act, settings, retry, delegate),
            base::TimeDelta::FromMilliseconds(10));
        return;
      }
      if (retry) {
        delegate->OnRetryClicked();
      } else {
        settings->RefreshFolderDetails();
        delegate->OnAcceptClicked();
      }
      EXPECT_TRUE(settings->IsFetchingFolderDetails());
      EXPECT_EQ(0, RecordingWindow::progress_pages_);
    }
  };
  RecordingWindow::user_ = base::BindOnce(&User::Act, settings_.get(), retry);
  ASSERT_EQ(0u, StartAndRun());
  EXPECT_EQ(0u, controller_->result());
  EXPECT_EQ(1, RecordingWindow::progress_pages_);
  if (!retry) {
    EXPECT_THAT(log.lines, Contains(HasSubstr("Still waiting for status")));
  }
  EXPECT_THAT(log.lines, Contains(HasSubstr("runimmediately set or Accept already clicked")));
}

INSTANTIATE_TEST_SUITE_P(AcceptAndRetry,
                         InstallerUIControllerPendingAcceptTest,
                         ::testing::Bool());

// The same with the installer's own window: Accept pressed while the
// folder status is gathered starts the installation once it arrives, and
// the window turns to the progress page.
TEST_F(InstallerUIControllerTest, RealWindowAcceptWaitsForTheFolderStatus) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  RichStatic::InitializeLibraries();
  MakeController({L"enable-installer-stats=0", L"installfolder=" + Target().value()}, {},
                 WindowKind::kReal);
  struct User {
    static void Act(TestUIController* controller, Settings* settings) {
      HWND window = controller->window_hwnd();
      if (!window || settings->IsFetchingFolderDetails()) {
        base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
            FROM_HERE, base::BindOnce(&User::Act, controller, settings),
            base::TimeDelta::FromMilliseconds(10));
        return;
      }
      settings->RefreshFolderDetails();
      ::SendMessageW(::GetDlgItem(window, IDC_ACCEPT_BUTTON), BM_CLICK, 0, 0);
      EXPECT_TRUE(settings->IsFetchingFolderDetails());
    }
  };
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, base::BindOnce(&User::Act, controller_.get(), settings_.get()));
  ASSERT_EQ(0u, StartAndRun());
  EXPECT_EQ(0u, controller_->result());
  EXPECT_THAT(log.lines, Contains(HasSubstr("Still waiting for status")));
  EXPECT_THAT(log.lines, Contains(HasSubstr("runimmediately set or Accept already clicked")));
  // The welcome page, the progress page and the window's end.
  EXPECT_EQ(3, std::count(events_.begin(), events_.end(), "page_transition"));
}

// A failed elevation of a new all-users installation into a folder the
// user may write becomes a current-user installation without showing the
// error; when that fails too, the error is shown.
TEST_F(InstallerUIControllerTest, FailedElevationSwitchesToCurrentUserOnce) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  MakeController({L"runimmediately", L"enable-installer-stats=0", L"allusers=1",
                  L"installfolder=" + Target().value()},
                 {"fake-backend-error=8", "fake-backend-exit-code=1"});
  ASSERT_EQ(0u, StartAndRun());
  EXPECT_EQ(8u, controller_->result());
  EXPECT_FALSE(settings_->IsAllUsers());
  ASSERT_EQ(1u, RecordingWindow::errors_.size());
  EXPECT_EQ(GetL10nString(IDS_ERROR_ELEVATION), RecordingWindow::errors_[0].message);
  EXPECT_EQ(2, RecordingWindow::progress_pages_);
  EXPECT_EQ(1, std::count_if(log.lines.begin(), log.lines.end(), [](const std::string& line) {
              return line.find("Offering the user to switch to a Current User install") !=
                     std::string::npos;
            }));
}

// Without a window nothing could show an error or end the run: the run
// ends at once with installer error 1, and no backend starts.
TEST_F(InstallerUIControllerTest, NoWindowEndsWithInstallerError1) {
  base::test::ScopedLogCollector log(logging::LOG_ERROR);
  MakeController({L"runimmediately", L"installfolder=" + Target().value()}, {},
                 WindowKind::kNone);
  ASSERT_EQ(0u, StartAndRun());
  EXPECT_EQ(1u, controller_->result());
  EXPECT_THAT(log.lines, Contains(HasSubstr("Could not initialize installer window")));
  EXPECT_THAT(events_, ElementsAreArray({"controller_launched", "error", "controller_quitting"}));
  EXPECT_FALSE(base::PathExists(Target()));
}

// Outside a package the package must be fetched, which this build cannot:
// Accept shows the download failure as the fetcher's error, and no backend
// starts.
TEST_F(InstallerUIControllerTest, FetchFailureAfterAcceptShowsTheDownloadError) {
  PayloadManagerImpl payload(test::GetTestExecutablePath());
  MakeController({L"runimmediately", L"enable-installer-stats=0",
                  L"installfolder=" + Target().value()},
                 {});
  ASSERT_EQ(0u, StartAndRun(&payload));
  EXPECT_EQ(19u, controller_->result());
  ASSERT_EQ(1u, RecordingWindow::errors_.size());
  EXPECT_EQ(GetL10nString(IDS_ERROR_DOWNLOAD_FAILED), RecordingWindow::errors_[0].message);
  EXPECT_EQ(1u, RecordingWindow::errors_[0].fetcher_error);
  EXPECT_EQ(0, RecordingWindow::progress_pages_);
  EXPECT_FALSE(base::PathExists(Target()));
}

// Another installer window of the session holds the lock: it comes to the
// front and this run ends with 22 before anything starts.
TEST_F(InstallerUIControllerTest, SecondInstanceBringsTheFirstWindowToTheFront) {
  HWND first = nullptr;
  base::win::ScopedHandle lock;
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    GetUiLock(&lock);
    first = ::CreateWindowExW(0, L"STATIC", L"first installer", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                              50, nullptr, nullptr, nullptr, nullptr);
    ::SetEvent(ready);
    MSG message;
    while (::MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    }
    ::DestroyWindow(first);
  });
  ::WaitForSingleObject(ready, INFINITE);
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 60, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
  ::SetForegroundWindow(other);

  MakeController({L"installfolder=" + Target().value()}, {});
  EXPECT_EQ(22u, StartAndRun());
  // The first window's thread activates it when it reads its queue.
  for (int i = 0; i < 500 && ::GetForegroundWindow() != first; ++i) {
    base::RunLoop().RunUntilIdle();
    ::Sleep(10);
  }
  EXPECT_EQ(first, ::GetForegroundWindow());
  EXPECT_TRUE(events_.empty());

  ::SetEvent(done);
  owner.join();
  ::DestroyWindow(other);
  ::CloseHandle(ready);
  ::CloseHandle(done);
}

// The fetcher's UI requests wait for the installation to start; a request
// that a later one replaced, and one that comes after the end, are answered
// 1223 (cancelled) instead of never.
TEST_F(InstallerUIControllerTest, FetcherUIRequestsRunOnceInstallingAndReplacedOnesAreCancelled) {
  MakeController({L"runimmediately", L"enable-installer-stats=0",
                  L"installfolder=" + Target().value()},
                 {});
  std::vector<std::pair<std::string, uint32_t>> replies;
  std::vector<HWND> shown_on;
  const auto request = [&](const char* name, uint32_t answer) {
    controller_->RunUICallbackAndPostReply(
        base::BindOnce(
            [](std::vector<HWND>* windows, uint32_t value, HWND window) {
              windows->push_back(window);
              return value;
            },
            &shown_on, answer),
        base::ThreadTaskRunnerHandle::Get(),
        base::BindOnce(
            [](std::vector<std::pair<std::string, uint32_t>>* seen, std::string who,
               uint32_t result) { seen->emplace_back(who, result); },
            &replies, std::string(name)));
  };
  request("replaced", 5);
  request("kept", 7);
  ASSERT_EQ(0u, StartAndRun());
  HWND window_at_accept = shown_on.empty() ? nullptr : shown_on.front();
  request("late", 9);
  base::RunLoop().RunUntilIdle();

  EXPECT_EQ(1u, shown_on.size());
  EXPECT_NE(nullptr, window_at_accept);
  EXPECT_THAT(replies, ElementsAreArray(std::vector<std::pair<std::string, uint32_t>>{
                           {"replaced", 1223u}, {"kept", 7u}, {"late", 1223u}}));
}

}  // namespace
}  // namespace velta
