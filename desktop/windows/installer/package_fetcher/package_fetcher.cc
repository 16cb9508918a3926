// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_fetcher.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/memory/ref_counted.h"
#include "desktop/windows/installer/package_fetcher/package_fetch_sequencer.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"

namespace velta {

struct PackageFetcher::FetcherThreadState
    : public base::RefCountedThreadSafe<PackageFetcher::FetcherThreadState> {
  bool started = false;

 private:
  friend class base::RefCountedThreadSafe<FetcherThreadState>;
  ~FetcherThreadState() = default;
};

PackageFetcher::PackageFetcher(std::unique_ptr<PackageFetchSequencer> sequencer,
                               scoped_refptr<base::SingleThreadTaskRunner> fetcher_task_runner,
                               scoped_refptr<PackageFetcherDelegateProxy> proxy,
                               base::TimeDelta countdown_step)
    : fetcher_task_runner_(std::move(fetcher_task_runner)),
      proxy_(std::move(proxy)),
      sequencer_(std::move(sequencer)),
      sequencer_on_fetcher_thread_(sequencer_->GetLifetimeWeakPtr()),
      fetcher_thread_state_(base::MakeRefCounted<FetcherThreadState>()),
      countdown_step_(countdown_step) {
  fetcher_task_runner_->PostTask(
      base::Location("PackageFetcher", __FILE__, __LINE__),
      base::BindOnce(&PackageFetchSequencer::Initialize, sequencer_on_fetcher_thread_));
}

PackageFetcher::~PackageFetcher() {
  proxy_->Detach();
  proxy_ = nullptr;
  // The sequencer's steps run on the Fetcher thread: it goes there, after
  // what is already queued. A thread that no longer runs drops the task, and
  // with it the sequencer, unrun: nothing of it can still be running then.
  if (!fetcher_task_runner_->DeleteSoon(FROM_HERE, std::move(sequencer_)))
    LOG(WARNING) << "The Fetcher thread has ended before the package fetcher";
}

void PackageFetcher::Restart() {
  fetcher_task_runner_->PostTask(base::Location("Restart", __FILE__, __LINE__),
                                 base::BindOnce(
                                     [](base::WeakPtr<PackageFetchSequencer> sequencer,
                                        scoped_refptr<FetcherThreadState> state) {
                                       if (!sequencer)
                                         return;
                                       state->started = true;
                                       sequencer->Restart();
                                     },
                                     sequencer_on_fetcher_thread_, fetcher_thread_state_));
}

void PackageFetcher::SetUseMinimalPackage(const std::vector<std::string>& files) {
  fetcher_task_runner_->PostTask(
      base::Location("SetUseMinimalPackage", __FILE__, __LINE__),
      base::BindOnce(
          [](base::WeakPtr<PackageFetchSequencer> sequencer,
             scoped_refptr<FetcherThreadState> state, std::vector<std::string> files) {
            if (!sequencer)
              return;
            if (state->started)
              sequencer->SetUseMinimalPackageAndRestart(files);
            else
              sequencer->SetUseMinimalPackage(files);
          },
          sequencer_on_fetcher_thread_, fetcher_thread_state_, files));
}

void PackageFetcher::FetchAdditionalFilesOnly() {
  // The flag is read by the run on the Fetcher thread: it is set there, in
  // order with the restart that follows.
  fetcher_task_runner_->PostTask(
      base::Location("FetchAdditionalFilesOnly", __FILE__, __LINE__),
      base::BindOnce(&PackageFetchSequencer::FetchAdditionalFilesOnly,
                     sequencer_on_fetcher_thread_));
}

namespace {

// One second of the retry countdown, on the Fetcher thread: reports
// 6 - `remaining` of 6 and starts over at 0.
void StartIfDelayIsZero(base::WeakPtr<PackageFetchSequencer> sequencer,
                        scoped_refptr<PackageFetcherDelegateProxy> proxy,
                        scoped_refptr<base::SingleThreadTaskRunner> runner,
                        base::TimeDelta step,
                        int remaining) {
  if (!sequencer)
    return;
  proxy->SetCurrentProgress(static_cast<uint32_t>(PackageFetcher::kRetryDelaySeconds - remaining));
  if (remaining == 0) {
    sequencer->Restart();
    return;
  }
  runner->PostDelayedTask(
      base::Location("StartIfDelayIsZero", __FILE__, __LINE__),
      base::BindOnce(&StartIfDelayIsZero, sequencer, proxy, runner, step, remaining - 1), step);
}

}  // namespace

bool PackageFetcher::Retry() {
  if (!sequencer_->CanRetry()) {
    // The last attempt's error, logged by the sequencer, is the run's.
    LOG(ERROR) << "No fetch attempt left: the package fetch has failed";
    return false;
  }
  LOG(INFO) << "Retrying a fetch attempt";
  proxy_->NotifyPackageFetcherStatusChanged(kPackageFetcherRetryPending);
  proxy_->SetTotalProgress(kRetryDelaySeconds);
  proxy_->SetCurrentProgress(0);
  fetcher_task_runner_->PostDelayedTask(
      base::Location("Retry", __FILE__, __LINE__),
      base::BindOnce(&StartIfDelayIsZero, sequencer_on_fetcher_thread_, proxy_,
                     fetcher_task_runner_, countdown_step_, kRetryDelaySeconds - 1),
      countdown_step_);
  return true;
}

}  // namespace velta
