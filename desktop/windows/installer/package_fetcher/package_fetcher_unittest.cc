// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_fetcher.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/memory/weak_ptr.h"
#include "base/message_loop/message_loop.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread.h"
#include "desktop/windows/installer/package_fetcher/package_fetch_sequencer.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::ElementsAre;

// Records each request it gets, with whether it came on the Fetcher thread.
class RecordingSequencer : public PackageFetchSequencer {
 public:
  explicit RecordingSequencer(scoped_refptr<base::SingleThreadTaskRunner> fetcher_runner)
      : fetcher_runner_(std::move(fetcher_runner)) {}

  void Initialize() override { Record("Initialize"); }
  void Start() override { Record("Start"); }
  void Restart() override { Record("Restart"); }
  void SetUseMinimalPackageAndRestart(const std::vector<std::string>&) override {
    Record("SetUseMinimalPackageAndRestart");
  }
  void SetUseMinimalPackage(const std::vector<std::string>&) override {
    Record("SetUseMinimalPackage");
  }
  bool CanRetry() override { return false; }
  void FetchAdditionalFilesOnly() override { Record("FetchAdditionalFilesOnly"); }
  base::WeakPtr<PackageFetchSequencer> GetLifetimeWeakPtr() override {
    return weak_factory_.GetWeakPtr();
  }

  // Read once the Fetcher thread has stopped.
  std::vector<std::string> calls;

 private:
  void Record(const std::string& call) {
    calls.push_back(call + (fetcher_runner_->BelongsToCurrentThread() ? "" : " off thread"));
  }

  const scoped_refptr<base::SingleThreadTaskRunner> fetcher_runner_;
  base::WeakPtrFactory<PackageFetchSequencer> weak_factory_{this};
};

// The sequencer's state is the Fetcher thread's alone: the files-only
// request reaches it there, and ahead of the restart that reads it, even
// while the thread is busy with an earlier run.
TEST(PackageFetcherTest, FilesOnlyRequestReachesTheFetcherThreadBeforeTheRestart) {
  base::MessageLoop message_loop;
  base::Thread fetcher_thread("Fetcher thread");
  ASSERT_TRUE(fetcher_thread.Start());
  test::AnsweringUiCallbackRunner ui_runner;
  test::RecordingFetcherDelegate delegate;
  auto proxy = base::MakeRefCounted<PackageFetcherDelegateProxy>(&ui_runner, &delegate);
  auto owned = std::make_unique<RecordingSequencer>(fetcher_thread.task_runner());
  RecordingSequencer* sequencer = owned.get();
  auto fetcher =
      std::make_unique<PackageFetcher>(std::move(owned), fetcher_thread.task_runner(), proxy);
  base::WaitableEvent release;
  fetcher_thread.task_runner()->PostTask(
      FROM_HERE, base::BindOnce([](base::WaitableEvent* event) { event->Wait(); }, &release));

  fetcher->SetUseMinimalPackage({"a.pak"});
  fetcher->FetchAdditionalFilesOnly();
  fetcher->Restart();
  release.Signal();
  // The record is read where it is kept, on the Fetcher thread.
  base::WaitableEvent read;
  std::vector<std::string> calls;
  fetcher_thread.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(
                     [](RecordingSequencer* sequencer, std::vector<std::string>* calls,
                        base::WaitableEvent* read) {
                       *calls = sequencer->calls;
                       read->Signal();
                     },
                     sequencer, &calls, &read));
  ASSERT_TRUE(read.TimedWait(base::test::kActionTimeout));
  fetcher.reset();
  fetcher_thread.Stop();
  proxy = nullptr;
  EXPECT_THAT(calls, ElementsAre("Initialize", "SetUseMinimalPackage", "FetchAdditionalFilesOnly",
                                 "Restart"));
}

}  // namespace
}  // namespace velta
