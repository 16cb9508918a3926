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
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
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

MainPackageDownloaderImpl::MainPackageDownloaderImpl(const base::FilePath& installer_path,
                                                     const std::string& session_guid)
    : installer_path_(installer_path), session_guid_(session_guid) {}

MainPackageDownloaderImpl::~MainPackageDownloaderImpl() {
  ReleasePackageDigest();
}

bool MainPackageDownloaderImpl::UsePayloadPackage(const PayloadManager& payload,
                                                  const base::FilePath& folder) {
  ReleasePackageDigest();
  return payload.GetPayloadType() == kPayloadTypeFullPackage &&
         payload.WritePayloadToFile(folder.Append(kPackageFileName));
}

bool MainPackageDownloaderImpl::DownloadMainPackage(const std::wstring& url,
                                                    const base::FilePath& folder,
                                                    Downloader* downloader,
                                                    DoneCallback done) {
  LOG(INFO) << "Preparing to fetch the installer";
  ReleasePackageDigest();
  auto writer = std::make_unique<WininetResponseWriter>();
  const base::FilePath package = folder.Append(kPackageFileName);
  if (!writer->Open(package))
    return Record(19, "Failed initializing the file to use as download destination");
  // The package is hashed as it arrives (a resumed download goes on with
  // the same writer, so the hash covers the bytes already in the file);
  // VerifyChecksum then needs no second reading of it.
  package_digest_ = std::make_shared<WrittenFileDigest>();
  package_digest_path_ = package;
  writer->HashInto(package_digest_);
  downloader->SetAllowedDomains({});
  if (!downloader->Start(url, std::string(),
                         base::BindOnce(&MainPackageDownloaderImpl::OnDownloaded,
                                        weak_factory_.GetWeakPtr(), downloader, std::move(done)),
                         std::move(writer), std::make_unique<FetchDetailsRecorder>())) {
    ReleasePackageDigest();
    return Record(19, "Failed starting downloading the Velta package");
  }
  return true;
}

void MainPackageDownloaderImpl::OnDownloaded(Downloader* downloader, DoneCallback done) {
  DownloaderState state = downloader->GetState();
  if (state != DownloaderState::kCompleted) {
    ReleasePackageDigest();
    Record(19, downloader->GetError());
    AppendInstallerError(base::StringPrintf("Main package download failed with wininet state: *%d*",
                                            static_cast<int>(state)),
                         0, std::wstring());
  }
  std::move(done).Run(state == DownloaderState::kCompleted, downloader->GetFetchDetails());
}

bool MainPackageDownloaderImpl::VerifyChecksum(const base::FilePath& folder,
                                               const std::string& expected) {
  const base::FilePath package = folder.Append(kPackageFileName);
  std::shared_ptr<WrittenFileDigest> digest = std::move(package_digest_);
  std::string actual;
  int64_t length = 0;
  // The digest taken while downloading counts while its file has been held
  // since the last byte; an empty file is never a package (it cannot be
  // mapped either).
  const bool digested =
      digest && digest->complete() && package_digest_path_ == package && digest->length() > 0;
  if (digested) {
    actual = Sha256DigestToHex(digest->sha256());
    length = digest->length();
  }
  if (digest)
    digest->Release();
  if (digested) {
    if (actual == expected)
      return true;
  } else if (CheckChecksum(package, expected, nullptr, &actual, &length)) {
    return true;
  }
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
  store->SetValue(kWelcomeUrlPref, std::make_unique<base::Value>(*url), 0);
}

bool MainPackageDownloaderImpl::WriteReadyMarker(const base::FilePath& folder) {
  if (base::WriteFile(folder.Append(kPackageReadyFileName), session_guid_))
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
  ReleasePackageDigest();
}

void MainPackageDownloaderImpl::ReleasePackageDigest() {
  if (package_digest_)
    package_digest_->Release();
  package_digest_.reset();
}

}  // namespace velta
