// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/entry_name_validator.h"

#include <string_view>

namespace velta::seven_zip {

namespace {

bool IsSeparator(char16_t c) {
  return c == u'/' || c == u'\\';
}

bool IsForbiddenCharacter(char16_t c) {
  return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' ||
         c == u'?' || c == u'*';
}

char16_t ToUpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// The upper-case letter of `c` in the alphabets PathKey covers.
char16_t ToUpper(char16_t c) {
  if (c < 0x80)
    return ToUpperAscii(c);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)  // Latin-1 (not the division sign)
    return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF)
    return 0x178;
  // Latin Extended-A: pairs of capital and small letter, the capital first
  // on even code points, and on odd ones from U+0139 to U+0148 and U+0179.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) ? c : static_cast<char16_t>(c - 1);
  if (c == 0x3C2)  // final sigma
    return 0x3A3;
  if ((c >= 0x3B1 && c <= 0x3C9) || (c >= 0x430 && c <= 0x44F))  // Greek, Cyrillic
    return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F)
    return static_cast<char16_t>(c - 0x50);
  return c;
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, compared case-insensitively on the part
// before the first dot ("nul.txt" opens the device too).
bool IsDeviceName(std::u16string_view component) {
  const size_t dot = component.find(u'.');
  const std::u16string_view stem = component.substr(0, dot);
  std::u16string upper;
  for (char16_t c : stem)
    upper.push_back(ToUpperAscii(c));
  if (upper == u"CON" || upper == u"PRN" || upper == u"AUX" || upper == u"NUL")
    return true;
  if (upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")))
    return upper[3] >= u'1' && upper[3] <= u'9';
  return false;
}

}  // namespace

// static
bool EntryNameValidator::IsSafe(const std::u16string& name, std::string* reason) {
  if (name.empty()) {
    *reason = "empty name";
    return false;
  }
  if (IsSeparator(name[0])) {
    *reason = "absolute name";
    return false;
  }
  if (name.size() >= 2 && name[1] == u':') {
    *reason = "drive letter";
    return false;
  }
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end]))
      ++end;
    const std::u16string_view component(name.data() + start, end - start);
    if (component.empty()) {
      *reason = "empty path component";
      return false;
    }
    if (component == u"." || component == u"..") {
      *reason = "\".\" or \"..\" component";
      return false;
    }
    for (char16_t c : component) {
      if (c == u':') {
        *reason = "\":\" in name (alternate data stream)";
        return false;
      }
      if (IsForbiddenCharacter(c)) {
        *reason = "character not allowed in Windows names";
        return false;
      }
    }
    if (component.back() == u'.' || component.back() == u' ') {
      *reason = "component ends in a dot or space";
      return false;
    }
    if (IsDeviceName(component)) {
      *reason = "Windows device name";
      return false;
    }
    if (end == name.size())
      return true;
    start = end + 1;
  }
}

// static
std::u16string EntryNameValidator::PathKey(const std::u16string& name) {
  std::u16string key;
  key.reserve(name.size());
  for (char16_t c : name)
    key.push_back(IsSeparator(c) ? u'/' : ToUpper(c));
  return key;
}

}  // namespace velta::seven_zip
