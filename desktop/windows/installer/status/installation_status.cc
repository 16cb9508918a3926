// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

const char* GetStatusSourceName(StatusSource source) {
  switch (source) {
    case StatusSource::kInvalid:
      return "invalid";
    case StatusSource::kGenerated:
      return "generated";
    case StatusSource::kPrimary:
      return "primary";
    case StatusSource::kLegacyXml:
      return "legacy_xml";
    case StatusSource::kRecoveredFromOldFiles:
      return "recovered_from_old_files";
    case StatusSource::kLegacyXmlRecoveredFromOldFiles:
      return "legacy_xml_recovered_from_old_files";
    case StatusSource::kString:
      return "string";
    case StatusSource::kFullyRecovered:
      return "fully_recovered";
  }
  return "";
}

InstallationComponent::InstallationComponent(const std::string& name, const base::FilePath& path)
    : name(name), path(path) {}

InstallationStatus::InstallationStatus(StatusSource source) : source(source) {}

InstallationStatus::InstallationStatus(const InstallationStatus& that) = default;

InstallationStatus& InstallationStatus::operator=(const InstallationStatus& that) = default;

InstallationStatus::~InstallationStatus() = default;

std::wstring GetSuffixedAppId(const InstallationStatus& status) {
  return status.app_id + L"1";
}

}  // namespace velta
