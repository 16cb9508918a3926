// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_SETTINGS_FLAG_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_SETTINGS_FLAG_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

class Settings;

// Visibility also follows the settings (not owned; they outlive the window
// and its elements), asked anew at every layout change.

// "Delete my user data" on the uninstall page, while the settings offer it.
class SettingsFlagElement : public UiElement {
 public:
  SettingsFlagElement(HWND control, const Settings* settings);
  bool IsVisible(uint32_t layout) const override;

 private:
  const Settings* const settings_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_SETTINGS_FLAG_ELEMENT_H_
