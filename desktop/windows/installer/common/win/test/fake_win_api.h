// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_WIN_API_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_WIN_API_H_

#include <stdint.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_impl.h"

namespace velta {

// A WinApi for tests (never linked into the product). It records every call
// and answers what the test set; everything it was not told to answer goes
// to the real WinApiImpl, so mutexes, events, processes and the registry stay
// real. It never re-implements the real operations: a failure on request
// records the same installer error as the real failure would.
//
// Put in place with base::ProcessWide<WinApi>::ScopedOverride, or in a child
// process through common/win/test/fake_hooks (--velta-fake-win-api=...). Configure
// before use; the calls may then come from any thread.
class FakeWinApi : public WinApi {
 public:
  // What RunElevated does.
  enum class ElevationMode {
    // Starts the command line as a plain child process: an elevation the
    // user accepted (the default).
    kLaunchAsChild,
    // Fails as when the user declines the prompt (ERROR_CANCELLED).
    kDecline,
    // The real "runas" launch.
    kReal,
  };

  // One drive of a fake drive list.
  struct FakeDrive {
    unsigned int drive_type = DRIVE_FIXED;
    bool media_present = true;
    // Unset: the real drive's free space.
    std::optional<uint64_t> free_megabytes;
  };

  FakeWinApi();
  FakeWinApi(const FakeWinApi&) = delete;
  FakeWinApi& operator=(const FakeWinApi&) = delete;
  ~FakeWinApi() override;

  // Configuration.
  void set_elevation_mode(ElevationMode mode) { elevation_mode_ = mode; }
  // The answers of the next message boxes, in order; after them every box
  // gets `default_answer`. No box is ever shown.
  void QueueMessageBoxAnswer(bool yes) { message_box_answers_.push_back(yes); }
  void set_default_message_box_answer(bool yes) { default_message_box_answer_ = yes; }
  // GetLogicalDrives answers `drive_mask`; each drive is fixed with a medium
  // unless SetDrive said otherwise. GetDrive answers what SetDrive said for
  // the letter, and the real drive for any other.
  void SetDriveMask(uint32_t drive_mask) { drive_mask_ = drive_mask; }
  void SetDrive(wchar_t letter, const FakeDrive& drive) { drives_[letter] = drive; }
  void SetWindowsVersion(base::win::Version version) { windows_version_ = version; }
  void SetOsArchitecture(base::win::OSInfo::WindowsArchitecture architecture) {
    os_architecture_ = architecture;
  }
  // GetAppOutput and GetAppOutputWithinLimits fail without starting anything.
  void set_fail_app_output(bool fail) { fail_app_output_ = fail; }
  // OpenRegKey and its sub-keys open `root`\`path` as
  // `sandbox_root`\`sandbox_path`\`path` (e.g. HKEY_LOCAL_MACHINE inside a
  // test's own key under HKEY_CURRENT_USER).
  void RedirectRegistryRoot(HKEY root, HKEY sandbox_root, const std::wstring& sandbox_path);
  // Appends every recorded call, as a line, to `path` too: a parent process
  // reads what its child did.
  void set_call_log_path(const base::FilePath& path) { call_log_path_ = path; }

  // Records: one line per call, "<Operation>" and its arguments separated by
  // tabs, in UTF-8, e.g. "RunElevated\t<command line>",
  // "ShowMessageBox\t<caption>\t<text>", "CreateMutex\t<name>".
  std::vector<std::string> calls() const;
  // The arguments of the calls of `operation`, in order.
  std::vector<std::string> CallsTo(const std::string& operation) const;

  // WinApi:
  std::unique_ptr<WinApiRegistryKey> OpenRegKey(HKEY root, const std::wstring& path,
                                                REGSAM access) override;
  std::unique_ptr<WinApiProcess> LaunchProcess(const base::CommandLine& command_line,
                                               const base::LaunchOptions& options) override;
  bool GetAppOutput(const base::CommandLine& command_line, std::string* output,
                    bool take_lock) override;
  bool GetAppOutputWithinLimits(const base::CommandLine& command_line,
                                const base::AppOutputLimits& limits,
                                std::string* output,
                                bool take_lock) override;
  std::unique_ptr<WinApiDriveList> GetLogicalDrives() override;
  std::unique_ptr<WinApiDrive> GetDrive(wchar_t letter) override;
  std::unique_ptr<WinApiProcess> RunElevated(const base::CommandLine& command_line) override;
  uint32_t GetCurrentThreadId() override;
  base::win::OSInfo::WindowsArchitecture GetOsArchitecture() override;
  base::win::Version GetWindowsVersion() override;
  std::unique_ptr<WinApiMutex> CreateMutex(const std::wstring& name, bool inheritable,
                                           base::TimeDelta timeout) override;
  bool ShowMessageBox(const std::wstring& caption, const std::wstring& text) override;
  std::unique_ptr<WinApiEvent> OpenEvent(WinApiEvent::Delegate* delegate,
                                         const std::wstring& name) override;
  // Recorded as "DeleteLink\t<link>", then done for real.
  bool DeleteLink(const base::FilePath& link) override;

 private:
  struct Redirect {
    HKEY sandbox_root;
    std::wstring sandbox_path;
  };

  void Record(const std::string& operation, const std::wstring& argument,
              const std::wstring& second_argument = std::wstring());

  WinApiImpl real_;

  ElevationMode elevation_mode_ = ElevationMode::kLaunchAsChild;
  std::deque<bool> message_box_answers_;
  bool default_message_box_answer_ = false;
  std::optional<uint32_t> drive_mask_;
  std::map<wchar_t, FakeDrive> drives_;
  std::optional<base::win::Version> windows_version_;
  std::optional<base::win::OSInfo::WindowsArchitecture> os_architecture_;
  bool fail_app_output_ = false;
  std::map<HKEY, Redirect> registry_redirects_;
  base::FilePath call_log_path_;

  mutable base::Lock lock_;
  // Guarded by lock_: calls may come from several threads.
  std::vector<std::string> calls_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_WIN_API_H_
