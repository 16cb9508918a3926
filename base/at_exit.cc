// Copyright 2026 Velta Software. All rights reserved.

#include "base/at_exit.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"

namespace base {
namespace {

// The active manager. Changed only by making and destroying managers, which
// happens on the main thread before workers start and after they end.
AtExitManager* g_top_manager = nullptr;

}  // namespace

AtExitManager::AtExitManager() : next_manager_(g_top_manager) {
  DCHECK(!g_top_manager) << "an AtExitManager already exists; tests use ShadowingAtExitManager";
  g_top_manager = this;
}

AtExitManager::AtExitManager(bool shadow) : next_manager_(g_top_manager) {
  DCHECK(shadow || !g_top_manager);
  g_top_manager = this;
}

AtExitManager::~AtExitManager() {
  DCHECK_EQ(this, g_top_manager) << "AtExitManagers must be destroyed in reverse order";
  ProcessCallbacksNow();
  g_top_manager = next_manager_;
}

void AtExitManager::RegisterCallback(AtExitCallbackType func, void* param) {
  DCHECK(func);
  RegisterTask(BindOnce(func, param));
}

void AtExitManager::RegisterTask(OnceClosure task) {
  if (!g_top_manager) {
    DCHECK(false) << "Tried to RegisterCallback without an AtExitManager";
    return;
  }
  AutoLock lock(g_top_manager->lock_);
  g_top_manager->stack_.push_back(std::move(task));
}

void AtExitManager::ProcessCallbacksNow() {
  if (!g_top_manager) {
    DCHECK(false) << "Tried to ProcessCallbacksNow without an AtExitManager";
    return;
  }
  AtExitManager* manager = g_top_manager;
  for (;;) {
    OnceClosure task;
    {
      AutoLock lock(manager->lock_);
      if (manager->stack_.empty())
        return;
      task = std::move(manager->stack_.back());
      manager->stack_.pop_back();
    }
    // Run outside the lock: a callback may register another.
    std::move(task).Run();
  }
}

}  // namespace base
