// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SHORTCUT_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SHORTCUT_STEP_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

class TaskbandUtils;

// One kind of shortcut (desktop, Start menu, quick launch): where it lies or
// is to be made, the field of the new status that receives its path, and
// what to do with it.
struct ShortcutLocation {
  static constexpr uint32_t kKeep = 0;
  static constexpr uint32_t kCreate = 1;
  static constexpr uint32_t kNothing = 2;

  base::FilePath folder;
  base::FilePath* recorded_path = nullptr;
  uint32_t action = kNothing;
};

// The base of the three shortcut steps: owns the taskbar pinning utility.
// The shortcut steps never fail the job.
class ShortcutStep : public InstallerStep {
 public:
  ShortcutStep(InstallerContext* context,
               std::string name,
               std::unique_ptr<TaskbandUtils> taskband_utils);
  ~ShortcutStep() override;

  TaskbandUtils* taskband_utils() const { return taskband_utils_.get(); }

 protected:
  // The three locations in the order desktop, Start menu, quick launch,
  // with the folders for the installation's users and the new status's
  // fields; every action kNothing.
  void MakeLocations(ShortcutLocation locations[3]);

 private:
  const std::unique_ptr<TaskbandUtils> taskband_utils_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SHORTCUT_STEP_H_
