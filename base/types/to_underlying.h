// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TYPES_TO_UNDERLYING_H_
#define BASE_TYPES_TO_UNDERLYING_H_

#include <type_traits>

namespace base {

// The value of an enumerator as its underlying integer type, for the places
// where an enumeration leaves the program as a number: a log line, a stored
// file, a registry value, a wire format. The reverse direction has no helper
// on purpose: a number read from outside must be checked against the
// enumeration's values where it is read.
template <typename Enum>
constexpr std::underlying_type_t<Enum> to_underlying(Enum value) noexcept {
  static_assert(std::is_enum_v<Enum>, "to_underlying takes an enumeration");
  return static_cast<std::underlying_type_t<Enum>>(value);
}

}  // namespace base

#endif  // BASE_TYPES_TO_UNDERLYING_H_
