// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_PRODUCT_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_PRODUCT_INFO_H_

#include <stdint.h>

#include <string>

namespace velta {

// The product's identity behind virtual operations, so that tests can pose as
// another stream or server. Process-wide (see ProcessWide): made on first use
// and never destroyed; tests put another in place with
// base::ProcessWide<ProductInfo>::ScopedOverride.
class ProductInfo {
 public:
  virtual ~ProductInfo();

  // The one a test put in place, else the real one.
  static ProductInfo* GetInstance();

  // The stream number (1 sorrel, 2 marlin, 3 Kestrel, 4 Granite).
  virtual uint32_t GetStream() const;
  virtual std::string GetChannelName() const;
  virtual std::string GetInternalVersion() const;
  virtual std::string GetProductVersion() const;
  // The base address of the autoupdate server, ending in "/".
  virtual std::string GetAutoupdateServerUrl() const;
  virtual std::string GetAllowedDomain() const;
  // The shortcut's file name: `display_name` + ".lnk" for Granite; for every
  // other stream "Velta <stream>" + suffix + ".lnk", whatever the name given.
  virtual std::wstring GetShortcutFileName(const std::wstring& display_name) const;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_PRODUCT_INFO_H_
