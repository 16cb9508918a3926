// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_UI_CALLBACK_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_UI_CALLBACK_RUNNER_H_

#include <stdint.h>

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/single_thread_task_runner.h"

struct HWND__;

namespace velta {

// Runs a task that needs the user interface (the proxy-credentials dialog)
// on the UI thread and posts its answer back. The controllers implement it.
class UiCallbackRunner {
 public:
  // Gets the parent window (null without a window) and answers a value.
  using UiTask = base::OnceCallback<uint32_t(HWND__* parent)>;
  using Reply = base::OnceCallback<void(uint32_t)>;

  virtual ~UiCallbackRunner() = default;

  // Runs `ui_task` on the UI thread, then posts `reply` with its answer to
  // `reply_runner`. A silent run answers without a dialog.
  virtual void RunUICallbackAndPostReply(UiTask ui_task,
                                         scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                         Reply reply) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_UI_CALLBACK_RUNNER_H_
