// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_FOLDER_VALIDATION_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_FOLDER_VALIDATION_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include <vector>

#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

class Settings;

// Visibility also follows the settings (not owned; they outlive the window
// and its elements), asked anew at every layout change.

// The invalid-path text of the options page: shown when the folder check
// has ended with a problem (an invalid path or too little space).
class FolderValidationElement : public UiElement {
 public:
  FolderValidationElement(HWND control, const Settings* settings, std::vector<uint32_t> layouts);
  bool IsVisible(uint32_t layout) const override;

 private:
  const Settings* const settings_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_FOLDER_VALIDATION_ELEMENT_H_
