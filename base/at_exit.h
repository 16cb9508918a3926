// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_AT_EXIT_H_
#define BASE_AT_EXIT_H_

#include <vector>

#include "base/callback.h"
#include "base/synchronization/lock.h"

namespace base {

// Runs registered callbacks when it is destroyed, last registered first, like
// atexit() but at a point the program chooses. The entry point makes one on
// its stack before anything registers (lazy instances, the task scheduler's
// shutdown); registering without one is a bug (DCHECKed) and the callback is
// dropped.
//
// Only one manager is active at a time: the most recently made. A test that
// wants its own run of exit callbacks makes a ShadowingAtExitManager, which
// hides the outer manager until it is destroyed.
//
// Threading: callbacks may be registered from any thread; they run on the
// thread that destroys the manager (or calls ProcessCallbacksNow).
class AtExitManager {
 public:
  using AtExitCallbackType = void (*)(void*);

  AtExitManager();
  AtExitManager(const AtExitManager&) = delete;
  AtExitManager& operator=(const AtExitManager&) = delete;
  // Runs the callbacks still registered.
  ~AtExitManager();

  static void RegisterCallback(AtExitCallbackType func, void* param);
  static void RegisterTask(OnceClosure task);

  // Runs and forgets every registered callback now, last first. A callback
  // registered while they run runs in the same pass, before the older ones.
  static void ProcessCallbacksNow();

 protected:
  // `shadow`: hide an existing manager instead of requiring there be none.
  explicit AtExitManager(bool shadow);

 private:
  Lock lock_;
  std::vector<OnceClosure> stack_;
  AtExitManager* const next_manager_;
};

// An AtExitManager that may be made while another is active, for tests.
class ShadowingAtExitManager : public AtExitManager {
 public:
  ShadowingAtExitManager() : AtExitManager(true) {}
};

}  // namespace base

#endif  // BASE_AT_EXIT_H_
