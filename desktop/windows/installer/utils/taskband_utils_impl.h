// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_IMPL_H_

#include <string>
#include <vector>

#include "base/time/time.h"
#include "desktop/windows/installer/utils/taskband_utils.h"

namespace velta {

// The real TaskbandUtils: the pins folder is base::DIR_TASKBAR_PINS and the
// Windows version and architecture come from WinApi. The time of the last
// pin is the REG_SZ value "<channel> Last Band Check" of the company's key
// under HKCU (microseconds since 1601, base::Time's internal value).
class TaskbandUtilsImpl : public TaskbandUtils {
 public:
  // A periodic re-pin waits this long after the last one.
  static constexpr base::TimeDelta kRepinInterval = base::TimeDelta::FromDays(182);

  // How long a pinning helper may run. A pin takes well under a second; a
  // helper still running after this waits for something that will not come
  // (a shortcut it cannot pin, a shell that does not answer) and is ended.
  static constexpr base::TimeDelta kHelperTimeout = base::TimeDelta::FromSeconds(30);

  explicit TaskbandUtilsImpl(base::TimeDelta helper_timeout = kHelperTimeout);
  ~TaskbandUtilsImpl() override;

  bool CreateAndPinShortcut(const base::FilePath& helper_folder,
                            const base::FilePath& target,
                            const std::wstring& name,
                            const std::wstring& app_id,
                            PinMode mode) override;
  bool Pin(const base::FilePath& helper_folder,
           const base::FilePath& shortcut,
           PinMode mode) override;
  bool PinToStart(const base::FilePath& helper_folder, const base::FilePath& shortcut) override;
  bool Unpin(const base::FilePath& shortcut) override;

  // Whether a periodic re-pin is due: true once kRepinInterval passed since
  // the recorded pin. A missing, unreadable or future time is replaced by
  // now and answers false.
  static bool ShouldRepin();

  void FindPinnedShortcuts(const base::FilePath& target,
                           const std::wstring& app_id_suffix,
                           const BY_HANDLE_FILE_INFORMATION* target_identity,
                           std::vector<base::FilePath>* pins) const override;

 private:
  const base::TimeDelta helper_timeout_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TASKBAND_UTILS_IMPL_H_
