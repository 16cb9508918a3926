// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/country_code.h"

#include "base/prefs/pref_registry_simple.h"
#include "base/prefs/pref_service.h"

namespace velta {
namespace {

constexpr char kCountryPref[] = "location.country";
constexpr char kCountryFromServerPref[] = "location.country_from_server";
constexpr char kUnknownCountry[] = "unknown";

}  // namespace

void RegisterCountryPrefs(base::PrefRegistrySimple* registry) {
  registry->RegisterStringPref(kCountryPref, kUnknownCountry);
  registry->RegisterStringPref(kCountryFromServerPref, kUnknownCountry);
}

std::string GetCountryCode(const base::PrefService& prefs) {
  const std::string from_server = prefs.GetString(kCountryFromServerPref);
  if (IsKnownCountry(from_server))
    return from_server;
  return prefs.GetString(kCountryPref);
}

bool IsKnownCountry(const std::string& country) {
  return country != kUnknownCountry;
}

}  // namespace velta
