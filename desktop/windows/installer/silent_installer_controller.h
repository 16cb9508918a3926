// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SILENT_INSTALLER_CONTROLLER_H_
#define DESKTOP_WINDOWS_INSTALLER_SILENT_INSTALLER_CONTROLLER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "desktop/windows/installer/installer_controller.h"

namespace velta {

// The controller of a run without a window (`silent`). It makes the
// decisions a window would ask the user for: it starts the installation as
// soon as the settings are obtained, never elevates (an all-users
// installation that would need it becomes a current-user one), and ends the
// run at the first final report: an error, success, a failed fetch, or the
// backend's end (one second later, so that the backend's last messages are
// in).
//
// Same owner and thread as InstallerController.
class SilentInstallerController : public InstallerController {
 public:
  SilentInstallerController(std::unique_ptr<MainProcessInstallerRunner> runner,
                            Settings* settings,
                            const FetchDelays& fetch_delays = {});
  SilentInstallerController(const SilentInstallerController&) = delete;
  SilentInstallerController& operator=(const SilentInstallerController&) = delete;
  ~SilentInstallerController() override;

  // InstallerController:
  uint32_t Start(PayloadManager* payload,
                 const base::FilePath& download_folder,
                 base::OnceClosure quit_closure) override;
  void OnError(int code, const std::wstring& text, const std::string& detail) override;
  void OnSuccess() override;
  void OnBackendProcessTerminated(const uint32_t& result) override;
  // The settings are obtained: the installation starts, unless the folder
  // must change first.
  void OnPathChanged() override;
  // Shows nothing: the answer is 1 at once.
  void RunUICallbackAndPostReply(UiTask ui_task,
                                 scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override;

 protected:
  void OnPackageReady(const base::FilePath& package_dir) override;
  // Asks the fetcher to retry; ends the run (result 19) when it will not.
  void OnPackageFetcherError(uint32_t code,
                             const std::string& message,
                             const std::vector<FetchDetails>& details) override;

 private:
  void RunInstallation();

  bool package_available_ = false;

  base::WeakPtrFactory<SilentInstallerController> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SILENT_INSTALLER_CONTROLLER_H_
