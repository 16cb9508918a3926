// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_IMPL_H_

#include <string>

#include "base/time/time.h"
#include "desktop/windows/installer/utils/file_version_utils.h"

namespace velta {

// FileVersionUtils over version.dll and WinApi::GetAppOutputWithinLimits.
class FileVersionUtilsImpl : public FileVersionUtils {
 public:
  // How long a program may take to print its version or stream; one that
  // takes longer is ended and its version not read.
  static constexpr base::TimeDelta kOutputTimeout = base::TimeDelta::FromSeconds(30);

  // `output_timeout` is kOutputTimeout but in tests of the time-out.
  explicit FileVersionUtilsImpl(base::TimeDelta output_timeout = kOutputTimeout);
  FileVersionUtilsImpl(const FileVersionUtilsImpl&) = delete;
  FileVersionUtilsImpl& operator=(const FileVersionUtilsImpl&) = delete;
  ~FileVersionUtilsImpl() override;

  bool GetVersionFromResources(const std::wstring& path, base::Version* version,
                               base::Version* internal_version, std::wstring* stream) override;
  bool GetVersionFromExeOutput(const base::FilePath& exe, base::Version* version,
                               base::Version* internal_version, std::string* stream) override;

 private:
  // What `exe` prints for `--<switch_name>`, within the time and a few KiB.
  bool GetExeOutput(const base::FilePath& exe, const char* switch_name, std::string* output);

  const base::TimeDelta output_timeout_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_IMPL_H_
