// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_GUID_H_
#define BASE_GUID_H_

#include <string>
#include <string_view>

namespace base {

// A random (version 4) GUID in lower case without braces:
// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx", y one of 8, 9, a, b. The bits come
// from the system's cryptographic random number generator. Thread-safe.
std::string GenerateGUID();

// True for 36 characters in the 8-4-4-4-12 pattern of hexadecimal digits of
// either case (no braces).
bool IsValidGUID(std::string_view guid);

// As IsValidGUID, but only lower-case digits: the form GenerateGUID gives.
bool IsValidGUIDOutputString(std::string_view guid);

}  // namespace base

#endif  // BASE_GUID_H_
