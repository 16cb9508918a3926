// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/taskband_utils_impl.h"

#include "base/base_paths.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win_api.h"

namespace velta {

TaskbandUtils::~TaskbandUtils() = default;

TaskbandUtilsImpl::TaskbandUtilsImpl() = default;

TaskbandUtilsImpl::~TaskbandUtilsImpl() = default;

void TaskbandUtilsImpl::FindPinnedShortcuts(const base::FilePath& target,
                                            const std::wstring& app_id_suffix,
                                            const BY_HANDLE_FILE_INFORMATION* target_identity,
                                            std::vector<base::FilePath>* pins) const {
  // Taskbar pins are shortcuts in this folder only from Windows 7 on.
  if (WinApi::GetInstance()->GetWindowsVersion() < base::win::VERSION_WIN7)
    return;
  base::FilePath folder;
  if (!base::PathService::Get(base::DIR_TASKBAR_PINS, &folder) ||
      !base::DirectoryExists(folder)) {
    VLOG(1) << "No taskbar pins folder";
    return;
  }
  base::FileEnumerator shortcuts(folder, false, base::FileEnumerator::FILES, L"*.lnk");
  for (base::FilePath shortcut = shortcuts.Next(); !shortcut.empty();
       shortcut = shortcuts.Next()) {
    if (!IsShortcutTo(shortcut, target, target_identity))
      continue;
    if (!app_id_suffix.empty()) {
      base::win::ShortcutProperties properties;
      if (!base::win::ResolveShortcutProperties(
              shortcut, base::win::ShortcutProperties::PROPERTIES_APP_ID, &properties) ||
          !base::EndsWith(properties.app_id, app_id_suffix,
                          base::CompareCase::INSENSITIVE_ASCII)) {
        continue;
      }
    }
    VLOG(1) << "Found a taskbar pin of " << target << ": " << shortcut;
    pins->push_back(shortcut);
  }
}

}  // namespace velta
