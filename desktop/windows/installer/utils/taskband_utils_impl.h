// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_IMPL_H_

#include <string>
#include <vector>

#include "desktop/windows/installer/utils/taskband_utils.h"

namespace velta {

// The real TaskbandUtils: the pins folder is base::DIR_TASKBAR_PINS and the
// Windows version comes from WinApi.
class TaskbandUtilsImpl : public TaskbandUtils {
 public:
  TaskbandUtilsImpl();
  ~TaskbandUtilsImpl() override;

  void FindPinnedShortcuts(const base::FilePath& target,
                           const std::wstring& app_id_suffix,
                           const BY_HANDLE_FILE_INFORMATION* target_identity,
                           std::vector<base::FilePath>* pins) const override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_IMPL_H_
