// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_CONTROLLER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_CONTROLLER_H_

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/installer_controller.h"
#include "desktop/windows/installer/ui/installer_window.h"

namespace velta {

class ProgressCalculator;

// The installer error code's message id: 0 for codes without a message
// (0, 22, 27 and above).
uint32_t GetErrorMessageId(uint32_t code);

// The main process's controller when the installer shows its window. It
// keeps one window per logon session (the UI lock), makes the window, turns
// the user's Accept into the backend's run once the install folder's status
// is known, and holds the backend's errors until the backend has ended;
// then the window shows them and the user may choose again. Made by
// RunInstaller, which runs the main run loop until the quit closure runs.
// Main thread only.
class InstallerUIController : public InstallerWindowDelegate,
                              public InstallerController,
                              public InstallerProgressObserver {
 public:
  using UICallback = base::OnceCallback<uint32_t(HWND window)>;
  using ReplyCallback = base::OnceCallback<void(uint32_t result)>;

  // `progress` and `settings` (not owned) outlive the controller; the
  // calculator observes the runner.
  InstallerUIController(std::unique_ptr<MainProcessInstallerRunner> runner,
                        std::unique_ptr<ProgressCalculator> progress_calculator,
                        InstallerProgress* progress,
                        Settings* settings,
                        const FetchDelays& fetch_delays = {});
  InstallerUIController(const InstallerUIController&) = delete;
  InstallerUIController& operator=(const InstallerUIController&) = delete;
  ~InstallerUIController() override;

  // 0 when the controller started (the caller runs the loop), 22 when the
  // window of another installer of this logon session was brought to the
  // front instead; otherwise the base's result.
  uint32_t Start(PayloadManager* payload,
                 const base::FilePath& download_folder,
                 base::OnceClosure quit_closure) override;
  void Terminate() override;
  void OnTrackingDataDone() override;

  // UiCallbackRunner: runs `ui_callback` with the window on this thread for
  // the package fetcher (a credentials prompt) and posts its result to
  // `reply` on `reply_runner`: at once while installing, else once the
  // installation starts. A request that a later one replaces, or that
  // arrives or still waits when the controller ends, is answered with 1223
  // (cancelled).
  void RunUICallbackAndPostReply(UICallback ui_callback,
                                 scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 ReplyCallback reply) override;

  // PackageFetcherDelegate: the fetch's statuses become progress phases (8
  // while a retry waits, 0 for the metadata, 1 for the main package, 3 for
  // additional files) and its countdown or progress the step counts.
  void OnPackageFetcherStatusChanged(uint32_t status) override;
  void SetTotalProgress(uint32_t total) override;
  void SetCurrentProgress(uint32_t current) override;
  // A failed fetch is retried while the fetcher allows. Then, once the
  // installation has started, it is the run's error (37058 for a package
  // that could not be finished, else 37057); before, the next Accept starts
  // the fetch again.
  void OnPackageFetcherError(uint32_t code,
                             const std::string& detail,
                             const std::vector<FetchDetails>& details) override;

  // InstallerWindowDelegate:
  void OnAcceptClicked() override;
  void OnCancelClicked() override;
  void OnRetryClicked() override;
  void ObtainFullPackage() override;

  // InstallerController (InstallerObserver, SettingsObserver):
  void OnError(int code, const std::wstring& text, const std::string& detail) override;
  void OnBackendProcessTerminated(const uint32_t& result) override;
  void OnPathChanged() override;
  // The backend's step count reaches the window through the progress.
  using InstallerObserver::OnTotalSteps;

  // InstallerProgressObserver: nothing to do.
  void OnPhaseEntered(uint32_t /*phase*/) override {}
  void OnTotalSteps(uint32_t /*count*/) override {}
  void OnStepsFinished(uint32_t /*finished*/) override {}

 protected:
  // Makes the installer window, or null when it cannot be made.
  virtual std::unique_ptr<InstallerWindow> CreateInstallerWindow();

  void OnPackageReady(const base::FilePath& package_dir) override;

  InstallerWindow* window() { return window_.get(); }
  ProgressCalculator* progress_calculator() { return progress_calculator_.get(); }
  InstallerProgress* progress() { return progress_; }

 private:
  struct ErrorRecord {
    uint32_t message_id;
    std::wstring message;
    std::string detail;
    bool fetcher_error;
  };
  struct PendingUICallback {
    UICallback ui_callback;
    scoped_refptr<base::SingleThreadTaskRunner> reply_runner;
    ReplyCallback reply;
  };

  void Init();
  // The repair of downloadable resources fetches what the folder's
  // installation lacks: once, when the folder's status is known.
  void StartRepairFetch();
  void ReportError(ErrorRecord record);
  void HandlePendingError();
  // A failed elevation becomes a current-user installation; true when it
  // took over from the error.
  bool OfferCurrentUserInstall();
  void DoRunUICallbackAndPostReply(PendingUICallback request);
  // Answers a request that will never run with 1223.
  static void CancelUICallback(PendingUICallback request);

  std::unique_ptr<ProgressCalculator> progress_calculator_;
  InstallerProgress* const progress_;
  std::optional<PendingUICallback> pending_fetcher_callback_;
  bool installation_started_ = false;
  std::optional<ErrorRecord> pending_error_;
  bool fetcher_gave_up_ = false;
  bool error_shown_before_ = false;
  bool accept_pending_ = false;
  bool initial_settings_sent_ = false;
  bool package_will_be_downloaded_ = false;
  bool repair_fetch_started_ = false;
  base::win::ScopedHandle lock_file_;
  std::unique_ptr<InstallerWindow> window_;

  base::WeakPtrFactory<InstallerUIController> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_CONTROLLER_H_
