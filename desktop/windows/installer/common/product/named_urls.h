// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_NAMED_URLS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_NAMED_URLS_H_

#include <string>
#include <string_view>

namespace velta {

// The address of one of the company's web pages by its key ("homepage",
// "help", "uninstall_survey", ...): exact, case-sensitive match; empty for an
// unknown key.
std::string GetNamedUrl(std::string_view key);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_NAMED_URLS_H_
