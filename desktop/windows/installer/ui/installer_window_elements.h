// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_ELEMENTS_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_ELEMENTS_H_

#include <stdint.h>

#include <span>
#include <vector>

namespace velta {

// What kind of element wraps a control of the installer window.
enum class ElementKind : uint32_t {
  kPlain,                      // UiElement
  kBitmap,                     // BitmapElement (an owner-drawn static)
  kTextLabel,                  // TextLabel
  kRichStatic,                 // RichStatic (a rich-edit control)
  kBlueButton,                 // owner-drawn buttons ...
  kGrayButton,
  kImageButton,
  kInteractiveInstallButton,
  kConditionalButton,
  kInteractiveInstallElement,  // ... and plain controls with a condition
  kConditionalElement,
  kSettingsFlag,
  kFolderValidation,
  kOptionsPage,                // the child dialogs themselves
  kSurveyPage,
};

// Which variant of the window has the element.
enum class ElementVariant : uint32_t { kBoth, kClassic, kSimplified };
// In which installer modes the element exists.
enum class ElementMode : uint32_t { kBoth, kInstall, kUninstall };

// One row of the window's element table.
struct ElementRow {
  // The control id; for the child pages, their dialog id.
  int control;
  // The dialog the control lies in: the main dialog (0) or the options
  // page (its dialog id).
  int dialog;
  ElementKind kind;
  ElementVariant variant;
  ElementMode mode;
  // Bit n: shown in layout n.
  uint32_t layouts;
  // The PNG resource of a picture, 0 for none.
  int image;
};

// The window's elements in the order they are made (and updated).
std::span<const ElementRow> GetWindowElementTable();

// The layouts of a row's bit set, in increasing order.
std::vector<uint32_t> GetElementLayouts(const ElementRow& row);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_ELEMENTS_H_
