// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_H_

#include <stdint.h>
// Included here for CreateMutex and OpenEvent, which <windows.h> renames to
// CreateMutexW and OpenEventW: every user must see the same names.
#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/win/win_api_event.h"

namespace base {
class CommandLine;
struct AppOutputLimits;
struct LaunchOptions;
}  // namespace base

namespace velta {

class WinApiDrive;
class WinApiDriveList;
class WinApiMutex;
class WinApiProcess;
class WinApiRegistryKey;

// The one way the installer's logic reaches the Windows services a test must
// be able to replace: registry keys, starting processes (plainly, elevated,
// or to capture their output), the logical drives, the thread id, the Windows
// version and architecture, named mutexes and events, a yes/no message box,
// and the removal of a link itself. Each call is one system call with no
// decisions; handles come back as owned objects. Under Wine every process is
// an elevated administrator, so the roads that depend on elevation are
// tested through FakeWinApi; so is the removal of a link, since Wine opens
// a link's target.
//
// Process-wide (see ProcessWide): GetInstance() makes the real implementation
// on first use and never destroys it; tests put a FakeWinApi in place with
// base::ProcessWide<WinApi>::ScopedOverride. Stateless, so callable from any
// thread; event watching calls back on the watching sequence.
class WinApi {
 public:
  virtual ~WinApi();

  // The one a test put in place, else the real one.
  static WinApi* GetInstance();

  // Opens (never creates) `root`\`path` with `access`; check IsValid().
  virtual std::unique_ptr<WinApiRegistryKey> OpenRegKey(HKEY root, const std::wstring& path,
                                                        REGSAM access) = 0;
  // Starts `command_line`; the result is invalid when that failed (logged).
  virtual std::unique_ptr<WinApiProcess> LaunchProcess(const base::CommandLine& command_line,
                                                       const base::LaunchOptions& options) = 0;
  // Runs `command_line`, waits for it and collects its standard output. With
  // `take_lock`, holds GetAppOutputLock() for the whole call, so that no
  // other child inherits the output pipe. False, with installer error 1
  // ("Cannot get app output " + the command line), when the child cannot run
  // or ends with a non-zero code. Blocks the calling thread.
  virtual bool GetAppOutput(const base::CommandLine& command_line, std::string* output,
                            bool take_lock) = 0;
  // GetAppOutput for a program that is not trusted to end or to keep its
  // output short: one that runs past `limits.timeout` or writes more than
  // `limits.max_output` bytes is ended and the call fails the same way
  // (base::GetAppOutputWithinLimits).
  virtual bool GetAppOutputWithinLimits(const base::CommandLine& command_line,
                                        const base::AppOutputLimits& limits,
                                        std::string* output,
                                        bool take_lock) = 0;
  virtual std::unique_ptr<WinApiDriveList> GetLogicalDrives() = 0;
  // The drive of `letter` ("A" to "Z", upper case), whether or not it exists.
  virtual std::unique_ptr<WinApiDrive> GetDrive(wchar_t letter) = 0;
  // Starts `command_line` elevated ("runas"; Windows may ask the user).
  // On failure the result holds no process and installer error 8 ("Failed
  // to run the elevated process: " + the system error) is recorded; a user
  // who declines gives ERROR_CANCELLED.
  virtual std::unique_ptr<WinApiProcess> RunElevated(const base::CommandLine& command_line) = 0;
  virtual uint32_t GetCurrentThreadId() = 0;
  // The processor architecture of Windows itself (not of this process):
  // 0 x86, 1 x64, 2 IA64, 3 any other (ARM64 included).
  virtual base::win::OSInfo::WindowsArchitecture GetOsArchitecture() = 0;
  virtual base::win::Version GetWindowsVersion() = 0;
  // Creates or opens the named mutex `name` (inheritable by children when
  // `inheritable`) and waits up to `timeout` (TimeDelta::Max(): without
  // limit) to acquire it; a mutex left by an owner that ended counts as
  // acquired. The result tells IsAcquired().
  virtual std::unique_ptr<WinApiMutex> CreateMutex(const std::wstring& name, bool inheritable,
                                                   base::TimeDelta timeout) = 0;
  // Asks a yes/no question in a message box without owner; true for yes.
  // Blocks until the user answers.
  virtual bool ShowMessageBox(const std::wstring& caption, const std::wstring& text) = 0;
  // Opens the existing named event `name` for waiting; `delegate` (not
  // owned) hears of signals once the result is watched. Check IsValid().
  virtual std::unique_ptr<WinApiEvent> OpenEvent(WinApiEvent::Delegate* delegate,
                                                 const std::wstring& name) = 0;
  // Removes the link (a junction or a symbolic link) `link` itself, never
  // what it leads to: opens the link, not its target, and removes it only
  // when what it opened is a link. False, with the Windows error kept, when
  // it is no link or cannot be removed.
  virtual bool DeleteLink(const base::FilePath& link) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_H_
