// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/time/time.h"

namespace velta {

class PackageFetchSequencer;
class PackageFetcherDelegateProxy;

// The controller's handle on the package fetch. Lives on the controller's
// thread and forwards every request to the "Fetcher thread", where the
// sequencer runs. Retrying is the controller's decision (Retry), which
// counts down the retry delay as progress and starts over.
class PackageFetcher {
 public:
  static constexpr int kRetryDelaySeconds = 6;

  // Posts the sequencer's Initialize to `fetcher_task_runner`; fetches
  // nothing yet. `countdown_step` is one second of the retry countdown
  // (tests shorten it).
  PackageFetcher(std::unique_ptr<PackageFetchSequencer> sequencer,
                 scoped_refptr<base::SingleThreadTaskRunner> fetcher_task_runner,
                 scoped_refptr<PackageFetcherDelegateProxy> proxy,
                 base::TimeDelta countdown_step = base::TimeDelta::FromSeconds(1));
  PackageFetcher(const PackageFetcher&) = delete;
  PackageFetcher& operator=(const PackageFetcher&) = delete;
  // Detaches the proxy and hands the sequencer to the Fetcher thread to be
  // destroyed there, after the tasks already posted to it: its steps may
  // still be running there.
  ~PackageFetcher();

  // Starts the first fetch, or starts over.
  void Restart();
  // The files of a minimal package; restarts a fetch that has started.
  void SetUseMinimalPackage(const std::vector<std::string>& files);
  // False when no retry is left; else the fetch starts again after the
  // countdown.
  bool Retry();
  // Fetch only the additional files from the next Restart on (posted to the
  // Fetcher thread ahead of it).
  void FetchAdditionalFilesOnly();

 private:
  // Shared with the tasks on the Fetcher thread, and touched only there.
  struct FetcherThreadState;

  const scoped_refptr<base::SingleThreadTaskRunner> fetcher_task_runner_;
  scoped_refptr<PackageFetcherDelegateProxy> proxy_;
  std::unique_ptr<PackageFetchSequencer> sequencer_;
  // Dereferenced only on the Fetcher thread.
  const base::WeakPtr<PackageFetchSequencer> sequencer_on_fetcher_thread_;
  scoped_refptr<FetcherThreadState> fetcher_thread_state_;
  const base::TimeDelta countdown_step_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_H_
