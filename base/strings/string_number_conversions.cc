// Copyright 2026 Velta Software. All rights reserved.

#include "base/strings/string_number_conversions.h"

#include <math.h>

#include <charconv>
#include <limits>
#include <optional>
#include <system_error>

#include "base/logging.h"
#include "base/strings/string_util.h"

namespace base {
namespace {

bool IsLeadingWhitespace(char c) {
  return std::string_view(kWhitespaceASCII).find(c) != std::string_view::npos;
}
bool IsLeadingWhitespace(wchar_t c) {
  return std::wstring_view(kWhitespaceWide).find(c) != std::wstring_view::npos;
}

template <int kBase, typename Char>
std::optional<uint8_t> CharToDigit(Char c) {
  if (c >= '0' && c <= '9')
    return static_cast<uint8_t>(c - '0');
  if (kBase == 16) {
    if (c >= 'a' && c <= 'f')
      return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
      return static_cast<uint8_t>(c - 'A' + 10);
  }
  return std::nullopt;
}

template <typename Number>
struct ParseResult {
  Number value = 0;
  bool valid = false;
};

// Accumulates digits towards the type's maximum (positive) or minimum
// (negative), stopping at the first non-digit or at the bound.
template <typename Number, int kBase, bool kNegative, typename Char>
ParseResult<Number> ParseDigits(std::basic_string_view<Char> digits) {
  constexpr Number kMin = std::numeric_limits<Number>::min();
  constexpr Number kMax = std::numeric_limits<Number>::max();
  Number value = 0;
  if (digits.empty())
    return {value, false};
  if (kBase == 16 && digits.size() > 2 && digits[0] == '0' &&
      (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
  }
  for (size_t i = 0; i < digits.size(); ++i) {
    const std::optional<uint8_t> digit = CharToDigit<kBase>(digits[i]);
    if (!digit)
      return {value, false};
    if constexpr (kNegative) {
      if (value < kMin / kBase ||
          (value == kMin / kBase && *digit > static_cast<uint8_t>(-(kMin % kBase)))) {
        return {kMin, false};
      }
      value = static_cast<Number>(value * kBase - *digit);
    } else {
      if (value > kMax / kBase || (value == kMax / kBase && *digit > kMax % kBase))
        return {kMax, false};
      value = static_cast<Number>(value * kBase + *digit);
    }
  }
  return {value, true};
}

template <typename Number, int kBase, typename Char>
bool StringToNumber(std::basic_string_view<Char> input, Number* output) {
  bool has_leading_whitespace = false;
  while (!input.empty() && IsLeadingWhitespace(input.front())) {
    has_leading_whitespace = true;
    input.remove_prefix(1);
  }
  ParseResult<Number> result;
  if (!input.empty() && input.front() == '-') {
    if constexpr (std::numeric_limits<Number>::is_signed) {
      result = ParseDigits<Number, kBase, true>(input.substr(1));
    } else {
      result = {0, false};
    }
  } else {
    if (!input.empty() && input.front() == '+')
      input.remove_prefix(1);
    result = ParseDigits<Number, kBase, false>(input);
  }
  *output = result.value;
  return result.valid && !has_leading_whitespace;
}

// Reads the longest decimal floating-point number at the start of `input`
// (which starts after any white space). Returns how many characters it used;
// 0 when none start there.
template <typename Char>
size_t ParseDoublePrefix(std::basic_string_view<Char> input, double* output) {
  *output = 0.0;
  size_t pos = 0;
  const size_t size = input.size();
  bool negative = false;
  if (pos < size && (input[pos] == '+' || input[pos] == '-')) {
    negative = input[pos] == '-';
    ++pos;
  }
  // The mantissa, copied as ASCII without its sign, and the decimal magnitude
  // of its first significant digit (for telling overflow from underflow).
  std::string text;
  size_t digit_count = 0;
  int64_t magnitude = 0;
  bool seen_significant = false;
  bool in_fraction = false;
  for (; pos < size; ++pos) {
    const Char c = input[pos];
    if (IsAsciiDigit(c)) {
      ++digit_count;
      if (c != '0')
        seen_significant = true;
      if (!in_fraction && seen_significant)
        ++magnitude;
      else if (in_fraction && !seen_significant)
        --magnitude;
      text.push_back(static_cast<char>(c));
    } else if (c == '.' && !in_fraction) {
      in_fraction = true;
      text.push_back('.');
    } else {
      break;
    }
  }
  if (digit_count == 0)
    return 0;
  // An exponent counts only when digits follow it ("1e" is "1" and junk).
  int64_t exponent = 0;
  if (pos < size && (input[pos] == 'e' || input[pos] == 'E')) {
    size_t exponent_pos = pos + 1;
    bool exponent_negative = false;
    if (exponent_pos < size && (input[exponent_pos] == '+' || input[exponent_pos] == '-')) {
      exponent_negative = input[exponent_pos] == '-';
      ++exponent_pos;
    }
    if (exponent_pos < size && IsAsciiDigit(input[exponent_pos])) {
      text.push_back('e');
      if (exponent_negative)
        text.push_back('-');
      for (; exponent_pos < size && IsAsciiDigit(input[exponent_pos]); ++exponent_pos) {
        text.push_back(static_cast<char>(input[exponent_pos]));
        if (exponent < 1000000000)
          exponent = exponent * 10 + (input[exponent_pos] - '0');
      }
      if (exponent_negative)
        exponent = -exponent;
      pos = exponent_pos;
    }
  }
  double value = 0.0;
  const std::from_chars_result result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = (seen_significant && magnitude + exponent > 0) ? HUGE_VAL : 0.0;
  } else if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    // Cannot happen for text built above; treat as no number.
    return 0;
  }
  *output = negative ? -value : value;
  return pos;
}

template <typename Char>
bool StringToDoubleImpl(std::basic_string_view<Char> input, double* output) {
  *output = 0.0;
  if (input.empty())
    return false;
  size_t start = 0;
  while (start < input.size() && IsLeadingWhitespace(input[start]))
    ++start;
  const size_t used = ParseDoublePrefix(input.substr(start), output);
  if (used == 0)
    return false;
  return start == 0 && start + used == input.size() && *output != HUGE_VAL &&
         *output != -HUGE_VAL;
}

template <typename Integer>
std::string IntegerToString(Integer value) {
  char buffer[32];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, result.ptr);
}

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

std::string DoubleToString(double value) {
  if (isnan(value))
    return "NaN";
  if (isinf(value))
    return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0)
    return "0";
  // Shortest round-trip digits in scientific form: "-1.2345e+02".
  char buffer[64];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::scientific);
  const std::string_view scientific(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t e_pos = scientific.find('e');
  DCHECK_NE(e_pos, std::string_view::npos);
  std::string sign;
  std::string digits;
  for (char c : scientific.substr(0, e_pos)) {
    if (c == '-')
      sign = "-";
    else if (c != '.')
      digits.push_back(c);
  }
  int exponent = 0;
  std::from_chars(scientific.data() + e_pos + 1 + (scientific[e_pos + 1] == '+' ? 1 : 0),
                  scientific.data() + scientific.size(), exponent);
  // value = 0.digits * 10^n
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;
  std::string out = sign;
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out += digits.substr(0, static_cast<size_t>(n));
    out += '.';
    out += digits.substr(static_cast<size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-n), '0');
    out += digits;
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'e';
    out += n - 1 >= 0 ? '+' : '-';
    out += IntegerToString(n - 1 >= 0 ? n - 1 : -(n - 1));
  }
  return out;
}

template <typename OutIter>
bool HexStringToByteContainer(std::string_view input, OutIter output) {
  if (input.empty() || input.size() % 2 != 0)
    return false;
  for (size_t i = 0; i < input.size() / 2; ++i) {
    const std::optional<uint8_t> msb = CharToDigit<16>(input[i * 2]);
    const std::optional<uint8_t> lsb = CharToDigit<16>(input[i * 2 + 1]);
    if (!msb || !lsb)
      return false;
    *(output++) = static_cast<uint8_t>((*msb << 4) | *lsb);
  }
  return true;
}

}  // namespace

std::string NumberToString(int value) { return IntegerToString(value); }
std::string NumberToString(unsigned int value) { return IntegerToString(value); }
std::string NumberToString(long value) { return IntegerToString(value); }
std::string NumberToString(unsigned long value) { return IntegerToString(value); }
std::string NumberToString(long long value) { return IntegerToString(value); }
std::string NumberToString(unsigned long long value) { return IntegerToString(value); }
std::string NumberToString(double value) { return DoubleToString(value); }
std::wstring NumberToWString(int value) { return Widen(IntegerToString(value)); }
std::wstring NumberToWString(unsigned int value) { return Widen(IntegerToString(value)); }
std::wstring NumberToWString(long value) { return Widen(IntegerToString(value)); }
std::wstring NumberToWString(unsigned long value) { return Widen(IntegerToString(value)); }
std::wstring NumberToWString(long long value) { return Widen(IntegerToString(value)); }
std::wstring NumberToWString(unsigned long long value) { return Widen(IntegerToString(value)); }
std::wstring NumberToWString(double value) { return Widen(DoubleToString(value)); }

bool StringToInt(std::string_view input, int* output) {
  return StringToNumber<int, 10>(input, output);
}
bool StringToInt(std::wstring_view input, int* output) {
  return StringToNumber<int, 10>(input, output);
}
bool StringToUint(std::string_view input, unsigned* output) {
  return StringToNumber<unsigned, 10>(input, output);
}
bool StringToUint(std::wstring_view input, unsigned* output) {
  return StringToNumber<unsigned, 10>(input, output);
}
bool StringToInt64(std::string_view input, int64_t* output) {
  return StringToNumber<int64_t, 10>(input, output);
}
bool StringToInt64(std::wstring_view input, int64_t* output) {
  return StringToNumber<int64_t, 10>(input, output);
}
bool StringToUint64(std::string_view input, uint64_t* output) {
  return StringToNumber<uint64_t, 10>(input, output);
}
bool StringToUint64(std::wstring_view input, uint64_t* output) {
  return StringToNumber<uint64_t, 10>(input, output);
}
bool StringToSizeT(std::string_view input, size_t* output) {
  return StringToNumber<size_t, 10>(input, output);
}
bool StringToSizeT(std::wstring_view input, size_t* output) {
  return StringToNumber<size_t, 10>(input, output);
}

bool StringToDouble(std::string_view input, double* output) {
  return StringToDoubleImpl(input, output);
}
bool StringToDouble(std::wstring_view input, double* output) {
  return StringToDoubleImpl(input, output);
}

std::string HexEncode(const void* bytes, size_t size) {
  static const char kHexChars[] = "0123456789ABCDEF";
  const uint8_t* data = static_cast<const uint8_t*>(bytes);
  std::string result;
  result.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    result.push_back(kHexChars[data[i] >> 4]);
    result.push_back(kHexChars[data[i] & 0xF]);
  }
  return result;
}

std::string HexEncode(std::span<const uint8_t> bytes) {
  return HexEncode(bytes.data(), bytes.size());
}

bool HexStringToInt(std::string_view input, int* output) {
  return StringToNumber<int, 16>(input, output);
}
bool HexStringToUInt(std::string_view input, uint32_t* output) {
  return StringToNumber<uint32_t, 16>(input, output);
}
bool HexStringToInt64(std::string_view input, int64_t* output) {
  return StringToNumber<int64_t, 16>(input, output);
}
bool HexStringToUInt64(std::string_view input, uint64_t* output) {
  return StringToNumber<uint64_t, 16>(input, output);
}

bool HexStringToBytes(std::string_view input, std::vector<uint8_t>* output) {
  DCHECK(output->empty());
  return HexStringToByteContainer(input, std::back_inserter(*output));
}

}  // namespace base
