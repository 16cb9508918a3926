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
  // failure appends or sets a human-readable reason in `error` (when not
  // null); what this operation itself changed before it failed (a file
  // written, some of the keys of a tree deleted) may still be in place, for
  // Rollback to undo.
  virtual bool Do(Transaction* nested, std::string* error) = 0;

  // Undoes what Do changed: all of it after a success, and whatever part of
  // it happened after a failure, as the caller rolls a failed Do back too
  // (before `nested`). Does nothing when Do changed nothing or never ran, and
  // when called again.
  virtual void Rollback() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_H_
