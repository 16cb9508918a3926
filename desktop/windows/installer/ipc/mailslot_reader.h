// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_READER_H_

#include <atomic>
#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace velta {

class IpcReceiver;

// Reads the messages of one mailslot and hands each to its IpcReceiver.
//
// Reads are synchronous and wait at most the slot's read time-out: under
// Wine a mailslot cannot join an I/O completion port (error 87), an
// overlapped read of an empty slot blocks and cancelling does not wake it.
// So the reader reads one message per task on the receiver's IPC thread and
// posts the next read to that thread, until the receiver's stop flag is set
// or a read fails; a stop is seen within one time-out.
//
// Made, used and destroyed on the IPC thread.
class MailslotReader {
 public:
  // How long one read waits for a message.
  static constexpr base::TimeDelta kReadTimeout = base::TimeDelta::FromMilliseconds(50);

  // Creates the mailslot `path` ("\\.\mailslot\...") for reading, with the
  // largest installer message as its maximum and kReadTimeout. Invalid on
  // failure, with "Failed creating " and the path logged with the system
  // error (ERROR_ALREADY_EXISTS while another receiver, or under Wine a
  // writer of an earlier one, holds the name).
  static base::win::ScopedHandle CreateMailslot(const std::wstring& path);

  // `receiver` (not owned) gets the messages and outlives this reader;
  // `stop` (not owned, set by the receiver's thread) ends the reading.
  MailslotReader(base::win::ScopedHandle mailslot, IpcReceiver* receiver,
                 const std::atomic<bool>* stop);
  MailslotReader(const MailslotReader&) = delete;
  MailslotReader& operator=(const MailslotReader&) = delete;
  // Closes the mailslot ("Closing mailslot"); a read posted but not yet run
  // does nothing.
  ~MailslotReader();

  // Reads one message, waiting up to kReadTimeout, hands it on, and posts
  // the next read to the current thread. A read that fails other than by
  // the time-out logs "Cannot read from mailslot" and ends the reading.
  void ReadNext();

  // Reads and hands on every message waiting in the mailslot now, without
  // waiting for more (at most a bounded number, should a writer keep
  // writing).
  void ReadAvailable();

 private:
  enum class ReadResult { kMessage, kNothing, kFailed };

  // Reads one message, waiting up to kReadTimeout, and hands it on.
  ReadResult ReadOne();

  base::win::ScopedHandle mailslot_;
  IpcReceiver* const receiver_;
  const std::atomic<bool>* const stop_;
  // Allocated once, the size of the largest message.
  std::vector<char> buffer_;
  base::WeakPtrFactory<MailslotReader> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_READER_H_
