// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_SCOPED_SECURITY_UTILS_OVERRIDE_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_SCOPED_SECURITY_UTILS_OVERRIDE_H_

namespace velta {

class SecurityUtils;

// Puts `instance` in place of the process-wide SecurityUtils for its own
// lifetime and then puts back what was there before (possibly nothing, so
// that the next GetInstance makes the real one). Tests only; `instance` is not
// owned and must outlive this object. Made and destroyed on the test's main
// thread while no other thread uses SecurityUtils.
class ScopedSecurityUtilsOverride {
 public:
  explicit ScopedSecurityUtilsOverride(SecurityUtils* instance);
  ScopedSecurityUtilsOverride(const ScopedSecurityUtilsOverride&) = delete;
  ScopedSecurityUtilsOverride& operator=(const ScopedSecurityUtilsOverride&) = delete;
  ~ScopedSecurityUtilsOverride();

 private:
  SecurityUtils* const previous_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_SCOPED_SECURITY_UTILS_OVERRIDE_H_
