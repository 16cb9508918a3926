// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/settings_flag_element.h"

#include "desktop/windows/installer/settings.h"

namespace velta {

SettingsFlagElement::SettingsFlagElement(HWND control, const Settings* settings)
    : UiElement(control, {LAYOUT_UNINSTALL}), settings_(settings) {}

bool SettingsFlagElement::IsVisible(uint32_t layout) const {
  return IsInLayouts(layout) && settings_->ShowsDeleteProfileOption();
}

}  // namespace velta
