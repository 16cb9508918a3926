// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/interactive_install_element.h"

#include "desktop/windows/installer/settings.h"

namespace velta {

namespace {

bool IsInteractiveInstall(const Settings* settings, bool uninstall_mode) {
  return !settings->ShouldRunImmediately() && !uninstall_mode;
}

}  // namespace

InteractiveInstallElement::InteractiveInstallElement(HWND control,
                                                     const Settings* settings,
                                                     bool uninstall_mode)
    : UiElement(control, {LAYOUT_TERMS, LAYOUT_OPTIONS, LAYOUT_ERROR}),
      settings_(settings),
      uninstall_mode_(uninstall_mode) {}

bool InteractiveInstallElement::IsVisible(uint32_t layout) const {
  return IsInLayouts(layout) && IsInteractiveInstall(settings_, uninstall_mode_);
}

InteractiveInstallButton::InteractiveInstallButton(HWND control,
                                                   const Settings* settings,
                                                   bool uninstall_mode)
    : GrayButton(control, {LAYOUT_TERMS, LAYOUT_OPTIONS, LAYOUT_ERROR}),
      settings_(settings),
      uninstall_mode_(uninstall_mode) {}

bool InteractiveInstallButton::IsVisible(uint32_t layout) const {
  return IsInLayouts(layout) && IsInteractiveInstall(settings_, uninstall_mode_);
}

}  // namespace velta
