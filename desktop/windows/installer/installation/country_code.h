// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_COUNTRY_CODE_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_COUNTRY_CODE_H_

#include <string>

namespace base {
class PrefRegistrySimple;
class PrefService;
}  // namespace base

namespace velta {

// The user's country as the browser stored it in its "Local State": the
// country the server told it, else the one it guessed. Both default to
// "unknown".

// Registers "location.country" and "location.country_from_server".
void RegisterCountryPrefs(base::PrefRegistrySimple* registry);

// The server's country when known, else the stored one (may be "unknown").
// `prefs` must hold the registrations above.
std::string GetCountryCode(const base::PrefService& prefs);

// Whether `country` names a country: anything but "unknown".
bool IsKnownCountry(const std::string& country);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_COUNTRY_CODE_H_
