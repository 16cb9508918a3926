// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_METADATA_RETRIEVER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_METADATA_RETRIEVER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/values.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"

namespace velta {

class Downloader;

// Kinds of additional file, as the metadata names them.
enum AdditionalFileKind : uint32_t {
  kAdditionalFileAssistant = 0,
  kAdditionalFileDownloadableResource = 1,
  kAdditionalFilePartnerContent = 2,
};

// One additional file of the package metadata.
struct AdditionalFile {
  std::wstring location;
  // As the server sent it: checked before it is joined to a folder.
  std::wstring file_name;
  // 1 for a plain file, any other value for a self-extracting archive.
  uint32_t not_archive = 0;
  std::string checksum;
  uint32_t kind = kAdditionalFileAssistant;
  // Non-zero for a network location; 0 for a local test file.
  uint32_t remote = 0;
  // Filled by the additional-file downloader.
  uint32_t attempts = 0;
  base::FilePath temporary_path;
};

// Where the package and its additional files are, and their checksums.
struct PackageMetadata {
  PackageMetadata();
  PackageMetadata(PackageMetadata&&);
  ~PackageMetadata();

  // Empty in files-only mode.
  std::wstring installer_url;
  std::string installer_checksum;
  // Every requested file is listed (the minimal package can be used).
  bool requested_files_listed = false;
  // The whole reply, for keys read later ("url_welcome").
  base::Value reply;
  std::vector<std::unique_ptr<AdditionalFile>> additional_files;
};

// The host allow-list of requests to the maker's servers: its public and
// internal domain suffixes (each starting with "."), and the local host's
// name and 127.0.0.1, which match exactly.
std::vector<std::wstring> GetBuiltInAllowedHosts();

// Asks the update server where the package is (one request through the
// downloader) and parses the reply. On the fetcher's thread.
class PackageMetadataRetriever {
 public:
  // The metadata (null on failure) and the request's download details.
  using DoneCallback =
      base::OnceCallback<void(std::unique_ptr<PackageMetadata>, std::vector<FetchDetails>)>;

  virtual ~PackageMetadataRetriever() = default;

  // Sends the request (a POST of `payload` when it is not empty) for the
  // package and the `requested_files` of a minimal package. False (with the
  // installer error set) when it could not be sent; else `done` runs once,
  // also on failure. `downloader` must outlive the request.
  virtual bool Retrieve(Downloader* downloader,
                        const std::vector<std::string>& requested_files,
                        const std::string& payload,
                        bool accept_all_components,
                        bool files_only,
                        DoneCallback done) = 0;
  // Drops the reply of a request still under way.
  virtual void Cancel() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_METADATA_RETRIEVER_H_
