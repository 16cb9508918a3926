// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
#define BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_

#include <stddef.h>
#include <stdint.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Numbers to text and back, independent of the process locale. Pure
// functions, safe on any thread.

// Decimal text. Doubles use the shortest text that reads back to the same
// value, in the form JavaScript prints numbers: "1.5", "100", "1e+21",
// "1e-7", "NaN", "Infinity"; -0 prints as "0".
std::string NumberToString(int value);
std::string NumberToString(unsigned int value);
std::string NumberToString(long value);
std::string NumberToString(unsigned long value);
std::string NumberToString(long long value);
std::string NumberToString(unsigned long long value);
std::string NumberToString(double value);
std::wstring NumberToWString(int value);
std::wstring NumberToWString(unsigned int value);
std::wstring NumberToWString(long value);
std::wstring NumberToWString(unsigned long value);
std::wstring NumberToWString(long long value);
std::wstring NumberToWString(unsigned long long value);
std::wstring NumberToWString(double value);

// Text to numbers. True only when the whole input is one number in range:
// an optional sign ('+' or '-'; '-' is refused for unsigned types, "-0"
// included) and decimal digits. Failures still leave a best effort in
// `output`, which some callers rely on:
//  - leading white space: skipped, the rest converted, but false;
//  - trailing characters ("12abc", "12 "): the value of the digits before
//    them, false;
//  - overflow or underflow: the type's maximum or minimum, false;
//  - empty input, a lone sign, or no digits: 0, false.
bool StringToInt(std::string_view input, int* output);
bool StringToInt(std::wstring_view input, int* output);
bool StringToUint(std::string_view input, unsigned* output);
bool StringToUint(std::wstring_view input, unsigned* output);
bool StringToInt64(std::string_view input, int64_t* output);
bool StringToInt64(std::wstring_view input, int64_t* output);
bool StringToUint64(std::string_view input, uint64_t* output);
bool StringToUint64(std::wstring_view input, uint64_t* output);
bool StringToSizeT(std::string_view input, size_t* output);
bool StringToSizeT(std::wstring_view input, size_t* output);

// Decimal floating point ("1.5", "-.5e-3", "1."), no hex, infinity or NaN
// spellings. False for empty input, leading white space (the rest is still
// converted), trailing characters (the leading number is kept) and overflow
// (then +-HUGE_VAL); values too small to represent become 0 and succeed.
bool StringToDouble(std::string_view input, double* output);
bool StringToDouble(std::wstring_view input, double* output);

// Upper-case hex, two digits per byte: {0x01, 0xAB} -> "01AB".
std::string HexEncode(const void* bytes, size_t size);
std::string HexEncode(std::span<const uint8_t> bytes);

// Hex text to numbers, with the rules of StringToInt above and an optional
// "0x"/"0X" after the sign. HexStringToInt accepts -0x80000000..0x7FFFFFFF;
// "80000000" overflows. HexStringToUInt accepts 0..0xFFFFFFFF.
bool HexStringToInt(std::string_view input, int* output);
bool HexStringToUInt(std::string_view input, uint32_t* output);
bool HexStringToInt64(std::string_view input, int64_t* output);
bool HexStringToUInt64(std::string_view input, uint64_t* output);

// Two hex digits per byte, no prefix, sign or white space; an empty or
// odd-length input fails. Appends to `output`, which must start empty; on
// failure it holds the bytes decoded before the bad digit.
bool HexStringToBytes(std::string_view input, std::vector<uint8_t>* output);

}  // namespace base

#endif  // BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
