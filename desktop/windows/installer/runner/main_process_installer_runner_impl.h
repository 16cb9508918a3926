// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/observer_list.h"
#include "base/process/process.h"
#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"

namespace base {
class Pickle;
class PickleIterator;
}

namespace velta {

class InstallerProgress;
class InterprocessState;
class WinApiMutex;

// What a run of the backend takes from the settings and the crash reporter.
struct BackendLaunchParameters {
  // The chosen installation folder exactly as the settings hold it: it
  // names the installer mutex, the two events and the mailslot.
  base::FilePath install_folder;
  // The settings written out as switches, for the backend's command line.
  base::CommandLine settings_switches{base::CommandLine::NO_PROGRAM};
  // The crash reporter's process id; 0 when this process started none.
  uint32_t crash_reporter_pid = 0;
};

// What MainProcessInstallerRunnerImpl adds to each backend it starts. The
// defaults are the shipped ones.
struct BackendRunnerOptions {
  // This process's crash reporter (0: none); Run hands it to the backend as
  // `crash-reporter-pid`.
  uint32_t crash_reporter_pid = 0;
  // Switches added to every backend command line, after the settings' own:
  // tests make the backend a stand-in child role of the test binary.
  base::CommandLine extra_backend_switches{base::CommandLine::NO_PROGRAM};
};

// Runs the backend of one installation from the main process.
//
// Run takes the installer mutex of the folder ("Global\Velta/Installer/"
// and the folder with "/" for "\") and the one of its case-folded name, so
// that one installer at a time works on a folder, creates the mailslot
// receiver and the installation-interrupted and package-ready events, and
// launches this executable with `backend`, the settings' switches, the shared
// process state, its own process id and an inheritable handle of itself.
// Each mailslot message then becomes one InstallerObserver call on the
// observers, or an update of the progress; the end of the backend becomes
// OnBackendProcessTerminated with its exit code turned into an installer
// result.
//
// Made, used and destroyed on the main thread, which runs a message loop.
class MainProcessInstallerRunnerImpl : public MainProcessInstallerRunner,
                                       public base::win::ObjectWatcher::Delegate,
                                       public IpcReceiver::Delegate {
 public:
  // `progress` and `interprocess_state` (the process-wide one in the
  // installer) are not owned and outlive the runner.
  MainProcessInstallerRunnerImpl(InstallerProgress* progress,
                                 InterprocessState* interprocess_state,
                                 BackendRunnerOptions options = {});
  MainProcessInstallerRunnerImpl(const MainProcessInstallerRunnerImpl&) = delete;
  MainProcessInstallerRunnerImpl& operator=(const MainProcessInstallerRunnerImpl&) = delete;
  ~MainProcessInstallerRunnerImpl() override;

  // MainProcessInstallerRunner:
  uint32_t Run(Settings* settings) override;
  void SetPackagePaths(const base::FilePath& package_folder,
                       const base::FilePath& assistant_folder) override;
  void Stop() override;
  void OnPackageReady() override;
  void AddObserver(InstallerObserver* observer) override;
  void RemoveObserver(InstallerObserver* observer) override;

  // What Run does once the settings are checked and written out: the mutex,
  // the mailslot, the events and the launch. Tests start a stand-in backend
  // through it.
  uint32_t RunWithParameters(const BackendLaunchParameters& parameters);

  // base::win::ObjectWatcher::Delegate: the backend process ended.
  void OnObjectSignaled(void* object) override;

  // IpcReceiver::Delegate: one message from the backend. A message that is
  // not an installer message, or whose fields cannot be read, is logged and
  // dropped.
  void OnMessageReceived(const base::Pickle& message) override;

 private:
  // Logs the start of a run; false (and logged) when one is active already.
  bool BeginRun();
  uint32_t RunOnce(const BackendLaunchParameters& parameters);
  // Creates `package_ready_event_`; false with installer error 1.
  bool CreatePackageReadyEvent(const base::FilePath& install_folder);
  // Adds the inheritable handle of this process and launches; the result
  // code of Run.
  uint32_t LaunchBackend(base::CommandLine* command_line);
  void DispatchMessage(int type, base::PickleIterator* iterator);
  // Tells the observers the backend's result, once its messages are in.
  // Runs only while `receiver_` (and so this runner) exists.
  void ReportBackendEnded();

  InstallerProgress* const progress_;
  InterprocessState* const interprocess_state_;
  const BackendRunnerOptions options_;
  IpcReceiver receiver_{this};
  // Kept for the controller; the runner does not use it.
  base::FilePath package_folder_;
  base::FilePath assistant_folder_;
  base::Process backend_process_;
  std::unique_ptr<WinApiMutex> installer_mutex_;
  // The mutex of the folder's case-folded name (kFoldedInstallerMutexBaseName).
  std::unique_ptr<WinApiMutex> folded_mutex_;
  base::win::ObjectWatcher backend_watcher_;
  base::win::ScopedHandle package_ready_event_;
  base::win::ScopedHandle interrupted_event_;
  // From Run until Stop, with what that Run answered.
  bool run_active_ = false;
  uint32_t run_result_ = 0;
  bool package_ready_ = false;
  bool backend_running_ = false;
  base::ObserverList<InstallerObserver> observers_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_
