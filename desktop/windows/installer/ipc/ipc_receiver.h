// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_IPC_RECEIVER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_IPC_RECEIVER_H_

#include <atomic>
#include <memory>
#include <string>

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/threading/thread.h"
#include "base/win/scoped_handle.h"

namespace base {
class Pickle;
}

namespace velta {

class MailslotReader;

// The main process's end of the installer's mailslot: creates the mailslot,
// reads it on its own "Installer IPC thread" and hands every message to its
// delegate on the thread that made the receiver.
//
// Made, connected, closed and destroyed on one thread, which runs a message
// loop; the delegate (not owned) must outlive the receiver. A message read
// after the receiver is gone is dropped.
class IpcReceiver {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // A message as read: the caller checks its signature and fields. A
    // buffer that was no well-formed pickle arrives as an empty one.
    virtual void OnMessageReceived(const base::Pickle& message) = 0;
  };

  explicit IpcReceiver(Delegate* delegate);
  IpcReceiver(const IpcReceiver&) = delete;
  IpcReceiver& operator=(const IpcReceiver&) = delete;
  ~IpcReceiver();

  // Creates the mailslot "\\.\mailslot\" + `name` before it returns, so that
  // a process started right afterwards can open it, and starts reading it
  // on the IPC thread. False, with the reason logged, when the thread cannot
  // start ("Could not start IPC thread") or the mailslot cannot be created;
  // then nothing is ever received.
  // Not while connected: Close first.
  bool Connect(const std::wstring& name);

  // Stops reading and closes the mailslot; waits up to one read time-out for
  // the IPC thread to end. Safe to call again, and to Connect afterwards.
  void Close();

  // Hands every message already in the mailslot to the delegate, then runs
  // `done` on this thread (never after the receiver is destroyed). Once the
  // sending process has ended, its last messages thus reach the delegate
  // before `done` runs.
  void Flush(base::OnceClosure done);

  // Called by the reader on the IPC thread: posts a copy of `message` to the
  // delegate's thread.
  void OnMessageReceived(const base::Pickle& message);

 private:
  void StartReadingOnIpcThread(base::win::ScopedHandle mailslot);
  void CloseOnIpcThread();
  void FlushOnIpcThread(base::OnceClosure done);
  void RunFlushDone(base::OnceClosure done);
  void DeliverMessage(std::unique_ptr<base::Pickle> message);

  base::Thread thread_;
  // The constructing thread's runner, where messages are delivered.
  scoped_refptr<base::SingleThreadTaskRunner> owner_task_runner_;
  // Lives on the IPC thread; none until the mailslot exists.
  std::unique_ptr<MailslotReader> reader_;
  Delegate* const delegate_;
  // Set by Close (owning thread), read by the reader between reads.
  std::atomic<bool> stopping_{false};
  // Made here, handed to the IPC thread only to post deliveries back.
  base::WeakPtr<IpcReceiver> weak_this_;
  base::WeakPtrFactory<IpcReceiver> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_IPC_RECEIVER_H_
