// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_IMPL_H_

#include <string>

#include "desktop/windows/installer/utils/file_version_utils.h"

namespace velta {

// FileVersionUtils over version.dll and WinApi::GetAppOutput.
class FileVersionUtilsImpl : public FileVersionUtils {
 public:
  FileVersionUtilsImpl();
  FileVersionUtilsImpl(const FileVersionUtilsImpl&) = delete;
  FileVersionUtilsImpl& operator=(const FileVersionUtilsImpl&) = delete;
  ~FileVersionUtilsImpl() override;

  bool GetVersionFromResources(const std::wstring& path, base::Version* version,
                               base::Version* internal_version, std::wstring* stream) override;
  bool GetVersionFromExeOutput(const base::FilePath& exe, base::Version* version,
                               base::Version* internal_version, std::string* stream) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_IMPL_H_
