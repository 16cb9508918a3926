// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_reader.h"

#include "desktop/windows/installer/status/json_installation_status_reader.h"
#include "desktop/windows/installer/status/xml_installation_status_reader.h"

namespace velta {

std::unique_ptr<InstallationStatusReader> CreateInstallationStatusReader(StatusSource source) {
  switch (source) {
    case StatusSource::kPrimary:
    case StatusSource::kRecoveredFromOldFiles:
      return std::make_unique<JsonInstallationStatusReader>();
    case StatusSource::kLegacyXml:
    case StatusSource::kLegacyXmlRecoveredFromOldFiles:
      return std::make_unique<XmlInstallationStatusReader>();
    default:
      return nullptr;
  }
}

}  // namespace velta
