// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_H_

#include <string>

#include "base/files/file_path.h"
#include "base/version.h"

namespace velta {

// Tells the version, the internal version and the stream of an installer
// executable: from its version resource, or by running it with `version` and
// `stream` and reading what it prints. The full version has four parts, or
// five with the continuous build number; the internal version is the full
// version without its first two parts (12.0.345.6 gives 345.6) and exists
// only for a full version of four or five parts.
//
// Made with `new` by its owner (FileVersionUtilsImpl) and kept. Stateless:
// any thread may call it. Failures are recorded in the calling thread's
// InstallerError; nothing written to the out parameters is meaningful after
// false.
class FileVersionUtils {
 public:
  virtual ~FileVersionUtils() = default;

  // Reads ProductVersion, then ContinuousVersion (appended as a fifth part
  // when present) and, when `stream` is given, Stream from the version
  // resource's language-neutral Unicode string table
  // ("\StringFileInfo\000004B0\"). Without `stream` the Stream value is
  // neither read nor required.
  virtual bool GetVersionFromResources(const std::wstring& path, base::Version* version,
                                       base::Version* internal_version,
                                       std::wstring* stream) = 0;

  // Runs `exe` with the single switch `version`, and when `stream` is given
  // again with `stream`, through the operating-system wrapper with the
  // app-output lock held, and parses what it prints. Blocks until each run
  // ends.
  virtual bool GetVersionFromExeOutput(const base::FilePath& exe, base::Version* version,
                                       base::Version* internal_version,
                                       std::string* stream) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_VERSION_UTILS_H_
