// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/run_loop.h"
#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"
#include "desktop/windows/installer/runner/backend_process_installer_runner.h"
#include "desktop/windows/installer/settings.h"

namespace base {
class Pickle;
}

namespace velta {

class InstallerJob;

// The backend's runner: watches the process that started the backend (the
// window or silent installer, from `initial-proc-handle` or `initial-pid`),
// waits until the settings have the folder's details, runs the installer job
// on the main thread's loop and sends each of the job's reports to the main
// process as one mailslot message. Main thread only.
class BackendProcessInstallerRunnerImpl : public BackendProcessInstallerRunner,
                                          public SettingsObserver,
                                          public InstallerObserver,
                                          public base::win::ObjectWatcher::Delegate {
 public:
  // The results of a backend that cannot tell which process started it.
  static constexpr uint32_t kResultInitialProcessUnusable = 17;
  static constexpr uint32_t kResultMissingInitialProcess = 21;
  static constexpr uint32_t kResultBadInitialPid = 23;
  static constexpr uint32_t kResultBadInitialProcessHandle = 24;

  explicit BackendProcessInstallerRunnerImpl(std::unique_ptr<InstallerJob> installer);
  BackendProcessInstallerRunnerImpl(const BackendProcessInstallerRunnerImpl&) = delete;
  BackendProcessInstallerRunnerImpl& operator=(const BackendProcessInstallerRunnerImpl&) = delete;
  // Stops watching, destroys the job, then closes the mailslot: what was
  // sent before is written first.
  ~BackendProcessInstallerRunnerImpl() override;

  // BackendProcessInstallerRunner:
  uint32_t Run(Settings* settings) override;

  // SettingsObserver:
  void OnStatsSettingChanged() override;
  void OnLanguageChanged() override;
  void OnPathChanged() override;

  // InstallerObserver:
  void OnInstallFolderCreated() override;
  void OnStartingNewMainProcess(bool flag) override;
  void OnEnteringPhase(int phase) override;
  void OnReturnedToPreviousMainProcess() override;
  void OnTotalSteps(int count) override;
  void OnStepStarting(const std::string& name) override;
  void OnStepFinished(const std::string& name, int attempt, int finished) override;
  void OnImportantEvent(const std::string& name) override;
  void OnError(int code, const std::wstring& text, const std::string& detail) override;
  void OnSuccess() override;
  void OnInstallationCancelled() override;

 private:
  // base::win::ObjectWatcher::Delegate: the initial process ended.
  void OnObjectSignaled(void* object) override;

  // 0, or the result that ends Run.
  uint32_t OpenInitialProcess();
  void StartInstallation();

  base::RunLoop run_loop_;
  base::win::ScopedHandle initial_process_;
  base::win::ObjectWatcher initial_process_watcher_;
  IpcSender sender_;
  std::unique_ptr<InstallerJob> installer_;
  Settings* settings_ = nullptr;
  // Whether this runner waits for the settings' folder details (and so is
  // among their observers).
  bool observing_settings_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_IMPL_H_
