// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/test/scoped_installer_threads.h"

#include "base/run_loop.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/time/time.h"
#include "desktop/windows/installer/settings.h"

namespace velta {

ScopedInstallerThreads::ScopedInstallerThreads() {
  base::TaskScheduler::Create("installer");
  const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
  base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(one, one, one, one));
}

ScopedInstallerThreads::~ScopedInstallerThreads() {
  base::TaskScheduler::GetInstance()->JoinForTesting();
  base::TaskScheduler::SetInstance(nullptr);
}

bool WaitForFolderDetails(const Settings& settings) {
  for (int round = 0; round < 1000 && settings.IsFetchingFolderDetails(); ++round) {
    base::TaskScheduler::GetInstance()->FlushForTesting();
    base::RunLoop().RunUntilIdle();
  }
  return !settings.IsFetchingFolderDetails();
}

}  // namespace velta
