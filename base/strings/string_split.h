// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_STRINGS_STRING_SPLIT_H_
#define BASE_STRINGS_STRING_SPLIT_H_

#include <string>
#include <string_view>
#include <vector>

namespace base {

// Splitting text into pieces, narrow and wide. Pure functions.

enum WhitespaceHandling {
  KEEP_WHITESPACE,
  // Each piece loses white space at both ends (ASCII white space for narrow
  // text, Unicode white space for wide text) before SPLIT_WANT_NONEMPTY looks
  // at it.
  TRIM_WHITESPACE,
};

enum SplitResult {
  // Every piece, empty ones included: "a,,b" gives "a", "", "b".
  SPLIT_WANT_ALL,
  // Only non-empty pieces: "a,,b" gives "a", "b".
  SPLIT_WANT_NONEMPTY,
};

// Splits `input` at every character that appears in `separators` (a set of
// single characters, not a substring). An empty input gives no pieces, also
// with SPLIT_WANT_ALL; "a," gives "a" and "" with SPLIT_WANT_ALL.
std::vector<std::string> SplitString(std::string_view input,
                                     std::string_view separators,
                                     WhitespaceHandling whitespace,
                                     SplitResult result_type);
std::vector<std::wstring> SplitString(std::wstring_view input,
                                      std::wstring_view separators,
                                      WhitespaceHandling whitespace,
                                      SplitResult result_type);
// The same pieces as views into `input`, which must outlive them.
std::vector<std::string_view> SplitStringPiece(std::string_view input,
                                               std::string_view separators,
                                               WhitespaceHandling whitespace,
                                               SplitResult result_type);
std::vector<std::wstring_view> SplitStringPiece(std::wstring_view input,
                                                std::wstring_view separators,
                                                WhitespaceHandling whitespace,
                                                SplitResult result_type);

// Splits at every occurrence of the whole `delimiter` string. Unlike
// SplitString, an empty input gives one empty piece with SPLIT_WANT_ALL, and an
// empty delimiter gives the input whole.
std::vector<std::string> SplitStringUsingSubstr(std::string_view input,
                                                std::string_view delimiter,
                                                WhitespaceHandling whitespace,
                                                SplitResult result_type);
std::vector<std::wstring> SplitStringUsingSubstr(std::wstring_view input,
                                                 std::wstring_view delimiter,
                                                 WhitespaceHandling whitespace,
                                                 SplitResult result_type);
std::vector<std::string_view> SplitStringPieceUsingSubstr(std::string_view input,
                                                          std::string_view delimiter,
                                                          WhitespaceHandling whitespace,
                                                          SplitResult result_type);
std::vector<std::wstring_view> SplitStringPieceUsingSubstr(std::wstring_view input,
                                                           std::wstring_view delimiter,
                                                           WhitespaceHandling whitespace,
                                                           SplitResult result_type);

}  // namespace base

#endif  // BASE_STRINGS_STRING_SPLIT_H_
