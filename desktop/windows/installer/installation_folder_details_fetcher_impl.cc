// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/task/post_task.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/status/installation_status_loader.h"

namespace velta {
namespace {

// An autoupdate run works on an installation that must be there, so its
// status is also looked for among the old copies.
scoped_refptr<InstallationFolderDetailsFetcher> MakeFetcher(const base::FilePath& path,
                                                            bool is_autoupdate) {
  return base::MakeRefCounted<InstallationFolderDetailsFetcherImpl>(
      path, is_autoupdate ? StatusRecoveryMode::kOldFiles : StatusRecoveryMode::kNone);
}

}  // namespace

InstallationFolderDetailsFetcherImpl::InstallationFolderDetailsFetcherImpl(
    const base::FilePath& path, StatusRecoveryMode recovery_mode)
    : path_(path), recovery_mode_(recovery_mode) {}

InstallationFolderDetailsFetcherImpl::~InstallationFolderDetailsFetcherImpl() = default;

// static
InstallationFolderDetailsFetcherFactory InstallationFolderDetailsFetcherImpl::GetFactory() {
  return base::BindRepeating(&MakeFetcher);
}

void InstallationFolderDetailsFetcherImpl::FetchStatus(Callback callback) {
  callback_ = std::move(callback);
  // The task and the reply each hold a reference, so the fetcher lives until
  // the reply ran even when its owner let go of it.
  base::PostTaskAndReplyWithTraits(
      base::Location("FetchStatus", __FILE__, __LINE__), {base::MayBlock()},
      base::BindOnce(&InstallationFolderDetailsFetcherImpl::Gather,
                     scoped_refptr<InstallationFolderDetailsFetcherImpl>(this)),
      base::BindOnce(&InstallationFolderDetailsFetcherImpl::Reply,
                     scoped_refptr<InstallationFolderDetailsFetcherImpl>(this)));
}

void InstallationFolderDetailsFetcherImpl::CancelFetch() {
  callback_.Reset();
}

void InstallationFolderDetailsFetcherImpl::Gather() {
  // Shortcuts and the legacy XML status are read through COM.
  base::win::ScopedCOMInitializer com;
  std::unique_ptr<InstallationFolderDetails> details = CreateInstallationFolderDetails();
  details->Initialize(path_, recovery_mode_);
  details_ = std::move(details);
}

void InstallationFolderDetailsFetcherImpl::Reply() {
  if (callback_)
    std::move(callback_).Run(std::move(details_));
}

}  // namespace velta
