// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/transaction.h"

#include <utility>

namespace velta {

Transaction::Transaction() = default;

Transaction::~Transaction() {
  // Destroy in execution order: a parked file is deleted only after the
  // operation that replaced it has committed.
  for (std::unique_ptr<Operation>& operation : operations_)
    operation.reset();
}

bool Transaction::Execute(std::unique_ptr<Operation>& operation, std::string* error) {
  std::unique_ptr<Operation> owned = std::move(operation);
  Transaction nested;
  if (!owned->Do(&nested, error)) {
    owned->Rollback();
    nested.Rollback();
    return false;
  }
  for (std::unique_ptr<Operation>& sub_operation : nested.operations_)
    operations_.push_back(std::move(sub_operation));
  nested.operations_.clear();
  operations_.push_back(std::move(owned));
  return true;
}

void Transaction::Rollback() {
  for (auto it = operations_.rbegin(); it != operations_.rend(); ++it)
    (*it)->Rollback();
  std::vector<std::unique_ptr<Operation>> rolled_back = std::move(operations_);
  operations_.clear();
  for (std::unique_ptr<Operation>& operation : rolled_back)
    operation.reset();
}

}  // namespace velta
