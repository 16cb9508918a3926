// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_RUN_LOOP_H_
#define BASE_RUN_LOOP_H_

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"

namespace base {

class MessageLoop;
class MessagePumpDispatcher;

// Runs the current thread's MessageLoop until quit:
//
//   base::RunLoop run_loop;
//   controller->Start(run_loop.QuitClosure());
//   run_loop.Run();   // returns once the controller runs the closure
//
// A RunLoop runs once. Run() inside a task nests: the inner loop runs until
// it is quit, the outer one goes on afterwards. A nested loop of type
// kDefault runs no tasks (a UI loop still pumps Windows messages); one of
// type kNestableTasksAllowed runs them.
//
// Quit() ends Run() once the current task is done; before Run(), it makes
// Run() return at once. QuitWhenIdle() ends it once no task is ready to run
// (delayed tasks not yet due do not count). Quitting an outer loop while a
// nested one runs ends the outer one when the nested one returns.
//
// A RunLoop made with a MessagePumpDispatcher (only for TYPE_UI loops) offers
// every Windows message it takes to the dispatcher first; see
// MessagePumpDispatcher for the answers.
//
// Made and run on the thread of its MessageLoop. Quit(), QuitWhenIdle() and
// the closures may be used from any thread: from elsewhere they post to the
// loop's thread (and do nothing if the RunLoop is gone by then).
class RunLoop {
 public:
  enum class Type { kDefault, kNestableTasksAllowed };

  explicit RunLoop(Type type = Type::kDefault);
  // `dispatcher` (not owned) must outlive Run().
  RunLoop(Type type, MessagePumpDispatcher* dispatcher);
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;
  ~RunLoop();

  void Run();
  // Runs until no task is ready, then returns.
  void RunUntilIdle();
  bool running() const { return running_; }

  void Quit();
  void QuitWhenIdle();
  RepeatingClosure QuitClosure();
  RepeatingClosure QuitWhenIdleClosure();

  static bool IsRunningOnCurrentThread();
  static bool IsNestedOnCurrentThread();

  Type type() const { return type_; }
  MessagePumpDispatcher* dispatcher() const { return dispatcher_; }

 private:
  friend class MessageLoop;

  MessageLoop* const loop_;
  const Type type_;
  MessagePumpDispatcher* const dispatcher_;
  const scoped_refptr<SingleThreadTaskRunner> origin_task_runner_;

  bool run_called_ = false;
  bool running_ = false;
  bool quit_called_ = false;
  bool quit_when_idle_received_ = false;

  // Made at construction: posts from other threads copy it, never the
  // factory.
  WeakPtr<RunLoop> weak_self_;
  WeakPtrFactory<RunLoop> weak_factory_{this};
};

}  // namespace base

#endif  // BASE_RUN_LOOP_H_
