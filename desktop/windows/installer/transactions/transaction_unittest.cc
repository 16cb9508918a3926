// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/transaction.h"

#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

// Records Do, Rollback and destruction in a shared journal; may fail, and may
// execute children into its nested transaction first.
class JournalOperation : public Operation {
 public:
  JournalOperation(std::string name, std::vector<std::string>* journal, bool fail = false)
      : name_(std::move(name)), journal_(journal), fail_(fail) {}
  ~JournalOperation() override { journal_->push_back("~" + name_); }

  void AddChild(std::unique_ptr<Operation> child) { children_.push_back(std::move(child)); }

  bool Do(Transaction* nested, std::string* error) override {
    journal_->push_back("do " + name_);
    for (std::unique_ptr<Operation>& child : children_) {
      if (!nested->Execute(child, error))
        return false;
    }
    if (fail_) {
      *error += name_ + " failed";
      return false;
    }
    done_ = true;
    return true;
  }
  void Rollback() override {
    if (done_)
      journal_->push_back("undo " + name_);
    done_ = false;
  }

 private:
  const std::string name_;
  std::vector<std::string>* const journal_;
  const bool fail_;
  bool done_ = false;
  std::vector<std::unique_ptr<Operation>> children_;
};

TEST(TransactionTest, NestedOperationsComeFirstAndCommitInOrder) {
  std::vector<std::string> journal;
  {
    Transaction transaction;
    auto parent = std::make_unique<JournalOperation>("copy", &journal);
    parent->AddChild(std::make_unique<JournalOperation>("mkdir", &journal));
    parent->AddChild(std::make_unique<JournalOperation>("park", &journal));
    std::unique_ptr<Operation> operation = std::move(parent);
    std::string error;
    ASSERT_TRUE(transaction.Execute(operation, &error)) << error;
    EXPECT_FALSE(operation);
    EXPECT_EQ(3u, transaction.size());
  }
  EXPECT_THAT(journal, ElementsAre("do copy", "do mkdir", "do park", "~mkdir", "~park", "~copy"));
}

TEST(TransactionTest, FailedOperationUndoesItselfAndItsNestedWork) {
  std::vector<std::string> journal;
  Transaction transaction;
  std::unique_ptr<Operation> first = std::make_unique<JournalOperation>("first", &journal);
  std::string error;
  ASSERT_TRUE(transaction.Execute(first, &error));

  auto failing = std::make_unique<JournalOperation>("copy", &journal, /*fail=*/true);
  failing->AddChild(std::make_unique<JournalOperation>("mkdir", &journal));
  std::unique_ptr<Operation> operation = std::move(failing);
  EXPECT_FALSE(transaction.Execute(operation, &error));
  EXPECT_EQ("copy failed", error);
  EXPECT_FALSE(operation);
  EXPECT_EQ(1u, transaction.size());
  EXPECT_THAT(journal, ElementsAre("do first", "do copy", "do mkdir", "undo mkdir", "~mkdir",
                                   "~copy"));
}

TEST(TransactionTest, RollbackUndoesLastFirstAndLeavesNothing) {
  std::vector<std::string> journal;
  Transaction transaction;
  std::string error;
  for (const char* name : {"a", "b", "c"}) {
    std::unique_ptr<Operation> operation = std::make_unique<JournalOperation>(name, &journal);
    ASSERT_TRUE(transaction.Execute(operation, &error));
  }
  journal.clear();
  transaction.Rollback();
  EXPECT_TRUE(transaction.empty());
  EXPECT_THAT(journal, ElementsAre("undo c", "undo b", "undo a", "~a", "~b", "~c"));
}

}  // namespace
}  // namespace velta
