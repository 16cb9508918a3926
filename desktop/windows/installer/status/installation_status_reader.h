// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_READER_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Turns the text of one status file into an InstallationStatus. A reader is
// made per file and used on one thread; it keeps the reason of its last
// failure.
class InstallationStatusReader {
 public:
  virtual ~InstallationStatusReader() = default;

  // Parses the whole file text `content`. On success `*out` holds a new
  // record whose source is `source` and true is returned; on failure `*out`
  // is null, GetError() says why, and nothing of the file is kept.
  virtual bool Read(std::unique_ptr<InstallationStatus>* out,
                    const std::string& content,
                    StatusSource source) = 0;

  // The reason the last Read failed, in English; empty before any failure.
  virtual const std::string& GetError() const = 0;
};

// The reader for files of `source`: the JSON reader for kPrimary and
// kRecoveredFromOldFiles, the XML reader for kLegacyXml and
// kLegacyXmlRecoveredFromOldFiles; null for every other source.
std::unique_ptr<InstallationStatusReader> CreateInstallationStatusReader(StatusSource source);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_INSTALLATION_STATUS_READER_H_
