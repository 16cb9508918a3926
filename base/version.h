// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_VERSION_H_
#define BASE_VERSION_H_

#include <stdint.h>

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// A dotted version number such as "12.0.345.6": one or more unsigned 32-bit
// components. Built from text, it is valid only when every dot-separated part
// is a plain decimal number in range: no sign, no white space, no empty part
// ("1..2", "1.", ".1" are invalid), and no leading zero in the first part
// ("02.1" is invalid, "2.01" is 2.1). A default-constructed Version is
// invalid. Comparison treats missing trailing components as zero, so "1.0"
// equals "1.0.0"; comparing an invalid version is a caller error (DCHECKed).
// A plain value type, usable on any thread.
class Version {
 public:
  Version();
  Version(const Version& other);
  Version& operator=(const Version& other);
  Version(Version&& other) noexcept;
  Version& operator=(Version&& other) noexcept;
  explicit Version(std::string_view version_str);
  // Valid when `components` is not empty.
  explicit Version(std::vector<uint32_t> components);
  ~Version();

  bool IsValid() const { return !components_.empty(); }

  // -1, 0 or 1 as this version is older than, equal to or newer than `other`.
  int CompareTo(const Version& other) const;

  // The dotted text ("1.2.3"), or "invalid".
  std::string GetString() const;

  const std::vector<uint32_t>& components() const { return components_; }

 private:
  std::vector<uint32_t> components_;
};

bool operator==(const Version& v1, const Version& v2);
bool operator!=(const Version& v1, const Version& v2);
bool operator<(const Version& v1, const Version& v2);
bool operator<=(const Version& v1, const Version& v2);
bool operator>(const Version& v1, const Version& v2);
bool operator>=(const Version& v1, const Version& v2);
std::ostream& operator<<(std::ostream& stream, const Version& v);

}  // namespace base

#endif  // BASE_VERSION_H_
