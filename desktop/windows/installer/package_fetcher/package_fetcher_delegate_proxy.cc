// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"

namespace velta {

PackageFetcherDelegateProxy::PackageFetcherDelegateProxy(UiCallbackRunner* controller,
                                                         PackageFetcherDelegate* delegate)
    : task_runner_(base::ThreadTaskRunnerHandle::Get()),
      delegate_(delegate),
      controller_(controller) {}

PackageFetcherDelegateProxy::~PackageFetcherDelegateProxy() = default;

template <typename Function>
void PackageFetcherDelegateProxy::Post(const char* location, Function function) {
  task_runner_->PostTask(
      base::Location(location, __FILE__, __LINE__),
      base::BindOnce(
          [](scoped_refptr<PackageFetcherDelegateProxy> proxy, Function function) {
            if (proxy->delegate_)
              function(proxy->delegate_);
          },
          scoped_refptr<PackageFetcherDelegateProxy>(this), std::move(function)));
}

void PackageFetcherDelegateProxy::NotifyPackageFetcherStatusChanged(uint32_t status) {
  Post("NotifyPackageFetcherStatusChanged", [status](PackageFetcherDelegate* delegate) {
    delegate->OnPackageFetcherStatusChanged(status);
  });
}

void PackageFetcherDelegateProxy::NotifyPackageReady(const base::FilePath& folder) {
  Post("NotifyPackageReady",
       [folder](PackageFetcherDelegate* delegate) { delegate->OnPackageReady(folder); });
}

void PackageFetcherDelegateProxy::NotifyPackageFetcherError(
    uint32_t code,
    const std::string& detail,
    const std::vector<FetchDetails>& details) {
  Post("NotifyPackageFetcherError", [code, detail, details](PackageFetcherDelegate* delegate) {
    delegate->OnPackageFetcherError(code, detail, details);
  });
}

void PackageFetcherDelegateProxy::SetTotalProgress(uint32_t total) {
  Post("SetTotalProgress",
       [total](PackageFetcherDelegate* delegate) { delegate->SetTotalProgress(total); });
}

void PackageFetcherDelegateProxy::SetCurrentProgress(uint32_t current) {
  Post("SetCurrentProgress",
       [current](PackageFetcherDelegate* delegate) { delegate->SetCurrentProgress(current); });
}

void PackageFetcherDelegateProxy::NotifyStalled(uint32_t /*code*/) {
  Post("NotifyStalled", [](PackageFetcherDelegate* delegate) { delegate->NotifyStalled(); });
}

void PackageFetcherDelegateProxy::SetTotalFiles(int total) {
  Post("OnFilesToUnpackCounted", [total](PackageFetcherDelegate* delegate) {
    delegate->SetTotalProgress(static_cast<uint32_t>(total));
  });
}

void PackageFetcherDelegateProxy::OnFileUnpacked(int index) {
  Post("OnUnpackProgressChanged", [index](PackageFetcherDelegate* delegate) {
    delegate->SetCurrentProgress(static_cast<uint32_t>(index));
  });
}

void PackageFetcherDelegateProxy::RunUICallbackAndPostReply(
    UiTask ui_task,
    scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  task_runner_->PostTask(
      base::Location("RunUICallbackAndPostReply", __FILE__, __LINE__),
      base::BindOnce(
          [](scoped_refptr<PackageFetcherDelegateProxy> proxy, UiTask ui_task,
             scoped_refptr<base::SingleThreadTaskRunner> reply_runner, Reply reply) {
            if (proxy->controller_) {
              proxy->controller_->RunUICallbackAndPostReply(
                  std::move(ui_task), std::move(reply_runner), std::move(reply));
            }
          },
          scoped_refptr<PackageFetcherDelegateProxy>(this), std::move(ui_task),
          std::move(reply_runner), std::move(reply)));
}

void PackageFetcherDelegateProxy::Detach() {
  delegate_ = nullptr;
  controller_ = nullptr;
}

}  // namespace velta
