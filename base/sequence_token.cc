// Copyright 2026 Velta Software. All rights reserved.

#include "base/sequence_token.h"

#include <atomic>

namespace base {
namespace {

std::atomic<int64_t> g_next_token{1};
// The token set by a scheduler worker for the task it runs (0 outside).
thread_local int64_t t_scoped_token = 0;
// The thread's own token, used when no task sets one.
thread_local int64_t t_thread_token = 0;

}  // namespace

SequenceToken SequenceToken::Create() {
  return SequenceToken(g_next_token.fetch_add(1, std::memory_order_relaxed));
}

SequenceToken SequenceToken::GetForCurrentThread() {
  if (t_scoped_token)
    return SequenceToken(t_scoped_token);
  if (!t_thread_token)
    t_thread_token = Create().token_;
  return SequenceToken(t_thread_token);
}

ScopedSetSequenceTokenForCurrentThread::ScopedSetSequenceTokenForCurrentThread(
    const SequenceToken& token)
    : previous_scoped_token_(t_scoped_token) {
  t_scoped_token = token.token_;
}

ScopedSetSequenceTokenForCurrentThread::~ScopedSetSequenceTokenForCurrentThread() {
  t_scoped_token = previous_scoped_token_;
}

}  // namespace base
