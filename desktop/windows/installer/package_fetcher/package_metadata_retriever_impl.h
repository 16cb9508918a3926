// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_METADATA_RETRIEVER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_METADATA_RETRIEVER_IMPL_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"

namespace velta {

// The request URL is the switch `internal-package-server` when it has a
// value; else the autoupdate server's (or, with the switch alone, the
// internal staging server's) "v2/netinstaller/<stream>", with "/windows/x64"
// for the x64 package. Files under the folder of the switch
// `test-downloadable-resources-dir` join the reply's additional files.
class PackageMetadataRetrieverImpl : public PackageMetadataRetriever {
 public:
  // The longest reply taken (a few hundred bytes in practice, with every
  // component listed a few KiB): a longer one fails the download, as a cut
  // one would, and the attempt is retried.
  static constexpr size_t kMaxReplySize = 4 * 1024 * 1024;
  // The longest a request may take from its sending to the end of its
  // reply, a proxy-credentials prompt not counted: a server that trickles
  // its reply is never silent long enough for the network time-out. Past
  // it the download fails, as a cut one would, and the attempt is retried.
  static constexpr base::TimeDelta kReplyTimeLimit = base::TimeDelta::FromMinutes(3);

  // `architecture`: kX64 asks for the x64 package, anything else the x86 one.
  explicit PackageMetadataRetrieverImpl(PackageArchitecture architecture);
  PackageMetadataRetrieverImpl(const PackageMetadataRetrieverImpl&) = delete;
  PackageMetadataRetrieverImpl& operator=(const PackageMetadataRetrieverImpl&) = delete;
  ~PackageMetadataRetrieverImpl() override;

  bool Retrieve(Downloader* downloader,
                const std::vector<std::string>& requested_files,
                const std::string& payload,
                bool accept_all_components,
                bool files_only,
                DoneCallback done) override;
  void Cancel() override;

  // Tests shorten the bound on each request.
  void set_reply_time_limit(base::TimeDelta limit) { reply_time_limit_ = limit; }

  // The reply text parsed into metadata, as the reply handler does. Null
  // (with the installer error set) when the text is not valid metadata.
  static std::unique_ptr<PackageMetadata> ParseReply(const std::string& reply,
                                                     const std::vector<std::string>& requested,
                                                     bool accept_all_components,
                                                     bool files_only);

 private:
  void OnReply(Downloader* downloader,
               std::vector<std::string> requested_files,
               bool accept_all_components,
               bool files_only,
               DoneCallback done);

  const PackageArchitecture architecture_;
  base::TimeDelta reply_time_limit_ = kReplyTimeLimit;
  std::string reply_;
  base::WeakPtrFactory<PackageMetadataRetrieverImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_METADATA_RETRIEVER_IMPL_H_
