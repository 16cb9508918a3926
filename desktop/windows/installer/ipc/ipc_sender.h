// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_IPC_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_IPC_SENDER_H_

#include <memory>
#include <string>

#include "base/threading/thread.h"

namespace base {
class Pickle;
}

namespace velta {

class MailslotWriter;

// Sends installer messages from a backend to the main process's mailslot.
// Made and used on the backend's main thread; the mailslot is opened and
// written only on the sender's own "Installer IPC thread", in the order of
// the Send calls.
class IpcSender {
 public:
  IpcSender();
  IpcSender(const IpcSender&) = delete;
  IpcSender& operator=(const IpcSender&) = delete;
  // Closes: messages sent before are written first.
  ~IpcSender();

  // Starts the IPC thread and asks it to open "\\.\mailslot\" + `name`.
  // Returns false only if the thread cannot start ("Could not start IPC
  // thread"); a mailslot that cannot be opened is logged there, and every
  // message is then dropped.
  // Not while connected: Close first.
  bool Connect(const std::wstring& name);

  // Hands `message` to the IPC thread to be written. Without a connected
  // mailslot it is dropped.
  void Send(std::unique_ptr<base::Pickle> message);

  // Returns once every message sent before is written (or dropped): another
  // process that writes to the same mailslot after this returns cannot get
  // ahead of them. Blocks the calling thread while the reader lags.
  void Flush();

  // Writes what was sent before, closes the mailslot (logging "Messages
  // unsent: " with the count of those that could not be written) and ends
  // the thread. Safe to call again.
  void Close();

 private:
  void OpenOnIpcThread(const std::wstring& path);
  void SendOnIpcThread(std::unique_ptr<base::Pickle> message);
  void CloseOnIpcThread();

  base::Thread thread_;
  // Lives on the IPC thread; none until the mailslot is open.
  std::unique_ptr<MailslotWriter> writer_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_IPC_SENDER_H_
