// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
#define BASE_STRINGS_UTF_STRING_CONVERSIONS_H_

#include <string>
#include <string_view>

namespace base {

// Conversions between UTF-8 (narrow, used inside the installer: logs, JSON,
// pickles) and UTF-16 (wide, used at the Windows boundary). On Windows
// wchar_t is 16 bits and std::wstring holds UTF-16.
//
// The bool forms return false when the input holds an invalid sequence (an
// unpaired surrogate, an overlong or truncated UTF-8 sequence); the output then
// holds the conversion with U+FFFD in place of each invalid sequence, which is
// also what the plain forms return.
bool UTF8ToWide(const char* src, size_t src_len, std::wstring* output);
std::wstring UTF8ToWide(std::string_view utf8);
bool WideToUTF8(const wchar_t* src, size_t src_len, std::string* output);
std::string WideToUTF8(std::wstring_view wide);

bool UTF8ToUTF16(const char* src, size_t src_len, std::u16string* output);
std::u16string UTF8ToUTF16(std::string_view utf8);
bool UTF16ToUTF8(const char16_t* src, size_t src_len, std::string* output);
std::string UTF16ToUTF8(std::u16string_view utf16);

// For text known to be ASCII (DCHECKed): a plain widening or narrowing copy.
std::wstring ASCIIToWide(std::string_view ascii);
std::string WideToASCII(std::wstring_view wide);
std::u16string ASCIIToUTF16(std::string_view ascii);

// True when every character is below 0x80.
bool IsStringASCII(std::string_view str);
bool IsStringASCII(std::wstring_view str);

// True when `str` is well-formed UTF-8 (no overlongs, surrogates or values
// above U+10FFFF).
bool IsStringUTF8(std::string_view str);

}  // namespace base

#endif  // BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
