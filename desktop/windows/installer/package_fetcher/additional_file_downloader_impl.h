// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_DOWNLOADER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_DOWNLOADER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "desktop/windows/installer/package_fetcher/additional_file_downloader.h"

namespace velta {

class PackageFileNames;
class WininetResponseWriter;

class AdditionalFileDownloaderImpl : public AdditionalFileDownloader {
 public:
  // How long a self-extracting archive may run before it is ended and the
  // file fails: the window's thread waits for the Fetcher thread on cancel.
  static constexpr base::TimeDelta kDefaultExtractionTimeout = base::TimeDelta::FromMinutes(5);

  // `installer_path` is the running installer: when it is unsigned, archives
  // are not signature-checked either.
  explicit AdditionalFileDownloaderImpl(
      const base::FilePath& installer_path,
      base::TimeDelta extraction_timeout = kDefaultExtractionTimeout);
  AdditionalFileDownloaderImpl(const AdditionalFileDownloaderImpl&) = delete;
  AdditionalFileDownloaderImpl& operator=(const AdditionalFileDownloaderImpl&) = delete;
  ~AdditionalFileDownloaderImpl() override;

  bool DownloadAdditionalFile(const base::FilePath& folder,
                              Downloader* downloader,
                              std::unique_ptr<AdditionalFile> file,
                              bool is_minimal,
                              bool additional_files_only,
                              DoneCallback done) override;
  void ClearInstalledFiles() override;
  bool InstallAdditionalFile(PackageVersionChecker* version_checker,
                             AdditionalFile* file,
                             const base::FilePath& package_folder,
                             const base::FilePath& assistant_folder) override;
  void WriteFilesList(const base::FilePath& folder) override;
  void Reset() override;

 private:
  base::FilePath NextTemporaryPath();
  // Copies a local test file to the temporary path; its reply is posted.
  bool CopyLocalFile(Downloader* downloader);
  void AttemptDownload(Downloader* downloader, std::unique_ptr<WininetResponseWriter> writer);
  void OnDownloaded(Downloader* downloader);
  void PostDone(bool succeeded, std::vector<FetchDetails> details, const char* location);
  // False when the running installer is unsigned: then nothing it fetches
  // is signature-checked either.
  bool ChecksSignatures() const;
  // Whether the file named `file_name`, which the file system keeps as
  // `kept_name`, would replace a file of the package in `package_folder`
  // (logged when it would); also when the package's names cannot be read.
  bool TakesPackageFileName(const std::wstring& file_name,
                            const std::wstring& kept_name,
                            const base::FilePath& package_folder);

  const base::FilePath installer_path_;
  const base::TimeDelta extraction_timeout_;
  uint32_t temporary_counter_ = 0;
  base::FilePath folder_;
  DoneCallback done_;
  std::unique_ptr<AdditionalFile> current_;
  std::vector<std::string> installed_files_;
  // The names of the package in `package_names_folder_`, read once per
  // package folder.
  base::FilePath package_names_folder_;
  std::unique_ptr<PackageFileNames> package_names_;
  base::WeakPtrFactory<AdditionalFileDownloaderImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_DOWNLOADER_IMPL_H_
