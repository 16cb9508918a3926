// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_STRINGS_STRING_UTIL_H_
#define BASE_STRINGS_STRING_UTIL_H_

#include <stddef.h>

#include <concepts>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Small string helpers in narrow (UTF-8 or ASCII) and wide (UTF-16) forms.
// Every "ASCII" function changes or compares only the letters A-Z and a-z and
// leaves every other unit alone, whatever the process locale is: a Turkish
// locale does not turn "I" into a dotless i here. All functions are pure and
// safe on any thread.

// ASCII character classes. IsAsciiWhitespace is true for space, \t, \n, \r
// and \f (not \v, which the trimming functions below do remove).
template <std::integral Char>
constexpr bool IsAsciiWhitespace(Char c) {
  return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f';
}
template <std::integral Char>
constexpr bool IsAsciiUpper(Char c) {
  return c >= 'A' && c <= 'Z';
}
template <std::integral Char>
constexpr bool IsAsciiLower(Char c) {
  return c >= 'a' && c <= 'z';
}
template <std::integral Char>
constexpr bool IsAsciiAlpha(Char c) {
  return IsAsciiUpper(c) || IsAsciiLower(c);
}
template <std::integral Char>
constexpr bool IsAsciiDigit(Char c) {
  return c >= '0' && c <= '9';
}
template <std::integral Char>
constexpr bool IsAsciiAlphaNumeric(Char c) {
  return IsAsciiAlpha(c) || IsAsciiDigit(c);
}
template <std::integral Char>
constexpr bool IsHexDigit(Char c) {
  return IsAsciiDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
// The value of a hex digit (0-15); IsHexDigit(c) must hold.
template <std::integral Char>
constexpr char HexDigitToInt(Char c) {
  if (IsAsciiDigit(c))
    return static_cast<char>(c - '0');
  return static_cast<char>(IsAsciiUpper(c) ? c - 'A' + 10 : c - 'a' + 10);
}

template <std::integral Char>
constexpr Char ToLowerASCII(Char c) {
  return IsAsciiUpper(c) ? static_cast<Char>(c + ('a' - 'A')) : c;
}
template <std::integral Char>
constexpr Char ToUpperASCII(Char c) {
  return IsAsciiLower(c) ? static_cast<Char>(c + ('A' - 'a')) : c;
}

std::string ToLowerASCII(std::string_view str);
std::wstring ToLowerASCII(std::wstring_view str);
std::string ToUpperASCII(std::string_view str);
std::wstring ToUpperASCII(std::wstring_view str);

// Compares with A-Z folded to a-z: -1, 0 or 1. Other units compare by their
// unsigned value, so the order matches std::string's for case-free text.
int CompareCaseInsensitiveASCII(std::string_view a, std::string_view b);
int CompareCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b);
bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b);
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b);

// True when `str`, lowered with ToLowerASCII, equals `lowercase_ascii`, which
// must already be lower case (DCHECKed).
bool LowerCaseEqualsASCII(std::string_view str, std::string_view lowercase_ascii);
bool LowerCaseEqualsASCII(std::wstring_view str, std::string_view lowercase_ascii);

enum class CompareCase {
  SENSITIVE,
  INSENSITIVE_ASCII,
};

bool StartsWith(std::string_view str,
                std::string_view search_for,
                CompareCase case_sensitivity = CompareCase::SENSITIVE);
bool StartsWith(std::wstring_view str,
                std::wstring_view search_for,
                CompareCase case_sensitivity = CompareCase::SENSITIVE);
bool EndsWith(std::string_view str,
              std::string_view search_for,
              CompareCase case_sensitivity = CompareCase::SENSITIVE);
bool EndsWith(std::wstring_view str,
              std::wstring_view search_for,
              CompareCase case_sensitivity = CompareCase::SENSITIVE);

// The white space the trimming and splitting functions remove: ASCII's
// \t \n \v \f \r and space; the wide set adds Unicode's white space (U+0085,
// U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
extern const char kWhitespaceASCII[];
extern const wchar_t kWhitespaceWide[];

enum TrimPositions {
  TRIM_NONE = 0,
  TRIM_LEADING = 1 << 0,
  TRIM_TRAILING = 1 << 1,
  TRIM_ALL = TRIM_LEADING | TRIM_TRAILING,
};

// Removes the characters of `trim_chars` from the ends named by `positions`.
// The output forms return true (or the positions) only when something was
// removed. `output` may alias `input`'s storage.
bool TrimString(std::string_view input, std::string_view trim_chars, std::string* output);
bool TrimString(std::wstring_view input, std::wstring_view trim_chars, std::wstring* output);
std::string_view TrimString(std::string_view input,
                            std::string_view trim_chars,
                            TrimPositions positions);
std::wstring_view TrimString(std::wstring_view input,
                             std::wstring_view trim_chars,
                             TrimPositions positions);

// Wide text loses Unicode white space (kWhitespaceWide); narrow text only
// ASCII white space (narrow TrimWhitespace is the ASCII form under its older
// name). Returns where something was removed.
TrimPositions TrimWhitespace(std::wstring_view input,
                             TrimPositions positions,
                             std::wstring* output);
std::wstring_view TrimWhitespace(std::wstring_view input, TrimPositions positions);
TrimPositions TrimWhitespaceASCII(std::string_view input,
                                  TrimPositions positions,
                                  std::string* output);
std::string_view TrimWhitespaceASCII(std::string_view input, TrimPositions positions);
TrimPositions TrimWhitespace(std::string_view input, TrimPositions positions, std::string* output);
std::string_view TrimWhitespace(std::string_view input, TrimPositions positions);

// Turns every run of ASCII white space (kWhitespaceASCII) into one blank and
// drops it at both ends: "  a\r\n b " -> "a b". With
// `trim_sequences_with_line_breaks`, a run inside the text that holds a CR or
// LF is dropped whole instead ("a\r\nb" -> "ab").
std::string CollapseWhitespaceASCII(std::string_view text, bool trim_sequences_with_line_breaks);

// Replaces every occurrence of `find_this` at or after `start_offset` with
// `replace_with`, scanning left to right without looking at replaced text
// again ("aaa" with "a" -> "aa" stays finite). Nothing happens when
// `find_this` is empty or `start_offset` is past the end.
void ReplaceSubstringsAfterOffset(std::string* str,
                                  size_t start_offset,
                                  std::string_view find_this,
                                  std::string_view replace_with);
void ReplaceSubstringsAfterOffset(std::wstring* str,
                                  size_t start_offset,
                                  std::wstring_view find_this,
                                  std::wstring_view replace_with);
// Replaces only the first occurrence at or after `start_offset`.
void ReplaceFirstSubstringAfterOffset(std::string* str,
                                      size_t start_offset,
                                      std::string_view find_this,
                                      std::string_view replace_with);
void ReplaceFirstSubstringAfterOffset(std::wstring* str,
                                      size_t start_offset,
                                      std::wstring_view find_this,
                                      std::wstring_view replace_with);

// Writes `input` to `output` with each character found in `replace_chars`
// replaced by the whole of `replace_with`. True when anything was replaced.
bool ReplaceChars(std::string_view input,
                  std::string_view replace_chars,
                  std::string_view replace_with,
                  std::string* output);
bool ReplaceChars(std::wstring_view input,
                  std::wstring_view replace_chars,
                  std::wstring_view replace_with,
                  std::wstring* output);

// True when every character of `input` is one of `characters` (also for an
// empty input).
bool ContainsOnlyChars(std::string_view input, std::string_view characters);
bool ContainsOnlyChars(std::wstring_view input, std::wstring_view characters);

// Replaces "$1" to "$9" in `format_string` by `subst[0]` to `subst[8]` in one
// forward pass (inserted text is never scanned again) and "$$" by one "$".
// A placeholder with no argument, and a "$" before anything else, stay as they
// are, so a text with a missing argument still shows where it was.
std::wstring ReplaceStringPlaceholders(std::wstring_view format_string,
                                       const std::vector<std::wstring>& subst);

// The parts with `separator` between them; no separator for fewer than two.
std::string JoinString(const std::vector<std::string>& parts, std::string_view separator);
std::string JoinString(const std::vector<std::string_view>& parts, std::string_view separator);
std::string JoinString(std::initializer_list<std::string_view> parts, std::string_view separator);
std::wstring JoinString(const std::vector<std::wstring>& parts, std::wstring_view separator);
std::wstring JoinString(const std::vector<std::wstring_view>& parts, std::wstring_view separator);
std::wstring JoinString(std::initializer_list<std::wstring_view> parts,
                        std::wstring_view separator);

// Sizes `str` to hold `length_with_null` - 1 characters and returns its
// buffer, for C APIs that write a terminated string of a known size
// (`length_with_null` counts the terminator and is at least 1; std::string
// keeps room for it). The caller trims the string if the API wrote less.
template <typename String>
typename String::value_type* WriteInto(String* str, size_t length_with_null) {
  str->resize(length_with_null == 0 ? 0 : length_with_null - 1);
  return str->data();
}

}  // namespace base

#endif  // BASE_STRINGS_STRING_UTIL_H_
