// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_BASE64_H_
#define BASE_BASE64_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Base64 of RFC 4648 section 4: the standard alphabet ("+" and "/") with "="
// padding to a multiple of 4 characters. Stateless; any thread.
std::string Base64Encode(std::string_view input);
std::string Base64Encode(std::span<const uint8_t> input);
void Base64Encode(std::string_view input, std::string* output);

// Strict decoding of what Base64Encode writes: the length must be a multiple
// of 4, "=" may only end the text (at most two), and nothing outside the
// alphabet is allowed, white space included (callers that receive padded or
// wrapped text trim it first). The unused low bits of the last character
// are ignored, as most encoders leave them zero anyway. On failure `output`
// is left unchanged.
bool Base64Decode(std::string_view input, std::string* output);
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view input);

}  // namespace base

#endif  // BASE_BASE64_H_
