// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/string_util.h"

#include <type_traits>

#include "base/logging.h"

namespace base {

const char kWhitespaceASCII[] = "\x09\x0A\x0B\x0C\x0D\x20";
const wchar_t kWhitespaceWide[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085, 0x00A0, 0x1680,
    0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
    0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0};

namespace {

template <typename Char>
using UnsignedOf = std::make_unsigned_t<Char>;

template <typename Char>
std::basic_string<Char> ToLowerASCIIImpl(std::basic_string_view<Char> str) {
  std::basic_string<Char> result(str);
  for (Char& c : result)
    c = ToLowerASCII(c);
  return result;
}

template <typename Char>
std::basic_string<Char> ToUpperASCIIImpl(std::basic_string_view<Char> str) {
  std::basic_string<Char> result(str);
  for (Char& c : result)
    c = ToUpperASCII(c);
  return result;
}

template <typename Char>
int CompareCaseInsensitiveASCIIImpl(std::basic_string_view<Char> a,
                                    std::basic_string_view<Char> b) {
  const size_t length = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < length; ++i) {
    const auto lower_a = static_cast<UnsignedOf<Char>>(ToLowerASCII(a[i]));
    const auto lower_b = static_cast<UnsignedOf<Char>>(ToLowerASCII(b[i]));
    if (lower_a < lower_b)
      return -1;
    if (lower_a > lower_b)
      return 1;
  }
  if (a.size() == b.size())
    return 0;
  return a.size() < b.size() ? -1 : 1;
}

template <typename Char>
bool LowerCaseEqualsASCIIImpl(std::basic_string_view<Char> str, std::string_view lowercase_ascii) {
  if (str.size() != lowercase_ascii.size())
    return false;
  for (size_t i = 0; i < str.size(); ++i) {
    DCHECK(!IsAsciiUpper(lowercase_ascii[i])) << "Expected lower case: " << lowercase_ascii;
    if (ToLowerASCII(str[i]) != static_cast<Char>(static_cast<unsigned char>(lowercase_ascii[i])))
      return false;
  }
  return true;
}

template <typename Char>
bool StartsWithImpl(std::basic_string_view<Char> str,
                    std::basic_string_view<Char> search_for,
                    CompareCase case_sensitivity) {
  if (search_for.size() > str.size())
    return false;
  const std::basic_string_view<Char> source = str.substr(0, search_for.size());
  if (case_sensitivity == CompareCase::SENSITIVE)
    return source == search_for;
  return CompareCaseInsensitiveASCIIImpl(source, search_for) == 0;
}

template <typename Char>
bool EndsWithImpl(std::basic_string_view<Char> str,
                  std::basic_string_view<Char> search_for,
                  CompareCase case_sensitivity) {
  if (search_for.size() > str.size())
    return false;
  const std::basic_string_view<Char> source = str.substr(str.size() - search_for.size());
  if (case_sensitivity == CompareCase::SENSITIVE)
    return source == search_for;
  return CompareCaseInsensitiveASCIIImpl(source, search_for) == 0;
}

// The part of `input` that survives trimming, and where something was cut.
template <typename Char>
TrimPositions TrimStringView(std::basic_string_view<Char> input,
                             std::basic_string_view<Char> trim_chars,
                             TrimPositions positions,
                             std::basic_string_view<Char>* output) {
  using View = std::basic_string_view<Char>;
  if (input.empty()) {
    *output = View();
    return TRIM_NONE;
  }
  const size_t last_char = input.size() - 1;
  const size_t first_good =
      (positions & TRIM_LEADING) ? input.find_first_not_of(trim_chars) : 0;
  const size_t last_good =
      (positions & TRIM_TRAILING) ? input.find_last_not_of(trim_chars) : last_char;
  if (first_good == View::npos || last_good == View::npos) {
    // Everything was trimmable: it all goes, from the ends asked for.
    *output = View();
    return positions;
  }
  *output = input.substr(first_good, last_good - first_good + 1);
  return static_cast<TrimPositions>((first_good == 0 ? TRIM_NONE : TRIM_LEADING) |
                                    (last_good == last_char ? TRIM_NONE : TRIM_TRAILING));
}

template <typename Char>
TrimPositions TrimStringT(std::basic_string_view<Char> input,
                          std::basic_string_view<Char> trim_chars,
                          TrimPositions positions,
                          std::basic_string<Char>* output) {
  std::basic_string_view<Char> trimmed;
  const TrimPositions result = TrimStringView(input, trim_chars, positions, &trimmed);
  // `input` may view `*output`: copy before assigning.
  std::basic_string<Char> copy(trimmed);
  output->swap(copy);
  return result;
}

template <typename Char>
void DoReplaceSubstrings(std::basic_string<Char>* str,
                         size_t start_offset,
                         std::basic_string_view<Char> find_this,
                         std::basic_string_view<Char> replace_with,
                         bool first_only) {
  if (find_this.empty() || start_offset > str->size())
    return;
  // The arguments may view `*str`: keep copies.
  const std::basic_string<Char> find(find_this);
  const std::basic_string<Char> replace(replace_with);
  std::basic_string<Char> result;
  size_t copied_up_to = 0;
  size_t pos = str->find(find, start_offset);
  if (pos == std::basic_string<Char>::npos)
    return;
  result.reserve(str->size());
  while (pos != std::basic_string<Char>::npos) {
    result.append(*str, copied_up_to, pos - copied_up_to);
    result.append(replace);
    copied_up_to = pos + find.size();
    if (first_only)
      break;
    pos = str->find(find, copied_up_to);
  }
  result.append(*str, copied_up_to, std::basic_string<Char>::npos);
  str->swap(result);
}

template <typename Char>
bool ReplaceCharsT(std::basic_string_view<Char> input,
                   std::basic_string_view<Char> replace_chars,
                   std::basic_string_view<Char> replace_with,
                   std::basic_string<Char>* output) {
  std::basic_string<Char> result;
  result.reserve(input.size());
  bool replaced = false;
  for (Char c : input) {
    if (replace_chars.find(c) != std::basic_string_view<Char>::npos) {
      result.append(replace_with);
      replaced = true;
    } else {
      result.push_back(c);
    }
  }
  output->swap(result);
  return replaced;
}

template <typename Char, typename Container>
std::basic_string<Char> JoinStringT(const Container& parts, std::basic_string_view<Char> separator) {
  std::basic_string<Char> result;
  bool first = true;
  for (const auto& part : parts) {
    if (!first)
      result.append(separator);
    result.append(part);
    first = false;
  }
  return result;
}

}  // namespace

std::string ToLowerASCII(std::string_view str) {
  return ToLowerASCIIImpl(str);
}
std::wstring ToLowerASCII(std::wstring_view str) {
  return ToLowerASCIIImpl(str);
}
std::string ToUpperASCII(std::string_view str) {
  return ToUpperASCIIImpl(str);
}
std::wstring ToUpperASCII(std::wstring_view str) {
  return ToUpperASCIIImpl(str);
}

int CompareCaseInsensitiveASCII(std::string_view a, std::string_view b) {
  return CompareCaseInsensitiveASCIIImpl(a, b);
}
int CompareCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b) {
  return CompareCaseInsensitiveASCIIImpl(a, b);
}
bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareCaseInsensitiveASCIIImpl(a, b) == 0;
}
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && CompareCaseInsensitiveASCIIImpl(a, b) == 0;
}

bool LowerCaseEqualsASCII(std::string_view str, std::string_view lowercase_ascii) {
  return LowerCaseEqualsASCIIImpl(str, lowercase_ascii);
}
bool LowerCaseEqualsASCII(std::wstring_view str, std::string_view lowercase_ascii) {
  return LowerCaseEqualsASCIIImpl(str, lowercase_ascii);
}

bool StartsWith(std::string_view str, std::string_view search_for, CompareCase case_sensitivity) {
  return StartsWithImpl(str, search_for, case_sensitivity);
}
bool StartsWith(std::wstring_view str, std::wstring_view search_for, CompareCase case_sensitivity) {
  return StartsWithImpl(str, search_for, case_sensitivity);
}
bool EndsWith(std::string_view str, std::string_view search_for, CompareCase case_sensitivity) {
  return EndsWithImpl(str, search_for, case_sensitivity);
}
bool EndsWith(std::wstring_view str, std::wstring_view search_for, CompareCase case_sensitivity) {
  return EndsWithImpl(str, search_for, case_sensitivity);
}

bool TrimString(std::string_view input, std::string_view trim_chars, std::string* output) {
  return TrimStringT(input, trim_chars, TRIM_ALL, output) != TRIM_NONE;
}
bool TrimString(std::wstring_view input, std::wstring_view trim_chars, std::wstring* output) {
  return TrimStringT(input, trim_chars, TRIM_ALL, output) != TRIM_NONE;
}
std::string_view TrimString(std::string_view input,
                            std::string_view trim_chars,
                            TrimPositions positions) {
  std::string_view output;
  TrimStringView(input, trim_chars, positions, &output);
  return output;
}
std::wstring_view TrimString(std::wstring_view input,
                             std::wstring_view trim_chars,
                             TrimPositions positions) {
  std::wstring_view output;
  TrimStringView(input, trim_chars, positions, &output);
  return output;
}

TrimPositions TrimWhitespace(std::wstring_view input,
                             TrimPositions positions,
                             std::wstring* output) {
  return TrimStringT(input, std::wstring_view(kWhitespaceWide), positions, output);
}
std::wstring_view TrimWhitespace(std::wstring_view input, TrimPositions positions) {
  return TrimString(input, std::wstring_view(kWhitespaceWide), positions);
}
TrimPositions TrimWhitespaceASCII(std::string_view input,
                                  TrimPositions positions,
                                  std::string* output) {
  return TrimStringT(input, std::string_view(kWhitespaceASCII), positions, output);
}
std::string_view TrimWhitespaceASCII(std::string_view input, TrimPositions positions) {
  return TrimString(input, std::string_view(kWhitespaceASCII), positions);
}
TrimPositions TrimWhitespace(std::string_view input, TrimPositions positions, std::string* output) {
  return TrimWhitespaceASCII(input, positions, output);
}
std::string_view TrimWhitespace(std::string_view input, TrimPositions positions) {
  return TrimWhitespaceASCII(input, positions);
}

std::string CollapseWhitespaceASCII(std::string_view text, bool trim_sequences_with_line_breaks) {
  std::string result;
  result.reserve(text.size());
  // Start as if inside a run that was already dropped, so that leading white
  // space goes.
  bool in_whitespace = true;
  bool already_trimmed = true;
  for (char c : text) {
    if (std::string_view(kWhitespaceASCII).find(c) == std::string_view::npos) {
      in_whitespace = false;
      already_trimmed = false;
      result.push_back(c);
      continue;
    }
    if (!in_whitespace) {
      in_whitespace = true;
      result.push_back(' ');
    }
    if (trim_sequences_with_line_breaks && !already_trimmed && (c == '\n' || c == '\r')) {
      already_trimmed = true;
      result.pop_back();
    }
  }
  // A trailing run left its blank behind.
  if (in_whitespace && !already_trimmed)
    result.pop_back();
  return result;
}

void ReplaceSubstringsAfterOffset(std::string* str,
                                  size_t start_offset,
                                  std::string_view find_this,
                                  std::string_view replace_with) {
  DoReplaceSubstrings(str, start_offset, find_this, replace_with, false);
}
void ReplaceSubstringsAfterOffset(std::wstring* str,
                                  size_t start_offset,
                                  std::wstring_view find_this,
                                  std::wstring_view replace_with) {
  DoReplaceSubstrings(str, start_offset, find_this, replace_with, false);
}
void ReplaceFirstSubstringAfterOffset(std::string* str,
                                      size_t start_offset,
                                      std::string_view find_this,
                                      std::string_view replace_with) {
  DoReplaceSubstrings(str, start_offset, find_this, replace_with, true);
}
void ReplaceFirstSubstringAfterOffset(std::wstring* str,
                                      size_t start_offset,
                                      std::wstring_view find_this,
                                      std::wstring_view replace_with) {
  DoReplaceSubstrings(str, start_offset, find_this, replace_with, true);
}

bool ReplaceChars(std::string_view input,
                  std::string_view replace_chars,
                  std::string_view replace_with,
                  std::string* output) {
  return ReplaceCharsT(input, replace_chars, replace_with, output);
}
bool ReplaceChars(std::wstring_view input,
                  std::wstring_view replace_chars,
                  std::wstring_view replace_with,
                  std::wstring* output) {
  return ReplaceCharsT(input, replace_chars, replace_with, output);
}

bool ContainsOnlyChars(std::string_view input, std::string_view characters) {
  return input.find_first_not_of(characters) == std::string_view::npos;
}
bool ContainsOnlyChars(std::wstring_view input, std::wstring_view characters) {
  return input.find_first_not_of(characters) == std::wstring_view::npos;
}

std::string JoinString(const std::vector<std::string>& parts, std::string_view separator) {
  return JoinStringT<char>(parts, separator);
}
std::string JoinString(const std::vector<std::string_view>& parts, std::string_view separator) {
  return JoinStringT<char>(parts, separator);
}
std::string JoinString(std::initializer_list<std::string_view> parts, std::string_view separator) {
  return JoinStringT<char>(parts, separator);
}
std::wstring JoinString(const std::vector<std::wstring>& parts, std::wstring_view separator) {
  return JoinStringT<wchar_t>(parts, separator);
}
std::wstring JoinString(const std::vector<std::wstring_view>& parts, std::wstring_view separator) {
  return JoinStringT<wchar_t>(parts, separator);
}
std::wstring JoinString(std::initializer_list<std::wstring_view> parts,
                        std::wstring_view separator) {
  return JoinStringT<wchar_t>(parts, separator);
}

std::wstring ReplaceStringPlaceholders(std::wstring_view format_string,
                                       const std::vector<std::wstring>& subst) {
  std::wstring result;
  result.reserve(format_string.size());
  for (size_t i = 0; i < format_string.size(); ++i) {
    const wchar_t c = format_string[i];
    if (c != L'$' || i + 1 == format_string.size()) {
      result.push_back(c);
      continue;
    }
    const wchar_t next = format_string[i + 1];
    if (next == L'$') {
      result.push_back(L'$');
      ++i;
    } else if (next >= L'1' && next <= L'9' &&
               static_cast<size_t>(next - L'1') < subst.size()) {
      result.append(subst[next - L'1']);
      ++i;
    } else {
      result.push_back(c);
    }
  }
  return result;
}

}  // namespace base
