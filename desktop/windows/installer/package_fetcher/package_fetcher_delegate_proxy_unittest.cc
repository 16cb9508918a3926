// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"

#include <string>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using testing::ElementsAre;

class PackageFetcherDelegateProxyTest : public testing::Test {
 protected:
  void RunUntilIdle() {
    base::RunLoop run_loop;
    run_loop.RunUntilIdle();
  }

  base::MessageLoop message_loop_;
  test::AnsweringUiCallbackRunner controller_{{12032u}};
  test::RecordingFetcherDelegate delegate_;
  scoped_refptr<PackageFetcherDelegateProxy> proxy_ =
      base::MakeRefCounted<PackageFetcherDelegateProxy>(&controller_, &delegate_);
};

// Reports from another thread arrive on the proxy's thread in their order,
// and never at once, even from the proxy's own thread.
TEST_F(PackageFetcherDelegateProxyTest, PostsEveryCallInOrder) {
  base::Thread fetcher("Fetcher thread");
  ASSERT_TRUE(fetcher.Start());
  base::WaitableEvent posted;
  fetcher.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(
                     [](PackageFetcherDelegateProxy* proxy, base::WaitableEvent* posted) {
                       proxy->NotifyPackageFetcherStatusChanged(3);
                       proxy->SetTotalProgress(100);
                       proxy->SetCurrentProgress(40);
                       proxy->NotifyStalled(503);
                       proxy->SetTotalFiles(12);
                       proxy->OnFileUnpacked(5);
                       proxy->NotifyPackageFetcherStatusChanged(5);
                       proxy->NotifyPackageReady(base::FilePath(L"C:\\package"));
                       posted->Signal();
                     },
                     base::Unretained(proxy_.get()), &posted));
  ASSERT_TRUE(posted.TimedWait(base::test::kActionTimeout));
  fetcher.Stop();
  EXPECT_TRUE(delegate_.statuses.empty());
  RunUntilIdle();
  EXPECT_THAT(delegate_.statuses, ElementsAre(3u, 5u));
  EXPECT_THAT(delegate_.progress,
              ElementsAre("total 100", "current 40", "stalled", "total 12", "current 5"));
  ASSERT_EQ(1u, delegate_.ready_folders.size());

  proxy_->NotifyPackageFetcherError(1, "detail", {FetchDetails()});
  EXPECT_EQ(0u, delegate_.errors) << "a call is posted, never delivered at once";
  RunUntilIdle();
  EXPECT_EQ(1u, delegate_.errors);
  EXPECT_EQ(1u, delegate_.error_details.size());
}

TEST_F(PackageFetcherDelegateProxyTest, CallsAfterDetachReachNobody) {
  proxy_->NotifyPackageFetcherStatusChanged(2);
  bool replied = false;
  proxy_->RunUICallbackAndPostReply(
      base::BindOnce([](HWND__*) -> uint32_t { return 0; }), base::ThreadTaskRunnerHandle::Get(),
      base::BindOnce([](bool* replied, uint32_t) { *replied = true; }, &replied));
  proxy_->Detach();
  proxy_->NotifyPackageFetcherError(1, "late", {});
  RunUntilIdle();
  EXPECT_TRUE(delegate_.statuses.empty());
  EXPECT_EQ(0u, delegate_.errors);
  EXPECT_EQ(0, controller_.prompts());
  EXPECT_FALSE(replied);
}

TEST_F(PackageFetcherDelegateProxyTest, UiCallbackGoesToTheControllerAndRepliesBack) {
  uint32_t answer = 0;
  proxy_->RunUICallbackAndPostReply(
      base::BindOnce([](HWND__*) -> uint32_t { return 0; }), base::ThreadTaskRunnerHandle::Get(),
      base::BindOnce([](uint32_t* answer, uint32_t value) { *answer = value; }, &answer));
  RunUntilIdle();
  EXPECT_EQ(1, controller_.prompts());
  EXPECT_EQ(12032u, answer);
}

}  // namespace
}  // namespace velta
