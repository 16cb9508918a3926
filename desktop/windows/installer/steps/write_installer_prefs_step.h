// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLER_PREFS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLER_PREFS_STEP_H_

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace base {
class JsonPrefStore;
}  // namespace base

namespace velta {

// Records in the install folder's installer_prefs.json the choices of this
// run that the browser reads on its first start: welcome page (from the
// package's installer_prefs_include.json), profile, language, session,
// installer id, experiments, temporary folder, autoupdate, data import and
// statistics consent. Other keys of the file are kept.
//
// The store writes on its folder's runner; the step waits (at most
// kWriteTimeout) until the file holds the new preferences, because the
// steps after it (finalize) open the same file and would otherwise read and
// rewrite stale preferences. A write that does not complete in time is a
// failed attempt (retried, then failing the job); the queued write still
// lands, before any later write of the folder. Needs the task scheduler.
//
// The file and the backup the store keeps beside it are part of the run's
// transaction: a failed run puts back what they held, or removes them (a
// new installation's preferences would otherwise outlive it). The
// preferences the finalize step changes in the same file go back with them.
class WriteInstallerPrefsStep : public InstallerStep {
 public:
  static constexpr base::TimeDelta kWriteTimeout = base::TimeDelta::FromSeconds(30);

  // `write_timeout` is kWriteTimeout but in tests of the time-out.
  explicit WriteInstallerPrefsStep(InstallerContext* context,
                                   base::TimeDelta write_timeout = kWriteTimeout);
  ~WriteInstallerPrefsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  // Records `file` as it is in the run's transaction, which puts it back on
  // a rollback. A file that cannot be read is logged and written all the
  // same: the preferences matter more than their undo.
  void KeepForRollback(const base::FilePath& file);

  const base::TimeDelta write_timeout_;
};

// Hands `store`'s changes to its writer and waits up to `timeout` until the
// file holds them. False (logged) when the write did not finish in time;
// the write may still land later.
bool CommitPrefsAndWait(base::JsonPrefStore* store, base::TimeDelta timeout);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLER_PREFS_STEP_H_
