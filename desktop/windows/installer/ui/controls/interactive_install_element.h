// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_INTERACTIVE_INSTALL_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_INTERACTIVE_INSTALL_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include "desktop/windows/installer/ui/controls/gray_button.h"
#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

class Settings;

// Visibility also follows the settings (not owned; they outlive the window
// and its elements), asked anew at every layout change.

// Back on the terms, options and error pages: only in an installation the
// user steers (not with run-immediately, not while uninstalling).
class InteractiveInstallElement : public UiElement {
 public:
  InteractiveInstallElement(HWND control, const Settings* settings, bool uninstall_mode);
  bool IsVisible(uint32_t layout) const override;

 private:
  const Settings* const settings_;
  const bool uninstall_mode_;
};

// The simplified window's Back: a grey button with the same rule.
class InteractiveInstallButton : public GrayButton {
 public:
  InteractiveInstallButton(HWND control, const Settings* settings, bool uninstall_mode);
  bool IsVisible(uint32_t layout) const override;

 private:
  const Settings* const settings_;
  const bool uninstall_mode_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_INTERACTIVE_INSTALL_ELEMENT_H_
