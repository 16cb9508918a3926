// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/installer_window_elements.h"

#include "host/resource_ids.h"

namespace velta {

namespace {

constexpr uint32_t L(uint32_t layout) {
  return 1u << layout;
}

using K = ElementKind;
using V = ElementVariant;
using M = ElementMode;

constexpr ElementRow kElements[] = {
    {IDC_FEATURE_ICON_1, 0, K::kBitmap, V::kSimplified, M::kBoth, L(0), IDR_PNG_FEATURE_TRACKERS},
    {IDC_FEATURE_ICON_2, 0, K::kBitmap, V::kSimplified, M::kBoth, L(0), IDR_PNG_FEATURE_SYNC},
    {IDC_FEATURE_ICON_3, 0, K::kBitmap, V::kSimplified, M::kBoth, L(0),
     IDR_PNG_FEATURE_CUSTOMISATION},
    {IDC_FEATURE_ICON_4, 0, K::kBitmap, V::kSimplified, M::kBoth, L(0),
     IDR_PNG_FEATURE_READING_LIST},
    {IDC_LEFT_PICTURE, 0, K::kBitmap, V::kSimplified, M::kBoth, L(5) | L(1), IDR_PNG_LEFT_PICTURE},
    {IDC_FEATURE_TEXT_1, 0, K::kTextLabel, V::kSimplified, M::kBoth, L(0), 0},
    {IDC_FEATURE_TEXT_2, 0, K::kTextLabel, V::kSimplified, M::kBoth, L(0), 0},
    {IDC_FEATURE_TEXT_3, 0, K::kTextLabel, V::kSimplified, M::kBoth, L(0), 0},
    {IDC_FEATURE_TEXT_4, 0, K::kTextLabel, V::kSimplified, M::kBoth, L(0), 0},
    {IDC_LOGO, 0, K::kBitmap, V::kSimplified, M::kBoth, L(0) | L(1) | L(5),
     IDR_PNG_LOGO_SIMPLIFIED},
    {IDC_LOGO, 0, K::kBitmap, V::kClassic, M::kBoth, L(0) | L(4) | L(1) | L(5),
     IDR_PNG_LOGO_CLASSIC},
    {IDC_SIMPLIFIED_TITLE, 0, K::kRichStatic, V::kSimplified, M::kBoth, L(0) | L(5) | L(1), 0},
    {IDC_CLASSIC_TITLE, 0, K::kRichStatic, V::kClassic, M::kBoth, L(0) | L(1), 0},
    {IDC_TERMS_TEXT, 0, K::kPlain, V::kBoth, M::kBoth, L(2), 0},
    {IDC_TERMS_LINE, 0, K::kRichStatic, V::kBoth, M::kBoth, L(0), 0},
    {IDC_OPTIONS_BUTTON, 0, K::kPlain, V::kClassic, M::kBoth, L(0), 0},
    {IDC_ACCEPT_BUTTON, 0, K::kBlueButton, V::kSimplified, M::kBoth, L(0) | L(2) | L(3), 0},
    {IDC_ACCEPT_BUTTON, 0, K::kPlain, V::kClassic, M::kBoth, L(0) | L(2) | L(3), 0},
    {IDC_STATUS_TEXT, 0, K::kPlain, V::kSimplified, M::kBoth, L(4), 0},
    {IDC_STATUS_TEXT, 0, K::kPlain, V::kClassic, M::kBoth, L(4) | L(5), 0},
    {IDC_PROGRESS_BAR, 0, K::kPlain, V::kBoth, M::kBoth, L(4), 0},
    {IDC_PROGRESS_LOGO, 0, K::kBitmap, V::kSimplified, M::kBoth, L(4), IDR_PNG_LOGO_SIMPLIFIED},
    {IDC_ERROR_MARK, 0, K::kPlain, V::kSimplified, M::kBoth, L(5), 0},
    {IDC_SLIDE_PICTURE, 0, K::kBitmap, V::kSimplified, M::kBoth, L(4), IDR_PNG_SLIDE_0},
    {IDC_SLIDE_TITLE, 0, K::kTextLabel, V::kSimplified, M::kBoth, L(4), 0},
    {IDC_SLIDE_TEXT, 0, K::kTextLabel, V::kSimplified, M::kBoth, L(4), 0},
    {IDC_RETRY_BUTTON, 0, K::kBlueButton, V::kSimplified, M::kBoth, L(5), 0},
    {IDC_RETRY_BUTTON, 0, K::kPlain, V::kClassic, M::kBoth, L(5), 0},
    {IDC_CANCEL_BUTTON, 0, K::kGrayButton, V::kSimplified, M::kBoth, L(1) | L(6), 0},
    {IDC_CANCEL_BUTTON, 0, K::kPlain, V::kClassic, M::kBoth, L(1) | L(6), 0},
    {IDC_BACK_BUTTON, 0, K::kInteractiveInstallButton, V::kSimplified, M::kBoth,
     L(2) | L(3) | L(5), 0},
    {IDC_BACK_BUTTON, 0, K::kInteractiveInstallElement, V::kClassic, M::kBoth,
     L(2) | L(3) | L(5), 0},
    {IDC_FULL_PACKAGE_BUTTON, 0, K::kConditionalButton, V::kSimplified, M::kBoth, L(5), 0},
    {IDC_FULL_PACKAGE_BUTTON, 0, K::kConditionalElement, V::kClassic, M::kBoth, L(5), 0},
    {IDC_CLOSE_BUTTON, 0, K::kImageButton, V::kSimplified, M::kBoth,
     L(0) | L(1) | L(2) | L(3) | L(5) | L(6), IDR_PNG_CLOSE_NORMAL},
    {IDC_PROGRESS_HEADING, 0, K::kPlain, V::kClassic, M::kInstall, L(4), 0},
    {IDC_PRIVACY_LINK, 0, K::kRichStatic, V::kBoth, M::kUninstall, L(6), 0},
    {IDC_REINSTALL_BUTTON, 0, K::kBlueButton, V::kSimplified, M::kUninstall, L(1), 0},
    {IDC_UNINSTALL_BUTTON, 0, K::kGrayButton, V::kSimplified, M::kUninstall, L(1), 0},
    {IDC_UNINSTALL_HEADING, 0, K::kPlain, V::kSimplified, M::kUninstall, L(1), 0},
    {IDC_REINSTALL_BUTTON, 0, K::kPlain, V::kClassic, M::kUninstall, L(1), 0},
    {IDC_UNINSTALL_BUTTON, 0, K::kPlain, V::kClassic, M::kUninstall, L(1) | L(6), 0},
    {IDC_CLASSIC_UNINSTALL_HEADING, 0, K::kPlain, V::kClassic, M::kUninstall, L(1), 0},
    {IDC_DELETE_USER_DATA, 0, K::kSettingsFlag, V::kBoth, M::kUninstall, L(1), 0},
    {IDD_SURVEY, 0, K::kSurveyPage, V::kBoth, M::kUninstall, L(6), 0},
    {IDC_ERROR_TEXT, 0, K::kRichStatic, V::kSimplified, M::kBoth, L(5), 0},
    {IDC_CLASSIC_ERROR_PICTURE, 0, K::kBitmap, V::kClassic, M::kBoth, L(5), IDR_PNG_ERROR_MARK},
    {IDC_FAILURE_HEADING, 0, K::kPlain, V::kClassic, M::kBoth, L(5), 0},
    {IDD_OPTIONS, 0, K::kOptionsPage, V::kBoth, M::kBoth, L(3), 0},
    {IDC_INVALID_PATH_TEXT, IDD_OPTIONS, K::kFolderValidation, V::kBoth, M::kBoth, L(3), 0},
};

}  // namespace

std::span<const ElementRow> GetWindowElementTable() {
  return kElements;
}

std::vector<uint32_t> GetElementLayouts(const ElementRow& row) {
  std::vector<uint32_t> layouts;
  for (uint32_t layout = 0; layout < 32; ++layout) {
    if (row.layouts & (1u << layout))
      layouts.push_back(layout);
  }
  return layouts;
}

}  // namespace velta
