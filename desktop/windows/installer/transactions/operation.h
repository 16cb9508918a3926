// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_H_

#include <string>

namespace velta {

class Transaction;

// One undoable change to the system (a file, a folder, a registry key or
// value, an unpacked archive), executed into a Transaction.
//
// Destroying an operation that was neither rolled back nor failed commits it:
// operations that only parked data (a deleted file kept under a ".old" name)
// finish their work in their destructors. Such destructors never fail loudly:
// they log and fall back (delete at reboot).
//
// Operations run on the thread that executes the install step (the main
// thread of the installing process) and never throw.
class Operation {
 public:
  virtual ~Operation() = default;

  // Performs the change. Sub-operations (create the missing folder, park the
  // file in the way) are executed into `nested`, which the caller keeps as
  // part of its own transaction on success and rolls back on failure. On
  // failure appends or sets a human-readable reason in `error` (when not null)
  // and leaves undone whatever this operation itself changed.
  virtual bool Do(Transaction* nested, std::string* error) = 0;

  // Undoes what a successful Do did; does nothing when Do did not succeed.
  virtual void Rollback() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_H_
