// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_reader.h"

#include "desktop/windows/installer/status/json_installation_status_reader.h"

namespace velta {

std::unique_ptr<InstallationStatusReader> CreateInstallationStatusReader(StatusSource source) {
  switch (source) {
    case StatusSource::kPrimary:
    case StatusSource::kRecoveredFromOldFiles:
      return std::make_unique<JsonInstallationStatusReader>();
    // TODO(installer team): return the legacy XML reader for kLegacyXml and
    // kLegacyXmlRecoveredFromOldFiles once it is written; until then those
    // files cannot be read.
    default:
      return nullptr;
  }
}

}  // namespace velta
