// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/installer_ui_controller.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/base_paths.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/scoped_path_override.h"
#include "base/test/unique_names.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/runner/test/fake_backend.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/test/installer_process_test.h"
#include "desktop/windows/installer/test/scoped_host_strings.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_sandbox.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/fake_web_page_opener.h"
#include "desktop/windows/installer/ui/progress_calculator_impl.h"
#include "desktop/windows/installer/ui/ui_lock.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;


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
  void ShowInstallationProgress() override {
    ++progress_pages_;
    if (on_progress_page_)
      std::move(on_progress_page_).Run(delegate_);
  }
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
  // What happens once the window turned to its progress page.
  static base::OnceCallback<void(InstallerWindowDelegate*)> on_progress_page_;

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
base::OnceCallback<void(InstallerWindowDelegate*)> RecordingWindow::on_progress_page_;

// Which window the controller makes: none, the recording one or its own.
enum class WindowKind { kNone, kRecording, kReal };

class TestUIController : public InstallerUIController {
 public:
  TestUIController(std::unique_ptr<MainProcessInstallerRunner> runner,
                   std::unique_ptr<ProgressCalculator> calculator,
                   InstallerProgress* progress,
                   Settings* settings,
                   WindowKind window_kind,
                   const FetchDelays& fetch_delays)
      : InstallerUIController(std::move(runner), std::move(calculator), progress, settings,
                              fetch_delays),
        window_kind_(window_kind) {}

  HWND window_hwnd() { return window() ? window()->GetHwnd() : nullptr; }

  // The fetcher's report, as its proxy delivers it; the last folder is kept.
  void OnPackageReady(const base::FilePath& package_dir) override {
    last_package_dir_ = package_dir;
    InstallerUIController::OnPackageReady(package_dir);
  }
  const base::FilePath& last_package_dir() const { return last_package_dir_; }

  void OnPackageFetcherError(uint32_t code,
                             const std::string& detail,
                             const std::vector<FetchDetails>& details) override {
    ++fetcher_errors_;
    InstallerUIController::OnPackageFetcherError(code, detail, details);
  }
  int fetcher_errors() const { return fetcher_errors_; }

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
  int fetcher_errors_ = 0;
  base::FilePath last_package_dir_;
};

// What the controller tells the progress: "phase N", "total N" and
// "finished N", in order.
class ProgressRecorder : public InstallerProgressObserver {
 public:
  void OnPhaseEntered(uint32_t phase) override { seen.push_back("phase " + std::to_string(phase)); }
  void OnTotalSteps(uint32_t count) override { seen.push_back("total " + std::to_string(count)); }
  void OnStepsFinished(uint32_t finished) override {
    seen.push_back("finished " + std::to_string(finished));
  }

  std::vector<std::string> seen;
};

// Runs `action` on the main thread once `ready` holds (checked every 10 ms):
// a user who waits for the page to be up to date before clicking.
void RunWhen(base::RepeatingCallback<bool()> ready, base::OnceClosure action) {
  if (!ready.Run()) {
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
        FROM_HERE, base::BindOnce(&RunWhen, ready, std::move(action)),
        base::TimeDelta::FromMilliseconds(10));
    return;
  }
  std::move(action).Run();
}

bool IsFolderStatusKnown(Settings* settings) {
  return !settings->IsFetchingFolderDetails() && !settings->GetInstallFolder().empty();
}

// A windowed main process in a test: sandboxed registry and folders, its own
// temporary folder (the UI lock's), the real settings and runner starting
// the stand-in backend, and a recording statistics sender.
class InstallerUIControllerTest : public InstallerProcessTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(InstallerProcessTest::SetUp());
    temp_.emplace(base::DIR_TEMP, dir_.GetPath());
    RecordingWindow::progress_pages_ = 0;
    RecordingWindow::errors_.clear();
    RecordingWindow::user_.Reset();
    RecordingWindow::on_progress_page_.Reset();
  }

  void TearDown() override {
    controller_.reset();
    settings_.reset();
  }

  base::FilePath Target() const { return Folder(L"Target"); }

  // Makes the controller for a process started with `switches` and a
  // backend started with `backend_switches`. The run's downloads (the
  // preference default overrides, which nothing answers here) retry after
  // 10 ms instead of the real 6 s, unless `fetch_delays_` says otherwise:
  // the same attempts, without the wait.
  void MakeController(const std::vector<std::wstring>& switches,
                      const std::vector<std::string>& backend_switches,
                      WindowKind window_kind = WindowKind::kRecording) {
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath("installfolder"),
        PackageArchitecture::kX64, false, InstallationFolderDetailsFetcherImpl::GetFactory());
    auto runner = std::make_unique<MainProcessInstallerRunnerImpl>(
        &progress_, InterprocessState::GetInstance(),
        BackendRunnerOptions{
            .extra_backend_switches = test::MakeFakeBackendSwitches(backend_switches)});
    auto calculator =
        std::make_unique<ProgressCalculatorImpl>(runner.get(), &progress_, ProgressPhaseWeights());
    controller_ =
        std::make_unique<TestUIController>(std::move(runner), std::move(calculator), &progress_,
                                           settings_.get(), window_kind, fetch_delays_);
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

  ScopedInstallerErrorRecord error_record_;
  FetchDelays fetch_delays_ = {
      .retry_delay = base::TimeDelta::FromMilliseconds(10),
      .countdown_step = base::TimeDelta::FromMilliseconds(10)};
  std::optional<base::ScopedPathOverride> temp_;
  std::vector<std::string> events_;
  bool traffic_allowed_ = true;
  RecordingStatsSender sender_{&events_, &traffic_allowed_};
  base::ProcessWide<AvroStatsSender>::ScopedOverride sender_override_{&sender_};
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

// Another installer window of the session holds the lock: it comes to the
// front and this run ends with 22 before anything starts, saying so once.
TEST_F(InstallerUIControllerTest, SecondInstanceBringsTheFirstWindowToTheFront) {
  base::test::ScopedLogCollector log(logging::LOG_INFO);
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
  EXPECT_EQ(1, std::count(log.lines.begin(), log.lines.end(),
                          "Another instance of the installer UI is running. Switching to it"));

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

// Inside a package nothing is fetched, so a fetch error is never retried:
// once the installation has started it is the run's error, shown as a
// failed download, or as a failed extraction for a package on disk that
// could not be finished.
struct FetcherErrorCase {
  uint32_t code;
  uint32_t message_id;
};

class InstallerUIControllerFetcherErrorTest
    : public InstallerUIControllerTest,
      public ::testing::WithParamInterface<FetcherErrorCase> {};

TEST_P(InstallerUIControllerFetcherErrorTest, ErrorAfterAcceptIsShownAsTheFetchers) {
  MakeController({L"runimmediately", L"enable-installer-stats=0",
                  L"installfolder=" + Target().value()},
                 {"fake-backend-wait-for-interrupt", "fake-backend-exit-code=1"});
  RecordingWindow::on_progress_page_ = base::BindOnce(
      [](TestUIController* controller, uint32_t code, InstallerWindowDelegate*) {
        controller->OnPackageFetcherError(code, "cannot finish the package", {});
      },
      controller_.get(), GetParam().code);
  ASSERT_EQ(0u, StartAndRun());
  ASSERT_EQ(1u, RecordingWindow::errors_.size());
  EXPECT_EQ(GetL10nString(GetParam().message_id), RecordingWindow::errors_[0].message);
  EXPECT_EQ(1u, RecordingWindow::errors_[0].fetcher_error);
  EXPECT_THAT(events_, Contains("error"));
}

INSTANTIATE_TEST_SUITE_P(
    Codes,
    InstallerUIControllerFetcherErrorTest,
    ::testing::Values(FetcherErrorCase{kPackageFetcherDownloadError, IDS_ERROR_DOWNLOAD_FAILED},
                      FetcherErrorCase{kPackageFetcherPackageError, IDS_ERROR_EXTRACTION_FAILED}));

// Get full installer opens the full installer's page and ends the run
// without installing. When the browser in the chosen folder handles "http",
// the page opens in the system's own browser, not in the one it replaces.
class InstallerUIControllerFullPackageTest : public InstallerUIControllerTest,
                                             public ::testing::WithParamInterface<bool> {
 protected:
  void TearDown() override {
    InstallerUIControllerTest::TearDown();
    if (!prog_id_.empty())
      base::win::RegKey(HKEY_CLASSES_ROOT, L"", KEY_ALL_ACCESS).DeleteKey(prog_id_.c_str());
  }

  // The user's choice for "http" is a class whose command runs the browser
  // in `folder` (the user's keys are the test's own; the class is a unique
  // one of the machine, removed at the end).
  void MakeHttpHandler(const base::FilePath& folder) {
    prog_id_ = test::UniqueWideName("VeltaTestsHttp");
    base::win::RegKey command;
    ASSERT_EQ(ERROR_SUCCESS, command.Create(HKEY_CLASSES_ROOT,
                                            (prog_id_ + L"\\shell\\open\\command").c_str(),
                                            KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS,
              command.WriteValue(L"", (L"\"" + folder.Append(L"launcher.exe").value() +
                                       L"\" -- \"%1\"").c_str()));
    base::win::RegKey choice;
    ASSERT_EQ(ERROR_SUCCESS,
              choice.Create(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\"
                            L"http\\UserChoice",
                            KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS, choice.WriteValue(L"ProgId", prog_id_.c_str()));
  }

  std::wstring prog_id_;
};

TEST_P(InstallerUIControllerFullPackageTest, OpensThePageAndEndsTheRun) {
  const bool velta_handles_http = GetParam();
  if (velta_handles_http)
    MakeHttpHandler(Target());
  std::vector<std::pair<std::wstring, std::wstring>> opened;
  FakeWebPageOpener opener(&opened);
  MakeController({L"enable-installer-stats=0", L"installfolder=" + Target().value()}, {});
  RecordingWindow::user_ = base::BindOnce(
      [](Settings* settings, InstallerWindowDelegate* delegate) {
        RunWhen(base::BindRepeating(&IsFolderStatusKnown, settings),
                base::BindOnce(&InstallerWindowDelegate::ObtainFullPackage,
                               base::Unretained(delegate)));
      },
      settings_.get());
  ASSERT_EQ(0u, StartAndRun());

  ASSERT_EQ(1u, opened.size());
  EXPECT_EQ(velta_handles_http ? L"%ProgramFiles%\\Internet Explorer\\iexplore.exe" : L"",
            opened[0].first);
  EXPECT_EQ(0u, opened[0].second.find(base::UTF8ToWide(GetNamedUrl("download_full_windows"))));
  EXPECT_EQ(0, RecordingWindow::progress_pages_);
  EXPECT_THAT(events_, Contains("installation_cancelled"));
  EXPECT_FALSE(base::PathExists(Target()));
}

INSTANTIATE_TEST_SUITE_P(HttpHandler, InstallerUIControllerFullPackageTest, ::testing::Bool());

// A windowed run outside a package (the running test has no payload), whose
// package comes from the loopback server: the metadata names the package
// (the built installer.exe, which passes every check) and its SHA-256.
class InstallerUIControllerFetchTest : public InstallerUIControllerTest {
 public:
  // For the user's actions, which run as bound tasks.
  SettingsImpl* settings() { return settings_.get(); }
  TestUIController* controller() { return controller_.get(); }

  void SetUp() override {
    InstallerUIControllerTest::SetUp();
    ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
    server_ = std::make_unique<test::LocalHttpServer>(dir_.GetPath().Append(L"server"));
    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(base::CreateDirectory(Downloads()));
    progress_.AddObserver(&recorder_);
  }

  void TearDown() override {
    InstallerUIControllerTest::TearDown();
    progress_.RemoveObserver(&recorder_);
  }

  base::FilePath Downloads() const { return dir_.GetPath().Append(L"downloads"); }

  // Serves the package and its metadata; every other route goes.
  void ServePackage() {
    ASSERT_NO_FATAL_FAILURE(test::ServeBuiltInstallerPackage(server_.get()));
    ASSERT_TRUE(server_->SetRoutes(kPrefsRoute));
  }

  // The metadata request answers `status` from now on.
  void AnswerMetadataWith(int status) {
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"status": )" +
                                   std::to_string(status) + "}}]"));
  }

  uint32_t StartFetchingRun(bool run_immediately, std::vector<std::wstring> switches = {}) {
    switches.insert(switches.end(), {
        L"enable-installer-stats=0", L"installfolder=" + Target().value(),
        L"internal-package-server=" + server_->Url("/meta"),
        L"local-pref-default-overrides-server=" + server_->Url("/prefs")});
    if (run_immediately)
      switches.push_back(L"runimmediately");
    // Server errors are retried by the downloader 600 times: long enough
    // for any test to act meanwhile. The fetcher's countdown is short.
    fetch_delays_.retry_delay = base::TimeDelta::FromMilliseconds(50);
    MakeController(switches, {});
    payload_.emplace(test::GetTestExecutablePath());
    base::RunLoop run_loop;
    const uint32_t started = controller_->Start(&*payload_, Downloads(), run_loop.QuitClosure());
    if (started == 0) {
      EXPECT_TRUE(base::test::RunWithTimeout(&run_loop));
    }
    return started;
  }

  static constexpr char kPrefsRoute[] =
      R"([{"path": "/prefs", "reply": {"body": "{\"a\": 1}"}}])";

  std::unique_ptr<test::LocalHttpServer> server_;
  std::optional<PayloadManagerImpl> payload_;
  ProgressRecorder recorder_;
};

// The fetch's statuses move the progress through its phases (0 metadata, 1
// main package, 4 package complete, 5 handed to the backend), and the
// package reaches the backend, which was launched at Accept and waits.
TEST_F(InstallerUIControllerFetchTest, FetchedPackageIsInstalled) {
  ServePackage();
  ASSERT_EQ(0u, StartFetchingRun(/*run_immediately=*/true));
  EXPECT_EQ(0u, controller_->result());
  EXPECT_TRUE(RecordingWindow::errors_.empty());
  EXPECT_EQ(1, RecordingWindow::progress_pages_);
  EXPECT_THAT(test::RequestedPaths(*server_),
              ElementsAreArray({"GET /meta", "GET /package.exe", "GET /prefs"}));
  std::vector<std::string> phases;
  std::copy_if(recorder_.seen.begin(), recorder_.seen.end(), std::back_inserter(phases),
               [](const std::string& entry) { return entry.rfind("phase ", 0) == 0; });
  // The stand-in backend enters phase 3 once it has the package.
  EXPECT_THAT(phases, ElementsAreArray({"phase 0", "phase 1", "phase 4", "phase 5", "phase 3"}));
  EXPECT_THAT(events_, Contains("package_ready"));
  EXPECT_TRUE(test::SubfoldersOf(Downloads()).empty());
}

// The preference default overrides are asked for once in a run: a package
// that the fetcher reports ready again once they were (a fetch that ran
// again) does not ask a second time.
TEST_F(InstallerUIControllerFetchTest, PrefDefaultOverridesAreAskedForOnce) {
  ServePackage();
  base::test::ScopedLogCollector log(logging::LOG_INFO);
  // Once the package went to the backend (phase 5), the fetcher reports it
  // ready again.
  class ReportAgain : public InstallerProgressObserver {
   public:
    explicit ReportAgain(InstallerUIControllerFetchTest* test) : test_(test) {}
    void OnPhaseEntered(uint32_t phase) override {
      if (phase != 5 || reported_)
        return;
      reported_ = true;
      TestUIController* controller = test_->controller();
      base::ThreadTaskRunnerHandle::Get()->PostTask(
          FROM_HERE, base::BindOnce(&TestUIController::OnPackageReady,
                                    base::Unretained(controller),
                                    controller->last_package_dir()));
    }
    void OnTotalSteps(uint32_t) override {}
    void OnStepsFinished(uint32_t) override {}

   private:
    InstallerUIControllerFetchTest* const test_;
    bool reported_ = false;
  } report_again(this);
  progress_.AddObserver(&report_again);
  ASSERT_EQ(0u, StartFetchingRun(/*run_immediately=*/true));
  progress_.RemoveObserver(&report_again);
  EXPECT_EQ(0u, controller_->result());
  EXPECT_EQ(1, std::count_if(log.lines.begin(), log.lines.end(), [](const std::string& line) {
              return line.rfind("Fetching default prefs overrides to ", 0) == 0;
            }));
}

// A fetch that fails while the user is still choosing only waits, with the
// retry countdown as progress; the user's Accept starts it again, and that
// fetch installs.
TEST_F(InstallerUIControllerFetchTest, FetchThatGaveUpBeforeAcceptStartsAgainAtAccept) {
  base::test::ScopedLogCollector log(logging::LOG_WARNING);
  AnswerMetadataWith(404);
  RecordingWindow::user_ = base::BindOnce(
      [](InstallerUIControllerFetchTest* test, InstallerWindowDelegate* delegate) {
        RunWhen(base::BindRepeating(
                    [](InstallerUIControllerFetchTest* test) {
                      return IsFolderStatusKnown(test->settings()) &&
                             test->controller()->fetcher_errors() == 6;
                    },
                    test),
                base::BindOnce(
                    [](InstallerUIControllerFetchTest* test, InstallerWindowDelegate* delegate) {
                      EXPECT_EQ(0, RecordingWindow::progress_pages_);
                      EXPECT_TRUE(RecordingWindow::errors_.empty());
                      test->ServePackage();
                      delegate->OnAcceptClicked();
                    },
                    test, delegate));
      },
      this);
  ASSERT_EQ(0u, StartFetchingRun(/*run_immediately=*/false));
  EXPECT_EQ(0u, controller_->result());
  EXPECT_TRUE(RecordingWindow::errors_.empty());
  std::vector<std::string> expected(6, "GET /meta");
  expected.insert(expected.end(), {"GET /meta", "GET /package.exe", "GET /prefs"});
  EXPECT_THAT(test::RequestedPaths(*server_), ElementsAreArray(expected));
  EXPECT_THAT(log.lines, Contains(HasSubstr("Exceeded maximum number of fetcher retries, we "
                                            "won't retry until user decides to.")));
  // Each retry waits six steps in phase 8.
  EXPECT_EQ(5, std::count(recorder_.seen.begin(), recorder_.seen.end(), "phase 8"));
  EXPECT_EQ(5, std::count(recorder_.seen.begin(), recorder_.seen.end(), "finished 6"));
  EXPECT_THAT(recorder_.seen, Contains("total 6"));
}

// A fetch that fails for good after Accept is the run's error: the backend
// that waited for the package is stopped, the window shows the failed
// download, and nothing is installed.
TEST_F(InstallerUIControllerFetchTest, FetchFailureAfterAcceptShowsTheDownloadError) {
  // Server errors keep the first fetch going until the user has accepted.
  AnswerMetadataWith(503);
  RecordingWindow::on_progress_page_ = base::BindOnce(
      [](InstallerUIControllerFetchTest* test, InstallerWindowDelegate*) {
        test->AnswerMetadataWith(404);
      },
      this);
  ASSERT_EQ(0u, StartFetchingRun(/*run_immediately=*/true));
  EXPECT_EQ(19u, controller_->result());
  EXPECT_EQ(1, RecordingWindow::progress_pages_);
  ASSERT_EQ(1u, RecordingWindow::errors_.size());
  EXPECT_EQ(GetL10nString(IDS_ERROR_DOWNLOAD_FAILED), RecordingWindow::errors_[0].message);
  EXPECT_EQ(1u, RecordingWindow::errors_[0].fetcher_error);
  EXPECT_FALSE(RecordingWindow::errors_[0].offer_full_package);
  EXPECT_EQ(6, controller_->fetcher_errors());
  EXPECT_FALSE(base::PathExists(Target()));
  EXPECT_TRUE(test::SubfoldersOf(Downloads()).empty());
}

// A fetch that starts again (a language change, a repair's files-only
// fetch) deletes the package it reported ready: the progress leaves the
// complete phase, so that Accept waits for the new package.
TEST_F(InstallerUIControllerFetchTest, RestartedFetchLeavesTheCompletePhase) {
  MakeController({L"installfolder=" + Target().value()}, {});
  controller_->OnPackageReady(Downloads().Append(L"package_1"));
  controller_->OnPackageFetcherStatusChanged(kPackageFetcherStarted);
  controller_->OnPackageFetcherStatusChanged(kPackageFetcherFetchingMetadata);
  controller_->OnPackageReady(Downloads().Append(L"package_2"));
  EXPECT_THAT(recorder_.seen, ElementsAreArray({"phase 4", "phase 0", "phase 0", "phase 4"}));
}

// A repair of downloadable resources fetches what the folder's installation
// lacks. The folder's status is gathered after the window is up, so the
// fetch starts once it is in; then, as any fetch that fails after Accept,
// it is the run's error.
TEST_F(InstallerUIControllerFetchTest, RepairFetchesOnceTheFoldersStatusIsIn) {
  ASSERT_TRUE(base::CreateDirectory(Target()));
  ASSERT_TRUE(base::WriteFile(Target().Append(L"launcher.exe"), "MZ"));
  InstallationStatus status(StatusSource::kGenerated);
  status.path = Target();
  status.app_id = L"abc";
  status.version = "1.0.0.0";
  ASSERT_TRUE(WriteInstallationStatusJson(status, Target().Append(L"installation_status.json")));
  AnswerMetadataWith(404);
  ASSERT_EQ(0u, StartFetchingRun(/*run_immediately=*/true, {L"fix-downloadable-resources"}));
  EXPECT_EQ(19u, controller_->result());
  // Only the resource packs the installation's version folder lacks.
  const std::vector<std::string> requests = test::RequestedPaths(*server_);
  EXPECT_EQ(6u, requests.size());
  EXPECT_THAT(requests, Each(StartsWith("GET /meta?additional_files=velta_100_percent.pak,")));
  ASSERT_EQ(1u, RecordingWindow::errors_.size());
  EXPECT_EQ(GetL10nString(IDS_ERROR_DOWNLOAD_FAILED), RecordingWindow::errors_[0].message);
}

}  // namespace
}  // namespace velta
