// Copyright 2026 Velta Software. All rights reserved.

#include "base/base64.h"

#include <array>

namespace base {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kInvalid = 0xFF;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (uint8_t& entry : table)
    entry = kInvalid;
  for (uint8_t i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

void EncodeBytes(const uint8_t* data, size_t size, std::string* output) {
  output->clear();
  output->reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const uint32_t group = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    output->push_back(kAlphabet[(group >> 18) & 0x3F]);
    output->push_back(kAlphabet[(group >> 12) & 0x3F]);
    output->push_back(kAlphabet[(group >> 6) & 0x3F]);
    output->push_back(kAlphabet[group & 0x3F]);
  }
  if (i < size) {
    const bool two = i + 1 < size;
    const uint32_t group = (data[i] << 16) | (two ? data[i + 1] << 8 : 0);
    output->push_back(kAlphabet[(group >> 18) & 0x3F]);
    output->push_back(kAlphabet[(group >> 12) & 0x3F]);
    output->push_back(two ? kAlphabet[(group >> 6) & 0x3F] : '=');
    output->push_back('=');
  }
}

// Appends the decoded bytes to `output`; false on any malformed input.
template <typename Container>
bool DecodeInto(std::string_view input, Container* output) {
  if (input.size() % 4 != 0)
    return false;
  size_t padding = 0;
  if (!input.empty() && input.back() == '=')
    padding = input.size() >= 2 && input[input.size() - 2] == '=' ? 2 : 1;
  const size_t data_chars = input.size() - padding;
  output->reserve(input.size() / 4 * 3);
  uint32_t group = 0;
  size_t count = 0;
  for (size_t i = 0; i < data_chars; ++i) {
    const uint8_t value = kDecodeTable[static_cast<unsigned char>(input[i])];
    if (value == kInvalid)
      return false;  // also "=" before the end
    group = (group << 6) | value;
    if (++count == 4) {
      output->push_back(static_cast<char>(group >> 16));
      output->push_back(static_cast<char>(group >> 8));
      output->push_back(static_cast<char>(group));
      group = 0;
      count = 0;
    }
  }
  // What is left is 0, 2 or 3 characters, matching the padding.
  if (count == 2) {
    output->push_back(static_cast<char>(group >> 4));
  } else if (count == 3) {
    output->push_back(static_cast<char>(group >> 10));
    output->push_back(static_cast<char>(group >> 2));
  }
  return count + padding == 4 || (count == 0 && padding == 0);
}

}  // namespace

std::string Base64Encode(std::string_view input) {
  std::string output;
  EncodeBytes(reinterpret_cast<const uint8_t*>(input.data()), input.size(), &output);
  return output;
}

std::string Base64Encode(std::span<const uint8_t> input) {
  std::string output;
  EncodeBytes(input.data(), input.size(), &output);
  return output;
}

void Base64Encode(std::string_view input, std::string* output) {
  EncodeBytes(reinterpret_cast<const uint8_t*>(input.data()), input.size(), output);
}

bool Base64Decode(std::string_view input, std::string* output) {
  std::string decoded;
  if (!DecodeInto(input, &decoded))
    return false;
  output->swap(decoded);
  return true;
}

std::optional<std::vector<uint8_t>> Base64Decode(std::string_view input) {
  std::vector<uint8_t> decoded;
  if (!DecodeInto(input, &decoded))
    return std::nullopt;
  return decoded;
}

}  // namespace base
