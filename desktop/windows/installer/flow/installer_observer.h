// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_OBSERVER_H_

#include <stdint.h>

#include <string>

namespace velta {

// The course of one installation as the `Installer` of the backend reports
// it. The backend runner turns each call into one mailslot message; the
// main-process runner turns each message back into the same call on its own
// observers (the controllers, the window). Phase, total steps and steps
// finished also reach `InstallerProgress` in the main process.
//
// Every operation has an empty body, so an observer overrides only what it
// follows. Called on the main thread of the process that observes.
class InstallerObserver {
 public:
  virtual ~InstallerObserver() = default;

  // The installation folder exists now.
  virtual void OnInstallFolderCreated() {}
  // The installation is handed over to the package's own installer process,
  // which reports through the same channel from now on.
  virtual void OnStartingNewMainProcess(bool /*flag*/) {}
  // A new phase of the installation begins (the progress's phase numbers).
  virtual void OnEnteringPhase(int /*phase*/) {}
  // The package's installer process has ended and the backend goes on.
  virtual void OnReturnedToPreviousMainProcess() {}
  // The number of install steps, once the step list is known.
  virtual void OnTotalSteps(int /*count*/) {}
  virtual void OnStepStarting(const std::string& /*name*/) {}
  // A step ended: `attempt` is the try that ended it (0 = the first),
  // `finished` the number of steps done so far, this one included.
  virtual void OnStepFinished(const std::string& /*name*/, int /*attempt*/, int /*finished*/) {}
  // A notable event inside a step, named by a short text ("file_copy_retry").
  virtual void OnImportantEvent(const std::string& /*name*/) {}
  // The installation failed: an installer error code, a text for the user
  // and a detail for the log.
  virtual void OnError(int /*code*/, const std::wstring& /*text*/, const std::string& /*detail*/) {}
  virtual void OnSuccess() {}
  // The installation was cancelled; never sent over the mailslot.
  virtual void OnInstallationCancelled() {}
  // Main process only: the backend process ended; `result` is its exit code
  // turned back into an installer result.
  virtual void OnBackendProcessTerminated(const uint32_t& /*result*/) {}
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_OBSERVER_H_
