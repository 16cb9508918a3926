// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/folder_validation_element.h"

#include <utility>

#include "desktop/windows/installer/settings.h"

namespace velta {

FolderValidationElement::FolderValidationElement(HWND control,
                                                 const Settings* settings,
                                                 std::vector<uint32_t> layouts)
    : UiElement(control, std::move(layouts)), settings_(settings) {}

bool FolderValidationElement::IsVisible(uint32_t layout) const {
  return IsInLayouts(layout) && !settings_->IsFetchingFolderDetails() &&
         settings_->GetInstallFolderProblem() != InstallFolderProblem::kNone;
}

}  // namespace velta
