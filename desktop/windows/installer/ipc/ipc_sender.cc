// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ipc/ipc_sender.h"

#include "base/bind.h"
#include "base/logging.h"
#include "base/pickle.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/waitable_event.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/mailslot_writer.h"

namespace velta {

IpcSender::IpcSender() : thread_("Installer IPC thread") {}

IpcSender::~IpcSender() {
  Close();
}

bool IpcSender::Connect(const std::wstring& name) {
  VLOG(1) << "Preparing to send IPC on " << base::WideToUTF8(name);
  DCHECK(!thread_.IsRunning()) << "Connect while connected";
  if (!thread_.StartWithOptions(base::Thread::Options(base::MessageLoop::TYPE_IO, 0))) {
    LOG(ERROR) << "Could not start IPC thread";
    return false;
  }
  thread_.task_runner()->PostTask(FROM_HERE,
                                  base::BindOnce(&IpcSender::OpenOnIpcThread,
                                                 base::Unretained(this), GetMailslotPath(name)));
  return true;
}

void IpcSender::Send(std::unique_ptr<base::Pickle> message) {
  if (!thread_.IsRunning())
    return;
  thread_.task_runner()->PostTask(FROM_HERE,
                                  base::BindOnce(&IpcSender::SendOnIpcThread,
                                                 base::Unretained(this), std::move(message)));
}

void IpcSender::Flush() {
  if (!thread_.IsRunning())
    return;
  // The IPC thread runs its tasks in order: when this one runs, every
  // message posted before it has been handed to the mailslot.
  base::WaitableEvent written;
  thread_.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(&base::WaitableEvent::Signal, base::Unretained(&written)));
  written.Wait();
}

void IpcSender::Close() {
  VLOG(1) << "Stopping RPC sender";
  if (thread_.IsRunning()) {
    thread_.task_runner()->PostTask(
        FROM_HERE, base::BindOnce(&IpcSender::CloseOnIpcThread, base::Unretained(this)));
  }
  thread_.Stop();
}

void IpcSender::OpenOnIpcThread(const std::wstring& path) {
  base::win::ScopedHandle mailslot = MailslotWriter::OpenMailslot(path);
  if (mailslot.IsValid())
    writer_ = std::make_unique<MailslotWriter>(std::move(mailslot));
}

void IpcSender::SendOnIpcThread(std::unique_ptr<base::Pickle> message) {
  if (writer_)
    writer_->Send(std::move(message));
}

void IpcSender::CloseOnIpcThread() {
  writer_.reset();
}

}  // namespace velta
