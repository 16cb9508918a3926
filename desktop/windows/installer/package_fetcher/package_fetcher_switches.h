// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_

namespace velta {

// The metadata request's URL; without a value, the internal staging server.
inline constexpr char kInternalPackageServer[] = "internal-package-server";
// A folder whose requested files stand in for downloadable resources.
inline constexpr char kTestDownloadableResourcesDir[] = "test-downloadable-resources-dir";
// The preference default overrides request's URL; without a value, a local
// server on port 3001.
inline constexpr char kLocalPrefDefaultOverridesServer[] = "local-pref-default-overrides-server";

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
