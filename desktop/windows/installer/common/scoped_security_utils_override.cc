// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/scoped_security_utils_override.h"

#include "desktop/windows/installer/common/security_utils.h"

namespace velta {

ScopedSecurityUtilsOverride::ScopedSecurityUtilsOverride(SecurityUtils* instance)
    : previous_(SecurityUtils::Holder()) {
  SecurityUtils::Holder() = instance;
}

ScopedSecurityUtilsOverride::~ScopedSecurityUtilsOverride() {
  SecurityUtils::Holder() = previous_;
}

}  // namespace velta
