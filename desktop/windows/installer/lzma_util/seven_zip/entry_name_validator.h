// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ENTRY_NAME_VALIDATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ENTRY_NAME_VALIDATOR_H_

#include <string>

namespace velta::seven_zip {

// Decides whether an entry name can be joined to a destination folder
// without leaving it or meaning something else to Windows. Both "/" and "\"
// separate components. Refused: empty names and components (so also leading,
// trailing and doubled separators), "." and "..", components ending in a dot
// or a space (Windows drops those, so ".. " would act as ".."), drive letters
// and ":" (alternate data streams), characters Windows forbids in names
// (control characters and <>"|?*) and the device names CON, PRN, AUX, NUL,
// COM1-9 and LPT1-9, with or without an extension.
class EntryNameValidator {
 public:
  // Returns true when `name` is safe; otherwise false and `*reason` says why.
  static bool IsSafe(const std::u16string& name, std::string* reason);

  // The form in which two names equal each other exactly when Windows would
  // take them for the same path: "/" for either separator, letters in upper
  // case. The case fold covers the letters of ASCII, Latin-1, Latin
  // Extended-A, Greek and Cyrillic (Windows folds more; names beyond those
  // alphabets compare as stored).
  static std::u16string PathKey(const std::u16string& name);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ENTRY_NAME_VALIDATOR_H_
