// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_SEQUENCED_TASK_RUNNER_H_
#define BASE_SEQUENCED_TASK_RUNNER_H_

#include <memory>

#include "base/task_runner.h"

namespace base {

// A task runner whose tasks run one at a time, in posting order (delayed
// ones by due time, ties in posting order), each seeing the effects of the
// ones before.
class SequencedTaskRunner : public TaskRunner {
 public:
  // Deletes `object` on this sequence. If the runner no longer accepts
  // tasks the object is leaked, never deleted on the wrong sequence.
  template <class T>
  bool DeleteSoon(const Location& from_here, const T* object) {
    return DeleteOrReleaseSoonInternal(from_here, &DeleteHelper<T>, object);
  }
  template <class T>
  bool DeleteSoon(const Location& from_here, std::unique_ptr<T> object) {
    return DeleteSoon(from_here, object.release());
  }
  // Releases one reference of `object` on this sequence.
  template <class T>
  bool ReleaseSoon(const Location& from_here, const T* object) {
    return DeleteOrReleaseSoonInternal(from_here, &ReleaseHelper<T>, object);
  }

  bool RunsTasksInCurrentSequence() const override = 0;

 protected:
  ~SequencedTaskRunner() override = default;

 private:
  template <class T>
  static void DeleteHelper(const void* object) {
    delete static_cast<const T*>(object);
  }
  template <class T>
  static void ReleaseHelper(const void* object) {
    static_cast<const T*>(object)->Release();
  }

  bool DeleteOrReleaseSoonInternal(const Location& from_here,
                                   void (*deleter)(const void*),
                                   const void* object);
};

}  // namespace base

#endif  // BASE_SEQUENCED_TASK_RUNNER_H_
