// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INTERPROCESS_STATE_H_
#define DESKTOP_WINDOWS_INSTALLER_INTERPROCESS_STATE_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/common/product/installer_switches.h"

namespace base {
class CommandLine;
}

namespace velta {

class ServerTrackingBlob;

// What one installer process learned from its command line and hands on to
// every installer process it starts, so that the whole tree of processes of
// one installation shares one session: the session GUID (statistics session,
// installer preferences), the package folder, the tracking data, the run mode
// and a few flags.
//
// One process-wide instance (see ProcessWide), made on first use from the
// process's command line, on the main thread before any worker starts, and
// never destroyed; a test puts another in place with
// base::ProcessWide<InterprocessState>::ScopedOverride. Any thread may read it; the
// package folder, its prefix and the tracking data change on the main thread
// only (the setters, ResolvePackageDir, the tracking store's setters).
class InterprocessState {
 public:
  // What GetUiThreadId answers without a usable `ui-thread-id`.
  static constexpr uint32_t kNoUiThreadId = 0xFFFFFFFF;

  InterprocessState(const InterprocessState&) = delete;
  InterprocessState& operator=(const InterprocessState&) = delete;
  virtual ~InterprocessState();

  // The one a test put in place, else the real one.
  static InterprocessState* GetInstance();

  // Writes the state as switches into the command line of a child installer
  // process: the package folder (or, while it is not found yet, its prefix),
  // `inside-package`, the session GUID, the repair mode, the tracking data and
  // the autoupdate, silent and launch-on-start flags. Uninstall,
  // protocol-handler registration and the install options are the settings'
  // to write.
  virtual void AppendToCommandLine(base::CommandLine* command_line) const = 0;

  // The package folder. When only a prefix is known, the folders beside it
  // whose names start with the prefix's last component and that hold a
  // "ready" file are looked at by name: the first whose marker names this
  // session becomes the package folder and is kept, else the first whose
  // marker names none; a marker naming another session is another
  // installer's package. While none fits, the answer is empty and the next
  // call looks again. Touches the file system.
  virtual base::FilePath ResolvePackageDir() = 0;

  virtual std::string GetSessionGuid() const = 0;
  // `autoupdate` was given.
  virtual bool IsAutoupdate() const = 0;
  // `silent` was given.
  virtual bool IsSilent() const = 0;
  // A backend trusts `inside-package` from its parent; any other process asks
  // InstallerUtils, which looks at its own executable's folder.
  virtual bool IsInsidePackage() const = 0;
  virtual bool IsStandalone() const = 0;
  // `launchvelta-on-os-start` was given.
  virtual bool LaunchOnOsStart() const = 0;

  // Replace the folder, or the prefix, that children are given.
  virtual void SetPackageDirPrefix(const base::FilePath& prefix) = 0;
  virtual void SetPackageDir(const base::FilePath& folder) = 0;

  // Whether children are given a package folder: always from a process that
  // is not a backend; from a backend only when its parent gave it one.
  virtual bool HasPackageDir() const = 0;

  // The thread id given with `ui-thread-id`, or kNoUiThreadId when absent or
  // not an unsigned decimal number (the latter logged at ERROR).
  virtual uint32_t GetUiThreadId() const = 0;

  // The tracking store, owned by the state.
  virtual ServerTrackingBlob* GetTrackingData() = 0;

  virtual InstallerMode GetMode() const = 0;

 protected:
  InterprocessState() = default;
};

// Forwarders to InterprocessState::GetInstance().
bool IsAutoupdateRun();
bool IsSilentRun();
ServerTrackingBlob* GetTrackingData();
InstallerMode GetInstallerMode();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INTERPROCESS_STATE_H_
