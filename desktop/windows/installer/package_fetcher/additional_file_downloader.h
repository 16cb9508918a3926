// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_DOWNLOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_DOWNLOADER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"

namespace velta {

class Downloader;
class PackageVersionChecker;
struct AdditionalFile;

// Fetches the package's additional files one at a time on the fetcher's
// thread: a temporary file, its SHA-256, up to three attempts, then the file
// moved into place or run as a self-extracting archive. Keeps the names that
// become the package's "files_list". A failure here never ends the fetch.
class AdditionalFileDownloader {
 public:
  // The file (null when it gave up) and the last download's details.
  using DoneCallback =
      base::OnceCallback<void(std::unique_ptr<AdditionalFile>, std::vector<FetchDetails>)>;

  virtual ~AdditionalFileDownloader() = default;

  // True when `done` will run later; false when the file was dropped (a
  // downloadable resource of a full-package fetch, an unsafe file name, a
  // temporary file that cannot be made).
  virtual bool DownloadAdditionalFile(const base::FilePath& folder,
                                      Downloader* downloader,
                                      std::unique_ptr<AdditionalFile> file,
                                      bool is_minimal,
                                      bool additional_files_only,
                                      DoneCallback done) = 0;
  virtual void ClearInstalledFiles() = 0;
  // Puts a downloaded file in place; false (installer error set) on failure.
  virtual bool InstallAdditionalFile(PackageVersionChecker* version_checker,
                                     AdditionalFile* file,
                                     const base::FilePath& package_folder,
                                     const base::FilePath& assistant_folder) = 0;
  // Appends the installed names to "files_list" in `folder`.
  virtual void WriteFilesList(const base::FilePath& folder) = 0;
  // Drops the file under way and its reply, and the installed names.
  virtual void Reset() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_DOWNLOADER_H_
