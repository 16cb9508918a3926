// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_IMPL_H_

#include "base/command_line.h"
#include "desktop/windows/installer/common/win/win_api.h"

namespace velta {

// The real WinApi: each operation is the one Windows call it names. Fakes
// may own one to pass through what they do not answer themselves.
class WinApiImpl : public WinApi {
 public:
  WinApiImpl();
  WinApiImpl(const WinApiImpl&) = delete;
  WinApiImpl& operator=(const WinApiImpl&) = delete;
  ~WinApiImpl() override;

  // Record the installer errors of a failed GetAppOutput (1, "Cannot get app
  // output " + the command line) and RunElevated (8, "Failed to run the
  // elevated process: " + the text of `system_error`); fakes that fail on
  // request record the same.
  static void RecordAppOutputFailure(const base::CommandLine& command_line);
  static void RecordElevationFailure(unsigned long system_error);

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
  bool DeleteLink(const base::FilePath& link) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_IMPL_H_
