// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_failing_hash.h"

#include <atomic>
#include <memory>

namespace base::test {

namespace {

std::atomic<ScopedFailingHash::Step> g_failing_step{ScopedFailingHash::Step::kCreate};

class FailingHash : public SecureHash {
 public:
  FailingHash(Algorithm type, ScopedFailingHash::Step step) : type_(type), step_(step) {}

  bool Update(const void*, size_t) override { return step_ != ScopedFailingHash::Step::kUpdate; }
  bool Finish(void*, size_t) override { return false; }
  std::unique_ptr<SecureHash> Clone() const override {
    return std::make_unique<FailingHash>(type_, step_);
  }
  size_t GetHashLength() const override { return type_ == SHA1 ? 20 : 32; }

 private:
  const Algorithm type_;
  const ScopedFailingHash::Step step_;
};

std::unique_ptr<SecureHash> MakeFailingHash(SecureHash::Algorithm type) {
  const ScopedFailingHash::Step step = g_failing_step.load();
  if (step == ScopedFailingHash::Step::kCreate)
    return nullptr;
  return std::make_unique<FailingHash>(type, step);
}

}  // namespace

ScopedFailingHash::ScopedFailingHash(Step step)
    : previous_((g_failing_step.store(step), SecureHash::SetFactoryForTesting(&MakeFailingHash))) {}

ScopedFailingHash::~ScopedFailingHash() {
  SecureHash::SetFactoryForTesting(previous_);
}

}  // namespace base::test
