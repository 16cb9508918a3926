// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_H_

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/memory/ref_counted.h"
#include "base/memory/scoped_refptr.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_loader.h"

namespace velta {

// What the installer found out about an install folder's earlier
// installation, its shortcuts and pins, and the user who will use it.
struct InstallationFolderStatus {
  InstallationFolderStatus();
  InstallationFolderStatus(const InstallationFolderStatus&);
  InstallationFolderStatus& operator=(const InstallationFolderStatus&);
  ~InstallationFolderStatus();

  bool desktop_shortcut_exists = false;
  bool start_menu_shortcut_exists = false;
  bool quick_launch_shortcut_exists = false;
  bool temporary_shortcut_folder_exists = false;
  bool has_write_access = false;
  // Taskbar pins that start this installation, and those that carry its
  // suffixed app id (its web shortcuts).
  std::vector<base::FilePath> pinned_shortcut_paths;
  std::vector<base::FilePath> pinned_app_id_paths;
  // A shortcut or pin found pointing at an older target: make it anew.
  bool recreate_desktop_shortcut = false;
  bool recreate_start_menu_shortcut = false;
  bool recreate_quick_launch_shortcut = false;
  bool recreate_pinned_shortcut = false;
  bool is_http_handler = false;
  std::optional<bool> import_browser_data;
  std::optional<bool> enable_stats;
  // The user's country code ("unknown" when the browser does not know it).
  std::string country;
  std::wstring language;
  std::string welcome_url;
  // The installation's "server_tracking_data" file.
  std::string tracking_data;
  std::optional<bool> single_profile;
  // Kept for the log; nothing sets it.
  uint32_t old_product_type = static_cast<uint32_t>(-1);
  base::FilePath profile_path;
  base::FilePath temporary_shortcut_folder;
  // "UUID" of the autoupdate global storage.
  std::string uuid;
  // Features that the installation's preferences turned on.
  std::vector<std::string> enabled_experiments;
};

// What the installer learned about a candidate install folder: whether the
// path can be used, which folder above it exists, whether it holds an
// installation (and what that one says), write access and disk space.
//
// Made through CreateInstallationFolderDetails on a worker, filled there by
// Initialize (blocking file, registry and COM work), then handed to the main
// thread, where the settings own it and everyone else only reads it.
class InstallationFolderDetails {
 public:
  // Makes the details objects that CreateInstallationFolderDetails hands out.
  // Process-wide (see base::ProcessWide): the real one makes the real details
  // with a new TaskbandUtilsImpl; tests put theirs in place with
  // base::ProcessWide<InstallationFolderDetails::Factory>::ScopedOverride, on
  // the main thread while no fetch runs. Called on any thread.
  class Factory {
   public:
    virtual ~Factory() = default;
    virtual std::unique_ptr<InstallationFolderDetails> Create() = 0;
  };

  virtual ~InstallationFolderDetails();

  // Examines `path`, loading its status with `recovery_mode`. Needs COM on
  // the calling thread and, for an existing installation, the task
  // scheduler.
  virtual void Initialize(const base::FilePath& path, StatusRecoveryMode recovery_mode) = 0;

  // The status of the installation in the folder, null when none.
  virtual const InstallationStatus* GetExistingInstallation() const = 0;
  virtual const base::FilePath& GetPath() const = 0;
  // The folder itself when it exists, else the nearest existing folder above
  // it; empty when there is none.
  virtual const base::FilePath& GetValidParent() const = 0;
  // kNone, kInvalidPath or kNotEnoughSpace.
  virtual InstallFolderProblem GetInstallationFolderProblem() const = 0;
  virtual std::vector<DriveSpaceNeeded> GetLowDiskSpace() const = 0;
  virtual bool HasExistingInstallation() const = 0;
  // No status was found, but the folder holds launcher.exe.
  virtual bool HasExistingInstallationTraces() const = 0;
  // What the status loader said about an unusable status file, and its text.
  virtual const std::string& GetStatusText1() const = 0;
  virtual const std::string& GetStatusText2() const = 0;
  virtual const std::string& GetWelcomeUrl() const = 0;
  virtual bool IsDesktopShortcutExists() const = 0;
  virtual std::optional<bool> GetEnableStats() const = 0;
  virtual bool HasWriteAccess() const = 0;
  virtual std::optional<bool> GetImportBrowserData() const = 0;
  virtual bool IsHttpHandler() const = 0;
  virtual const std::string& GetCountry() const = 0;
  virtual const std::wstring& GetLanguage() const = 0;
  virtual uint32_t GetOldProductType() const = 0;
  virtual const std::vector<base::FilePath>& GetPinnedShortcutPaths() const = 0;
  virtual const std::vector<base::FilePath>& GetPinnedAppIdPaths() const = 0;
  virtual const base::FilePath& GetProfilePath() const = 0;
  virtual bool IsQuickLaunchShortcutExists() const = 0;
  virtual const base::FilePath& GetTemporaryShortcutFolder() const = 0;
  virtual bool IsTemporaryShortcutFolderExists() const = 0;
  virtual const std::string& GetTrackingData() const = 0;
  virtual bool ShouldRecreateDesktopShortcut() const = 0;
  virtual bool ShouldRecreatePinnedShortcut() const = 0;
  virtual bool ShouldRecreateQuickLaunchShortcut() const = 0;
  virtual bool ShouldRecreateStartMenuShortcut() const = 0;
  virtual std::optional<bool> GetSingleProfile() const = 0;
  virtual bool IsStartMenuShortcutExists() const = 0;
  // Whether the installation's stored experiment states turn `feature` on.
  virtual bool GetExperimentState(std::string_view feature) const = 0;
  virtual std::string GetUuid() const = 0;
};

// Gathers the details of one folder away from the calling thread and hands
// them back to it. Reference-counted: the gathering keeps the fetcher alive
// until its reply ran. FetchStatus and CancelFetch are called on the thread
// that made the fetcher.
class InstallationFolderDetailsFetcher
    : public base::RefCountedThreadSafe<InstallationFolderDetailsFetcher> {
 public:
  // Receives the gathered details (ownership passes).
  using Callback =
      base::OnceCallback<void(std::unique_ptr<InstallationFolderDetails> details)>;

  // Starts gathering; `callback` runs later on the calling thread, unless
  // CancelFetch was called before.
  virtual void FetchStatus(Callback callback) = 0;
  // Drops the callback: a gathering that still runs ends unheard.
  virtual void CancelFetch() = 0;

 protected:
  friend class base::RefCountedThreadSafe<InstallationFolderDetailsFetcher>;
  virtual ~InstallationFolderDetailsFetcher() = default;
};

// Makes the fetcher of the details of `path`; `is_autoupdate` tells an
// autoupdate run. The settings are given one at construction.
using InstallationFolderDetailsFetcherFactory =
    base::RepeatingCallback<scoped_refptr<InstallationFolderDetailsFetcher>(
        const base::FilePath& path, bool is_autoupdate)>;

// Makes an empty details object through the process-wide factory.
std::unique_ptr<InstallationFolderDetails> CreateInstallationFolderDetails();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_H_
