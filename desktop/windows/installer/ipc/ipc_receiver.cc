// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ipc/ipc_receiver.h"

#include "base/bind.h"
#include "base/logging.h"
#include "base/pickle.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/mailslot_reader.h"

namespace velta {

IpcReceiver::IpcReceiver(Delegate* delegate)
    : thread_("Installer IPC thread"),
      owner_task_runner_(base::ThreadTaskRunnerHandle::Get()),
      delegate_(delegate) {
  weak_this_ = weak_factory_.GetWeakPtr();
}

IpcReceiver::~IpcReceiver() {
  Close();
  weak_factory_.InvalidateWeakPtrs();
}

bool IpcReceiver::Connect(const std::wstring& name) {
  VLOG(1) << "Preparing to receive IPC on " << base::WideToUTF8(name);
  DCHECK(!thread_.IsRunning()) << "Connect while connected";
  stopping_ = false;
  if (!thread_.StartWithOptions(base::Thread::Options(base::MessageLoop::TYPE_IO, 0))) {
    LOG(ERROR) << "Could not start IPC thread";
    return false;
  }
  // Made here rather than on the IPC thread: the backend is launched as soon
  // as this returns, and it can open only a mailslot that already exists.
  base::win::ScopedHandle mailslot = MailslotReader::CreateMailslot(GetMailslotPath(name));
  if (!mailslot.IsValid()) {
    thread_.Stop();
    return false;
  }
  thread_.task_runner()->PostTask(FROM_HERE,
                                  base::BindOnce(&IpcReceiver::StartReadingOnIpcThread,
                                                 base::Unretained(this), std::move(mailslot)));
  return true;
}

void IpcReceiver::Close() {
  VLOG(1) << "Stopping RPC receiver";
  stopping_ = true;
  if (thread_.IsRunning()) {
    thread_.task_runner()->PostTask(
        FROM_HERE, base::BindOnce(&IpcReceiver::CloseOnIpcThread, base::Unretained(this)));
  }
  // Runs what is posted (the read in progress ends within its time-out and
  // posts no further read), then ends the thread.
  thread_.Stop();
}

void IpcReceiver::Flush(base::OnceClosure done) {
  if (thread_.IsRunning()) {
    thread_.task_runner()->PostTask(FROM_HERE,
                                    base::BindOnce(&IpcReceiver::FlushOnIpcThread,
                                                   base::Unretained(this), std::move(done)));
  } else {
    owner_task_runner_->PostTask(
        FROM_HERE, base::BindOnce(&IpcReceiver::RunFlushDone, weak_this_, std::move(done)));
  }
}

void IpcReceiver::OnMessageReceived(const base::Pickle& message) {
  owner_task_runner_->PostTask(
      FROM_HERE, base::BindOnce(&IpcReceiver::DeliverMessage, weak_this_,
                                std::make_unique<base::Pickle>(message)));
}

void IpcReceiver::StartReadingOnIpcThread(base::win::ScopedHandle mailslot) {
  reader_ = std::make_unique<MailslotReader>(std::move(mailslot), this, &stopping_);
  reader_->ReadNext();
}

void IpcReceiver::CloseOnIpcThread() {
  reader_.reset();
}

void IpcReceiver::FlushOnIpcThread(base::OnceClosure done) {
  if (reader_)
    reader_->ReadAvailable();
  // Posted after the messages just read, so it runs after their delivery.
  owner_task_runner_->PostTask(
      FROM_HERE, base::BindOnce(&IpcReceiver::RunFlushDone, weak_this_, std::move(done)));
}

void IpcReceiver::RunFlushDone(base::OnceClosure done) {
  std::move(done).Run();
}

void IpcReceiver::DeliverMessage(std::unique_ptr<base::Pickle> message) {
  delegate_->OnMessageReceived(*message);
}

}  // namespace velta
