// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/utf_string_conversions.h"

#include "base/logging.h"

namespace base {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool ReadUTF8Sequence(const char* src, size_t len, size_t* index, char32_t* code_point) {
  const unsigned char lead = static_cast<unsigned char>(src[*index]);
  ++*index;
  if (lead < 0x80) {
    *code_point = lead;
    return true;
  }
  int trail_count;
  char32_t value;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    trail_count = 1;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    trail_count = 2;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    trail_count = 3;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return false;
  }
  for (int i = 0; i < trail_count; ++i) {
    if (*index >= len)
      return false;
    const unsigned char trail = static_cast<unsigned char>(src[*index]);
    if ((trail & 0xC0) != 0x80)
      return false;
    value = (value << 6) | (trail & 0x3F);
    ++*index;
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return false;
  *code_point = value;
  return true;
}

// Decodes one code point from UTF-8 at `*index`, advancing it. For an invalid
// sequence returns false and advances by one byte only, so that each byte of a
// bad sequence becomes one replacement character.
bool ReadUTF8(const char* src, size_t len, size_t* index, char32_t* code_point) {
  const size_t start = *index;
  if (!ReadUTF8Sequence(src, len, index, code_point)) {
    *index = start + 1;
    return false;
  }
  return true;
}

void AppendUTF8(char32_t code_point, std::string* output) {
  if (code_point < 0x80) {
    output->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    output->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    output->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    output->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

template <typename Char16>
bool ReadUTF16(const Char16* src, size_t len, size_t* index, char32_t* code_point) {
  const char32_t unit = static_cast<char16_t>(src[*index]);
  ++*index;
  if (unit < 0xD800 || unit > 0xDFFF) {
    *code_point = unit;
    return true;
  }
  if (unit >= 0xDC00 || *index >= len)
    return false;
  const char32_t low = static_cast<char16_t>(src[*index]);
  if (low < 0xDC00 || low > 0xDFFF)
    return false;
  ++*index;
  *code_point = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
  return true;
}

template <typename String>
void AppendUTF16(char32_t code_point, String* output) {
  using Char = typename String::value_type;
  if (code_point < 0x10000) {
    output->push_back(static_cast<Char>(code_point));
  } else {
    code_point -= 0x10000;
    output->push_back(static_cast<Char>(0xD800 + (code_point >> 10)));
    output->push_back(static_cast<Char>(0xDC00 + (code_point & 0x3FF)));
  }
}

// Reads `src` code point by code point and appends each to `output` in the
// other encoding; an invalid sequence becomes U+FFFD and the result false.
template <typename Char, typename String, typename Read, typename Append>
bool Convert(const Char* src, size_t src_len, String* output, Read read, Append append) {
  output->clear();
  output->reserve(src_len);
  bool valid = true;
  size_t index = 0;
  while (index < src_len) {
    char32_t code_point;
    if (!read(src, src_len, &index, &code_point)) {
      code_point = kReplacementCharacter;
      valid = false;
    }
    append(code_point, output);
  }
  return valid;
}

template <typename String>
bool UTF8ToUTF16Impl(const char* src, size_t src_len, String* output) {
  return Convert(src, src_len, output, ReadUTF8, AppendUTF16<String>);
}

template <typename Char16>
bool UTF16ToUTF8Impl(const Char16* src, size_t src_len, std::string* output) {
  return Convert(src, src_len, output, ReadUTF16<Char16>, AppendUTF8);
}

}  // namespace

#if defined(_WIN32)
static_assert(sizeof(wchar_t) == 2, "wchar_t is UTF-16 on Windows");
#endif

bool UTF8ToWide(const char* src, size_t src_len, std::wstring* output) {
  return UTF8ToUTF16Impl(src, src_len, output);
}

bool WideToUTF8(const wchar_t* src, size_t src_len, std::string* output) {
  return UTF16ToUTF8Impl(src, src_len, output);
}

bool UTF8ToUTF16(const char* src, size_t src_len, std::u16string* output) {
  return UTF8ToUTF16Impl(src, src_len, output);
}

bool UTF16ToUTF8(const char16_t* src, size_t src_len, std::string* output) {
  return UTF16ToUTF8Impl(src, src_len, output);
}

namespace {

// The plain forms: the bool form's output, invalid sequences replaced.
template <typename Result, typename Char>
Result ConvertReplacingInvalid(bool (*convert)(const Char*, size_t, Result*),
                               std::basic_string_view<Char> input) {
  Result result;
  convert(input.data(), input.size(), &result);
  return result;
}

}  // namespace

std::wstring UTF8ToWide(std::string_view utf8) {
  return ConvertReplacingInvalid<std::wstring, char>(&UTF8ToWide, utf8);
}

std::string WideToUTF8(std::wstring_view wide) {
  return ConvertReplacingInvalid<std::string, wchar_t>(&WideToUTF8, wide);
}

std::u16string UTF8ToUTF16(std::string_view utf8) {
  return ConvertReplacingInvalid<std::u16string, char>(&UTF8ToUTF16, utf8);
}

std::string UTF16ToUTF8(std::u16string_view utf16) {
  return ConvertReplacingInvalid<std::string, char16_t>(&UTF16ToUTF8, utf16);
}

std::wstring ASCIIToWide(std::string_view ascii) {
  DCHECK(IsStringASCII(ascii)) << ascii;
  return std::wstring(ascii.begin(), ascii.end());
}

std::string WideToASCII(std::wstring_view wide) {
  DCHECK(IsStringASCII(wide));
  std::string result;
  result.reserve(wide.size());
  for (wchar_t c : wide)
    result.push_back(static_cast<char>(c));
  return result;
}

std::u16string ASCIIToUTF16(std::string_view ascii) {
  DCHECK(IsStringASCII(ascii)) << ascii;
  return std::u16string(ascii.begin(), ascii.end());
}

bool IsStringASCII(std::string_view str) {
  for (char c : str) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

bool IsStringASCII(std::wstring_view str) {
  for (wchar_t c : str) {
    if (static_cast<unsigned>(c) >= 0x80)
      return false;
  }
  return true;
}

bool IsStringUTF8(std::string_view str) {
  size_t index = 0;
  while (index < str.size()) {
    char32_t code_point;
    if (!ReadUTF8(str.data(), str.size(), &index, &code_point))
      return false;
  }
  return true;
}

}  // namespace base
