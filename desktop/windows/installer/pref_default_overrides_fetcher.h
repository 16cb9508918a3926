// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PREF_DEFAULT_OVERRIDES_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_PREF_DEFAULT_OVERRIDES_FETCHER_H_

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/files/file_path.h"

namespace velta {

class Downloader;

// Asks the maker's server for the preference default overrides that fit the
// installation's tracking data and keeps the reply as "pref_default_overrides"
// in the package folder, where an install step carries it to the browser.
// On the controller's thread, with a downloader of its own; no retries.
class PrefDefaultOverridesFetcher {
 public:
  explicit PrefDefaultOverridesFetcher(std::unique_ptr<Downloader> downloader);
  PrefDefaultOverridesFetcher(const PrefDefaultOverridesFetcher&) = delete;
  PrefDefaultOverridesFetcher& operator=(const PrefDefaultOverridesFetcher&) = delete;
  // Drops a pending completion unrun.
  ~PrefDefaultOverridesFetcher();

  // Posts `tracking_data` (a GET when empty) and writes the reply into
  // `folder`. `completion` runs exactly once: at once when the request
  // cannot be sent, else when the reply has been handled. The file is left
  // only when the whole reply arrived.
  void Fetch(const base::FilePath& folder,
             const std::string& tracking_data,
             base::OnceClosure completion);

 private:
  void OnReply(const base::FilePath& path);

  std::unique_ptr<Downloader> downloader_;
  base::OnceClosure completion_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PREF_DEFAULT_OVERRIDES_FETCHER_H_
