// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_

#include <stddef.h>

#include <deque>
#include <memory>
#include <string>

#include "base/win/scoped_handle.h"

namespace base {
class Pickle;
}

namespace velta {

// Writes installer messages to an open mailslot, one at a time, in the order
// they were queued.
//
// Writes are synchronous (a mailslot write never waits for the reader). A
// message that cannot be written stays at the head of the queue and is
// tried again, first, when the next one is queued; whatever is still queued
// when the writer is destroyed is counted in "Messages unsent: " and
// dropped. The mailslot's size limit is kept here: Windows refuses a longer
// write, and Wine accepts it and cuts it on reading, so a longer message is
// shortened (its texts cut) before it is queued, or dropped when it cannot
// be; it never holds back the messages after it.
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

  // Queues `message` and writes what the queue holds.
  void Send(std::unique_ptr<base::Pickle> message);

  size_t queued_count() const { return queue_.size(); }

 private:
  // Writes queued messages from the head until one fails.
  void WriteQueued();

  base::win::ScopedHandle mailslot_;
  std::deque<std::unique_ptr<base::Pickle>> queue_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_
