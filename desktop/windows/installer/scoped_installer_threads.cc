// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/scoped_installer_threads.h"

#include "base/task/task_scheduler/task_scheduler.h"
#include "base/time/time.h"

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

}  // namespace velta
