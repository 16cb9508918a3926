// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_

#include <stddef.h>

#include <memory>
#include <string>

#include "base/win/scoped_handle.h"

namespace base {
class Pickle;
}

namespace velta {

// Writes installer messages to an open mailslot, one at a time, in the order
// they are sent.
//
// Writes are synchronous (a mailslot write never waits for the reader, and
// fails only once the receiver has gone). The first failed write closes the
// mailslot: that message and every one sent after it is dropped and counted
// in "Messages unsent: " when the writer is destroyed, so nothing piles up
// for a receiver that will never read it. The mailslot's size limit is kept
// here: Windows refuses a longer write, and Wine accepts it and cuts it on
// reading, so a longer message is shortened (its texts cut) before it is
// written, or dropped when it cannot be; it never holds back the messages
// after it.
//
// Made, used and destroyed on the sender's IPC thread.
class MailslotWriter {
 public:
  // Opens the mailslot `path` ("\\.\mailslot\...") for writing. Invalid on
  // failure, with "Failed opening " and the path logged with the system
  // error: ERROR_FILE_NOT_FOUND while no receiver has created it.
  static base::win::ScopedHandle OpenMailslot(const std::wstring& path);

  explicit MailslotWriter(base::win::ScopedHandle mailslot);
  MailslotWriter(const MailslotWriter&) = delete;
  MailslotWriter& operator=(const MailslotWriter&) = delete;
  // Closes the mailslot and logs how many messages were never written.
  ~MailslotWriter();

  // Writes `message`, or counts it as unsent once a write has failed.
  void Send(std::unique_ptr<base::Pickle> message);

  size_t unsent_count() const { return unsent_count_; }

 private:
  base::win::ScopedHandle mailslot_;
  size_t unsent_count_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_
