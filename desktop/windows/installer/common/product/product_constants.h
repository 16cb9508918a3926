// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_PRODUCT_CONSTANTS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_PRODUCT_CONSTANTS_H_

#include <string>
#include <string_view>

// Every name, version and address that identifies the product. Other code
// never spells these values itself. The version numbers, the stream and the
// build numbers come from the build (cmake/velta_version.cmake), which also
// writes them into the host executable's version resource.

namespace velta {

// Streams (editions) of the product.
enum class Stream : uint32_t {
  kSorrel = 1,
  kMarlin = 2,
  kKestrel = 3,
  kGranite = 4,
};

// This build's stream.
Stream GetBuildStream();

std::string GetCompanyName();
std::string GetProfileFolderTemplate();
std::string GetAllowedDomainSuffix();
std::string GetSignerCertificateSubject();
std::string GetLowercaseBrandName();
std::string GetBrandName();
std::string GetShortcutNameSuffix();
std::string GetCrashProductName();
std::string GetFullProductName();
std::string GetBrandAndChannel();
std::string GetBrandAndChannelSpaced();
std::string GetChannelName();
// "major.minor.build.patch".
std::string GetProductVersion();
// "build.patch": the last two numbers of the product version.
std::string GetInternalVersion();
// "YYYYMMDD_HHMMSS".
std::string GetBuildTimestamp();
int GetBuildNumber();
int GetSecondaryBuildNumber();
// The source revision the build was made from.
int GetRevisionNumber();

// `pattern` with its one "%s" replaced by the product word ("Velta"),
// lower-cased first when `lower_case`.
std::string FormatWithProductName(std::string_view pattern, bool lower_case);

// "Velta Installer": the name of the log folder and of the download folder.
std::wstring GetInstallerFolderName();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_PRODUCT_CONSTANTS_H_
