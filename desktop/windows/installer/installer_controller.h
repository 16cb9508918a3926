// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLER_CONTROLLER_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLER_CONTROLLER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"

namespace base {
class Thread;
}

namespace velta {

class MainProcessInstallerRunner;
class PackageFetcher;
class PackageFetcherDelegateProxy;
class PayloadManager;
class PrefDefaultOverridesFetcher;

// The delays of a controller's fetch. The defaults are the shipped ones;
// tests shorten them.
struct FetchDelays {
  // The downloader's pause between retries.
  base::TimeDelta retry_delay = WininetImpl::kDefaultRetryDelay;
  // One second of the fetcher's retry countdown.
  base::TimeDelta countdown_step = base::TimeDelta::FromSeconds(1);
};

// The main process's controller of one installation: the base of the
// silent controller and of the window's. It decides whether the package
// must be fetched, owns the main-process runner, hears the backend's
// reports (as the runner's observer) and the settings' changes, sends the
// controller's statistics events, and ends the run once, in order, with
// Terminate: the runner is stopped, the last statistics are sent and the
// quit closure ends the main run loop.
//
// The result is 20 until a report sets it: 0 on success, the installer error
// code the backend reported, the backend's translated exit code, 19 when the
// package could not be fetched, 25 when starting the installer again failed.
//
// Once Terminate has run, the result is final: reports that arrive while
// the last statistics are sent (the backend's end, a late error) are logged
// and change nothing.
//
// A package that must be fetched is fetched on the controller's own
// "Fetcher thread"; the fetcher's reports reach the controller on its thread
// through the delegate proxy, and its requests for UI through
// RunUICallbackAndPostReply.
//
// Made by RunInstaller, which owns it and reads result() after the run
// loop; main thread only. `settings` outlives the controller.
class InstallerController : public UiCallbackRunner,
                            public PackageFetcherDelegate,
                            public InstallerObserver,
                            public SettingsObserver {
 public:
  InstallerController(std::unique_ptr<MainProcessInstallerRunner> runner,
                      Settings* settings,
                      const FetchDelays& fetch_delays = {});
  InstallerController(const InstallerController&) = delete;
  InstallerController& operator=(const InstallerController&) = delete;
  ~InstallerController() override;

  // Prepares the run: where the package comes from and where the runner
  // finds it. `payload` (not owned, outlives the controller) is null inside
  // an unpacked package. `quit_closure` ends the main run loop; it runs once,
  // at the end of Terminate. 0 means that the caller runs the loop.
  virtual uint32_t Start(PayloadManager* payload,
                         const base::FilePath& download_folder,
                         base::OnceClosure quit_closure);
  // Ends the run; later calls only log.
  virtual void Terminate();
  // The preference default overrides are fetched (or not needed): the
  // backend may go on with the package.
  virtual void OnTrackingDataDone();

  uint32_t result() const { return result_; }

  // PackageFetcherDelegate (progress is for the window):
  // A fetch that starts (again) deletes the package folder it reported ready
  // before: the kept path goes with it.
  void OnPackageFetcherStatusChanged(uint32_t status) override;
  void SetTotalProgress(uint32_t /*total*/) override {}
  void SetCurrentProgress(uint32_t /*current*/) override {}
  void NotifyStalled() override {}

  // InstallerObserver:
  void OnStepStarting(const std::string& name) override;
  void OnStepFinished(const std::string& name, int attempt, int finished) override;
  void OnError(int code, const std::wstring& text, const std::string& detail) override;
  void OnSuccess() override;
  void OnBackendProcessTerminated(const uint32_t& result) override;

  // SettingsObserver:
  void OnStatsSettingChanged() override;
  void OnLanguageChanged() override;
  void OnPathChanged() override;

 protected:
  // PackageFetcherDelegate:
  // The package is in `package_dir`.
  void OnPackageReady(const base::FilePath& package_dir) override;
  // The package could not be fetched: result 19, with `message` in the
  // error detail and `details` kept for the autoupdate failure report.
  void OnPackageFetcherError(uint32_t code,
                             const std::string& message,
                             const std::vector<FetchDetails>& details) override;

  // Asks for the preference default overrides of a new installation or one
  // over an existing installation, and ends in OnTrackingDataDone; other
  // operations go on to OnTrackingDataDone at once. Asks once in a run: a
  // later call (a package reported ready again) does nothing, and neither
  // does a call after Terminate.
  void FetchPrefDefaultOverrides();
  // In the repair of downloadable resources, once the settings are obtained
  // and the chosen folder holds an installation: fetch only the files its
  // version folder lacks.
  void UseMinimalPackageForExistingInstallation();

  // Start decided that the package must be fetched.
  bool must_fetch_package() const { return must_fetch_package_; }
  bool terminated() const { return terminated_; }
  bool no_payload() const { return no_payload_; }
  const std::string& tracking_data() const { return tracking_data_; }
  MainProcessInstallerRunner* runner() { return runner_.get(); }
  // Null when nothing is fetched, and after Terminate.
  PackageFetcher* package_fetcher() { return package_fetcher_.get(); }
  Settings* settings() { return settings_; }

 private:
  // Whether the settings are settled: no folder details are being gathered.
  bool AreSettingsObtained() const;
  // Starts this installer again for the reinstall the user chose; false
  // (with error 25 reported) when it cannot be started.
  bool StartInstallerAgain();
  // Builds the fetch on a new "Fetcher thread"; the fetch starts with the
  // derived controller's PackageFetcher::Restart.
  void StartPackageFetcher(PayloadManager* payload, const base::FilePath& download_folder);
  // Stops the fetch: the fetcher goes to its thread to be destroyed there,
  // then the thread ends.
  void StopPackageFetcher();

  Settings* const settings_;
  std::string tracking_data_;
  std::string error_detail_;
  std::vector<FetchDetails> fetch_details_;
  bool no_payload_ = false;
  bool must_fetch_package_ = false;
  base::FilePath package_path_;
  base::OnceClosure quit_closure_;
  std::unique_ptr<base::Thread> fetcher_thread_;
  std::unique_ptr<PackageFetcher> package_fetcher_;
  std::unique_ptr<MainProcessInstallerRunner> runner_;
  std::unique_ptr<PrefDefaultOverridesFetcher> pref_overrides_fetcher_;
  // The preference default overrides were asked for: once in a run.
  bool pref_overrides_requested_ = false;
  const FetchDelays fetch_delays_;
  bool terminated_ = false;
  // While Terminate starts the installer again: its failure (25) is still
  // the run's result.
  bool restarting_ = false;
  uint32_t result_;

  base::WeakPtrFactory<InstallerController> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLER_CONTROLLER_H_
