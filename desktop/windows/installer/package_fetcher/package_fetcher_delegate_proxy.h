// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_PROXY_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_PROXY_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/memory/ref_counted.h"
#include "base/memory/scoped_refptr.h"
#include "base/single_thread_task_runner.h"
#include "desktop/windows/installer/avro_stats/fetch_details.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_delegate.h"
#include "desktop/windows/installer/wininet/package_fetch_progress_delegate.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

namespace velta {

class PackageFetcherDelegate;

// Stands between the fetch (Fetcher thread, downloader) and the controller
// (its own thread): every call, from any thread, is posted to the thread
// that made the proxy, and delivered there to the controller's delegate or
// UI callback runner, in the order of the posts, never at once. After
// Detach() (on the controller's thread) calls still on their way reach
// nobody. Shared by the controller's set-up, the sequencer, the fetcher and
// every task in flight.
class PackageFetcherDelegateProxy : public base::RefCountedThreadSafe<PackageFetcherDelegateProxy>,
                                    public UiCallbackRunner,
                                    public PackageFetchProgressDelegate,
                                    public UnpackProgressDelegate {
 public:
  // Both must outlive the proxy or be detached first.
  PackageFetcherDelegateProxy(UiCallbackRunner* controller, PackageFetcherDelegate* delegate);
  PackageFetcherDelegateProxy(const PackageFetcherDelegateProxy&) = delete;
  PackageFetcherDelegateProxy& operator=(const PackageFetcherDelegateProxy&) = delete;

  void NotifyPackageFetcherStatusChanged(uint32_t status);
  void NotifyPackageReady(const base::FilePath& folder);
  void NotifyPackageFetcherError(uint32_t code,
                                 const std::string& detail,
                                 const std::vector<FetchDetails>& details);

  // PackageFetchProgressDelegate:
  void SetTotalProgress(uint32_t total) override;
  void SetCurrentProgress(uint32_t current) override;
  // The code is not passed on.
  void NotifyStalled(uint32_t code) override;

  // UnpackProgressDelegate: unpacking progress arrives as the same total and
  // current progress as the download's.
  void SetTotalFiles(int total) override;
  void OnFileUnpacked(int index) override;

  // UiCallbackRunner:
  void RunUICallbackAndPostReply(UiTask ui_task,
                                 scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override;

  // On the controller's thread.
  void Detach();

 private:
  friend class base::RefCountedThreadSafe<PackageFetcherDelegateProxy>;
  ~PackageFetcherDelegateProxy() override;

  template <typename Function>
  void Post(const char* location, Function function);

  const scoped_refptr<base::SingleThreadTaskRunner> task_runner_;
  // Read and cleared only on task_runner_'s thread.
  PackageFetcherDelegate* delegate_;
  UiCallbackRunner* controller_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_PROXY_H_
