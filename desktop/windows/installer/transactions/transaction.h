// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_TRANSACTION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_TRANSACTION_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

// The operations that succeeded, in execution order, so that a whole job can
// be rolled back in reverse order. An operation may execute smaller ones into
// a nested transaction, which becomes part of this one when it succeeds.
//
// Destroying a transaction that was not rolled back commits it: its
// operations are destroyed in execution order and finish their work (see
// Operation). Lives on one thread; nothing is locked.
class Transaction {
 public:
  Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  virtual ~Transaction();

  // Runs `operation` with a fresh nested transaction. On success keeps the
  // nested operations and then the operation itself; on failure rolls the
  // operation back, then the nested transaction, and destroys the operation.
  // `operation` is empty afterwards in both cases.
  virtual bool Execute(std::unique_ptr<Operation>& operation, std::string* error);

  // Rolls every kept operation back, last first, then destroys them (first
  // to last, which commits nothing further: their work was undone).
  virtual void Rollback();

  bool empty() const { return operations_.empty(); }
  size_t size() const { return operations_.size(); }

 private:
  std::vector<std::unique_ptr<Operation>> operations_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_TRANSACTION_H_
