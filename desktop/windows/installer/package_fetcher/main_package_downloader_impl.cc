// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/main_package_downloader_impl.h"

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/prefs/json_pref_store.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_constants.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/package_fetcher/fetch_details_recorder.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/utils/authenticode.h"
#include "desktop/windows/installer/wininet/downloader.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"

namespace velta {

namespace {

bool Record(uint32_t code, const std::string& detail) {
  return SetInstallerError(code, detail, std::wstring());
}

}  // namespace

MainPackageDownloaderImpl::MainPackageDownloaderImpl(const base::FilePath& installer_path)
    : installer_path_(installer_path) {}

MainPackageDownloaderImpl::~MainPackageDownloaderImpl() = default;

bool MainPackageDownloaderImpl::UsePayloadPackage(const PayloadManager& payload,
                                                  const base::FilePath& folder) {
  return payload.GetPayloadType() == kPayloadTypeFullPackage &&
         payload.WritePayloadToFile(folder.Append(kPackageFileName));
}

bool MainPackageDownloaderImpl::DownloadMainPackage(const std::wstring& url,
                                                    const base::FilePath& folder,
                                                    Downloader* downloader,
                                                    DoneCallback done) {
  LOG(INFO) << "Preparing to fetch the installer";
  auto writer = std::make_unique<WininetResponseWriter>();
  if (!writer->Open(folder.Append(kPackageFileName)))
    return Record(19, "Failed initializing the file to use as download destination");
  downloader->SetAllowedDomains({});
  if (!downloader->Start(url, std::string(),
                         base::BindOnce(&MainPackageDownloaderImpl::OnDownloaded,
                                        weak_factory_.GetWeakPtr(), downloader, std::move(done)),
                         std::move(writer), std::make_unique<FetchDetailsRecorder>())) {
    return Record(19, "Failed starting downloading the Velta package");
  }
  return true;
}

void MainPackageDownloaderImpl::OnDownloaded(Downloader* downloader, DoneCallback done) {
  DownloaderState state = downloader->GetState();
  if (state != DownloaderState::kCompleted) {
    Record(19, downloader->GetError());
    AppendInstallerError(base::StringPrintf("Main package download failed with wininet state: *%d*",
                                            static_cast<int>(state)),
                         0, std::wstring());
  }
  std::move(done).Run(state == DownloaderState::kCompleted, downloader->GetFetchDetails());
}

bool MainPackageDownloaderImpl::VerifyChecksum(const base::FilePath& folder,
                                               const std::string& expected) {
  std::string actual;
  int64_t length = 0;
  if (CheckChecksum(folder.Append(kPackageFileName), expected, nullptr, &actual, &length))
    return true;
  return Record(
      19, base::StringPrintf("Checksum incorrect for the downloaded package, actual %s, "
                             "expected %s, file length %u",
                             actual.c_str(), expected.c_str(), static_cast<uint32_t>(length)));
}

bool MainPackageDownloaderImpl::VerifySignature(const base::FilePath& folder) {
  bool installer_signed = true;
  if (IsFileSigned(installer_path_, &installer_signed) && !installer_signed)
    return true;
  std::string error;
  if (VerifyFileSignature(folder.Append(kPackageFileName).value(), &error))
    return true;
  LOG(ERROR) << "Package signature: " << error;
  return Record(19, "Signature incorrect for the downloaded package");
}

void MainPackageDownloaderImpl::WriteServerTrackingData(const base::FilePath& folder,
                                                        const std::string& tracking_data) {
  if (!tracking_data.empty())
    base::WriteFile(folder.Append(kServerTrackingDataFileName), tracking_data);
}

void MainPackageDownloaderImpl::WriteWelcomePageUrlPref(const PackageMetadata& metadata,
                                                        const base::FilePath& folder) {
  const std::string* url =
      metadata.reply.is_dict() ? metadata.reply.FindStringKey("url_welcome") : nullptr;
  if (!url)
    return;
  VLOG(1) << "Writing welcome page url pref";
  scoped_refptr<base::JsonPrefStore> store = CreateJsonPrefStore(
      GetPrefStoreTaskRunnerMap(), folder.Append(kInstallerPrefsIncludeFileName));
  store->SetValue("welcome-url", std::make_unique<base::Value>(*url), 0);
}

bool MainPackageDownloaderImpl::WriteReadyMarker(const base::FilePath& folder) {
  if (base::WriteFile(folder.Append(kPackageReadyFileName), ""))
    return true;
  return Record(1, "Cannot write the package ready marker.");
}

bool MainPackageDownloaderImpl::CopyInstallerExe(const base::FilePath& folder) {
  if (base::CopyFile(installer_path_, folder.Append(kPackageInstallerFileName)))
    return true;
  return Record(19, "Unable to copy installer.exe to download dir");
}

void MainPackageDownloaderImpl::CancelCallbacks() {
  weak_factory_.InvalidateWeakPtrs();
}

}  // namespace velta
