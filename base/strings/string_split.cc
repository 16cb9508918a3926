// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/string_split.h"

#include "base/strings/string_util.h"

namespace base {
namespace {

std::string_view WhitespaceFor(char) {
  return kWhitespaceASCII;
}
std::wstring_view WhitespaceFor(wchar_t) {
  return kWhitespaceWide;
}

template <typename Output, typename Char>
void AddPiece(std::basic_string_view<Char> piece,
              WhitespaceHandling whitespace,
              SplitResult result_type,
              std::vector<Output>* result) {
  if (whitespace == TRIM_WHITESPACE)
    piece = TrimString(piece, WhitespaceFor(Char()), TRIM_ALL);
  if (result_type == SPLIT_WANT_ALL || !piece.empty())
    result->emplace_back(piece);
}

template <typename Output, typename Char>
std::vector<Output> SplitStringT(std::basic_string_view<Char> input,
                                 std::basic_string_view<Char> separators,
                                 WhitespaceHandling whitespace,
                                 SplitResult result_type) {
  using View = std::basic_string_view<Char>;
  std::vector<Output> result;
  if (input.empty())
    return result;
  size_t start = 0;
  while (start != View::npos) {
    const size_t end = input.find_first_of(separators, start);
    View piece;
    if (end == View::npos) {
      piece = input.substr(start);
      start = View::npos;
    } else {
      piece = input.substr(start, end - start);
      start = end + 1;
    }
    AddPiece(piece, whitespace, result_type, &result);
  }
  return result;
}

template <typename Output, typename Char>
std::vector<Output> SplitStringUsingSubstrT(std::basic_string_view<Char> input,
                                            std::basic_string_view<Char> delimiter,
                                            WhitespaceHandling whitespace,
                                            SplitResult result_type) {
  using View = std::basic_string_view<Char>;
  std::vector<Output> result;
  if (delimiter.empty()) {
    result.emplace_back(input);
    return result;
  }
  size_t begin = 0;
  while (true) {
    const size_t end = input.find(delimiter, begin);
    if (end == View::npos) {
      AddPiece(input.substr(begin), whitespace, result_type, &result);
      break;
    }
    AddPiece(input.substr(begin, end - begin), whitespace, result_type, &result);
    begin = end + delimiter.size();
  }
  return result;
}

}  // namespace

std::vector<std::string> SplitString(std::string_view input,
                                     std::string_view separators,
                                     WhitespaceHandling whitespace,
                                     SplitResult result_type) {
  return SplitStringT<std::string>(input, separators, whitespace, result_type);
}
std::vector<std::wstring> SplitString(std::wstring_view input,
                                      std::wstring_view separators,
                                      WhitespaceHandling whitespace,
                                      SplitResult result_type) {
  return SplitStringT<std::wstring>(input, separators, whitespace, result_type);
}
std::vector<std::string_view> SplitStringPiece(std::string_view input,
                                               std::string_view separators,
                                               WhitespaceHandling whitespace,
                                               SplitResult result_type) {
  return SplitStringT<std::string_view>(input, separators, whitespace, result_type);
}
std::vector<std::wstring_view> SplitStringPiece(std::wstring_view input,
                                                std::wstring_view separators,
                                                WhitespaceHandling whitespace,
                                                SplitResult result_type) {
  return SplitStringT<std::wstring_view>(input, separators, whitespace, result_type);
}

std::vector<std::string> SplitStringUsingSubstr(std::string_view input,
                                                std::string_view delimiter,
                                                WhitespaceHandling whitespace,
                                                SplitResult result_type) {
  return SplitStringUsingSubstrT<std::string>(input, delimiter, whitespace, result_type);
}
std::vector<std::wstring> SplitStringUsingSubstr(std::wstring_view input,
                                                 std::wstring_view delimiter,
                                                 WhitespaceHandling whitespace,
                                                 SplitResult result_type) {
  return SplitStringUsingSubstrT<std::wstring>(input, delimiter, whitespace, result_type);
}
std::vector<std::string_view> SplitStringPieceUsingSubstr(std::string_view input,
                                                          std::string_view delimiter,
                                                          WhitespaceHandling whitespace,
                                                          SplitResult result_type) {
  return SplitStringUsingSubstrT<std::string_view>(input, delimiter, whitespace, result_type);
}
std::vector<std::wstring_view> SplitStringPieceUsingSubstr(std::wstring_view input,
                                                           std::wstring_view delimiter,
                                                           WhitespaceHandling whitespace,
                                                           SplitResult result_type) {
  return SplitStringUsingSubstrT<std::wstring_view>(input, delimiter, whitespace, result_type);
}

}  // namespace base
