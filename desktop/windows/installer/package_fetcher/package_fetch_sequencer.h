// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCH_SEQUENCER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCH_SEQUENCER_H_

#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"

namespace velta {

// The order of the fetch's steps, their results, statuses, error reports and
// retry counters. Everything runs on the "Fetcher thread" except CanRetry,
// which the controller's thread calls; it is destroyed on the Fetcher thread
// too.
class PackageFetchSequencer {
 public:
  virtual ~PackageFetchSequencer() = default;

  // Makes the downloader and the thread's installer error record.
  virtual void Initialize() = 0;
  virtual void Start() = 0;
  // Drops the replies of the run under way and starts again.
  virtual void Restart() = 0;
  virtual void SetUseMinimalPackageAndRestart(const std::vector<std::string>& files) = 0;
  virtual void SetUseMinimalPackage(const std::vector<std::string>& files) = 0;
  // Whether another attempt is allowed after the failures so far. Any thread.
  virtual bool CanRetry() = 0;
  virtual void FetchAdditionalFilesOnly() = 0;
  // For tasks posted to the Fetcher thread: valid until the sequencer is
  // destroyed there, never invalidated by a restart. Made on any thread,
  // used only on the Fetcher thread.
  virtual base::WeakPtr<PackageFetchSequencer> GetLifetimeWeakPtr() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCH_SEQUENCER_H_
