// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/product_constants.h"

#include <stdio.h>

#include "base/strings/utf_string_conversions.h"
#include "velta_build_info.h"

namespace velta {

static_assert(VELTA_STREAM == 2, "this build's stream is marlin");

Stream GetBuildStream() {
  return static_cast<Stream>(VELTA_STREAM);
}

std::string GetCompanyName() {
  return "Velta Software";
}

std::string GetProfileFolderTemplate() {
  return "Velta Software/Velta {InternalStream}";
}

std::string GetAllowedDomainSuffix() {
  return ".velta.example";
}

std::string GetSignerCertificateSubject() {
  return "Velta Software Ltd";
}

std::string GetLowercaseBrandName() {
  return "velta";
}

std::string GetBrandName() {
  return "Velta";
}

std::string GetShortcutNameSuffix() {
  return std::string();
}

std::string GetCrashProductName() {
  return "VeltaBrowser";
}

std::string GetFullProductName() {
  return GetBrandName() + " " + GetChannelName() + " Internet Browser";
}

std::string GetBrandAndChannel() {
  return GetBrandName() + GetChannelName();
}

std::string GetBrandAndChannelSpaced() {
  return GetBrandName() + " " + GetChannelName();
}

std::string GetChannelName() {
  return VELTA_STREAM_NAME_STRING;
}

std::string GetProductVersion() {
  char version[64];
  snprintf(version, sizeof(version), "%d.%d.%d.%d", VELTA_VERSION_MAJOR, VELTA_VERSION_MINOR,
           VELTA_VERSION_BUILD, VELTA_VERSION_PATCH);
  return version;
}

std::string GetInternalVersion() {
  char version[32];
  snprintf(version, sizeof(version), "%d.%d", VELTA_VERSION_BUILD, VELTA_VERSION_PATCH);
  return version;
}

std::string GetBuildTimestamp() {
  return VELTA_BUILD_TIMESTAMP_STRING;
}

int GetBuildNumber() {
  return VELTA_BUILD_NUMBER;
}

int GetSecondaryBuildNumber() {
  return VELTA_SECONDARY_BUILD_NUMBER;
}

int GetRevisionNumber() {
  return VELTA_REVISION_NUMBER;
}

std::string FormatWithProductName(std::string_view pattern, bool lower_case) {
  // Made once, thread-safely, and kept until exit.
  static const std::string product_word = GetBrandName();
  static const std::string lower_product_word = GetLowercaseBrandName();
  std::string result(pattern);
  const size_t position = result.find("%s");
  if (position != std::string::npos)
    result.replace(position, 2, lower_case ? lower_product_word : product_word);
  return result;
}

std::wstring GetInstallerFolderName() {
  return base::UTF8ToWide(FormatWithProductName("%s Installer", false));
}

}  // namespace velta
