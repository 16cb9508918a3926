// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_FETCHER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_FETCHER_IMPL_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/installation_folder_details.h"

namespace velta {

// Gathers a folder's details on a worker of the task scheduler, with COM
// initialised there for the duration, and replies on the thread that called
// FetchStatus. The task scheduler must run.
class InstallationFolderDetailsFetcherImpl : public InstallationFolderDetailsFetcher {
 public:
  // `recovery_mode` is passed to the status loader.
  InstallationFolderDetailsFetcherImpl(const base::FilePath& path,
                                       StatusRecoveryMode recovery_mode);

  // The factory RunInstaller gives the settings: the old status copies are
  // tried only in an autoupdate run.
  static InstallationFolderDetailsFetcherFactory GetFactory();

  void FetchStatus(Callback callback) override;
  void CancelFetch() override;

 private:
  ~InstallationFolderDetailsFetcherImpl() override;

  // On the worker.
  void Gather();
  // Back on the calling thread.
  void Reply();

  const base::FilePath path_;
  const StatusRecoveryMode recovery_mode_;
  Callback callback_;
  // Made on the worker, handed over in Reply.
  std::unique_ptr<InstallationFolderDetails> details_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_FETCHER_IMPL_H_
