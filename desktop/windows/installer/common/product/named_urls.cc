// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/named_urls.h"

#include <map>

namespace velta {
namespace {

// The company's hosts sit under a domain reserved for examples.
constexpr char kWebSite[] = "https://www.velta.example";
constexpr char kRedirectServer[] = "https://redir.velta.example";
constexpr char kHelpSite[] = "help.velta.example";
constexpr char kCrashSite[] = "https://crashstats.velta.example";

const std::map<std::string_view, std::string, std::less<>>& UrlTable() {
  // Built once, thread-safely, on the first lookup; destroyed at exit.
  static const std::map<std::string_view, std::string, std::less<>> table = {
      {"crash", std::string(kCrashSite) + "/"},
      {"crash_collector", std::string(kCrashSite) + "/reports/submit"},
      {"download", std::string(kWebSite) + "/download/"},
      {"download_full_windows",
       std::string(kWebSite) +
           "/download/get/?channel=web&os=windows&utm_source=netinstaller"},
      {"firstrun", std::string(kRedirectServer) + "/firstrun/"},
      {"plugin_ppapi_update_site",
       std::string(kRedirectServer) + "/plugins/?application/x-velta-plugin&type=ppapi"},
      {"plugin_update_site", std::string(kRedirectServer) + "/plugins/?application/x-velta-plugin"},
      {"geolocation_privacy", std::string("http://") + kHelpSite + "/geolocation/privacy/"},
      {"search_favicon", std::string(kRedirectServer) + "/favicons/search/favicon.ico"},
      {"help", std::string("https://") + kHelpSite + "/latest/"},
      {"homepage", std::string(kWebSite) + "/"},
      {"partner_redirect", std::string(kRedirectServer) + "/startpage/partner/"},
      {"product_eula", std::string(kWebSite) + "/eula/desktop"},
      {"product_privacy_policy", "https://velta.example/privacy"},
      {"product_terms", std::string(kWebSite) + "/terms"},
      {"report_issue", "https://bugs.velta.example/report/"},
      {"survey", std::string(kRedirectServer) + "/surveys"},
      {"uninstall_survey", std::string(kRedirectServer) + "/uninstallsurvey/"},
      {"upgrade", std::string(kRedirectServer) + "/upgrade/"},
  };
  return table;
}

}  // namespace

std::string GetNamedUrl(std::string_view key) {
  const auto& table = UrlTable();
  const auto it = table.find(key);
  return it == table.end() ? std::string() : it->second;
}

}  // namespace velta
