// Copyright 2026 Velta Software. All rights reserved.

#include "base/version.h"

#include <algorithm>
#include <ostream>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"

namespace base {
namespace {

bool ParseVersionNumbers(std::string_view version_str, std::vector<uint32_t>* parsed) {
  const std::vector<std::string_view> numbers =
      SplitStringPiece(version_str, ".", KEEP_WHITESPACE, SPLIT_WANT_ALL);
  if (numbers.empty())
    return false;
  for (size_t i = 0; i < numbers.size(); ++i) {
    // StringToUint would accept a '+'; a version part never has one.
    if (StartsWith(numbers[i], "+"))
      return false;
    unsigned number = 0;
    if (!StringToUint(numbers[i], &number))
      return false;
    // Leading zeros are refused in the first part only.
    if (i == 0 && NumberToString(number) != numbers[i])
      return false;
    parsed->push_back(number);
  }
  return true;
}

int CompareVersionComponents(const std::vector<uint32_t>& components1,
                             const std::vector<uint32_t>& components2) {
  const size_t count = std::min(components1.size(), components2.size());
  for (size_t i = 0; i < count; ++i) {
    if (components1[i] > components2[i])
      return 1;
    if (components1[i] < components2[i])
      return -1;
  }
  for (size_t i = count; i < components1.size(); ++i) {
    if (components1[i] > 0)
      return 1;
  }
  for (size_t i = count; i < components2.size(); ++i) {
    if (components2[i] > 0)
      return -1;
  }
  return 0;
}

}  // namespace

Version::Version() = default;
Version::Version(const Version& other) = default;
Version& Version::operator=(const Version& other) = default;
Version::Version(Version&& other) noexcept = default;
Version& Version::operator=(Version&& other) noexcept = default;
Version::~Version() = default;

Version::Version(std::string_view version_str) {
  std::vector<uint32_t> parsed;
  if (!ParseVersionNumbers(version_str, &parsed))
    return;
  components_.swap(parsed);
}

Version::Version(std::vector<uint32_t> components) : components_(std::move(components)) {}

int Version::CompareTo(const Version& other) const {
  DCHECK(IsValid());
  DCHECK(other.IsValid());
  return CompareVersionComponents(components_, other.components_);
}

std::string Version::GetString() const {
  if (!IsValid())
    return "invalid";
  std::string version_str;
  for (size_t i = 0; i < components_.size(); ++i) {
    if (i > 0)
      version_str.push_back('.');
    version_str.append(NumberToString(components_[i]));
  }
  return version_str;
}

bool operator==(const Version& v1, const Version& v2) {
  return v1.CompareTo(v2) == 0;
}
bool operator!=(const Version& v1, const Version& v2) {
  return !(v1 == v2);
}
bool operator<(const Version& v1, const Version& v2) {
  return v1.CompareTo(v2) < 0;
}
bool operator<=(const Version& v1, const Version& v2) {
  return v1.CompareTo(v2) <= 0;
}
bool operator>(const Version& v1, const Version& v2) {
  return v1.CompareTo(v2) > 0;
}
bool operator>=(const Version& v1, const Version& v2) {
  return v1.CompareTo(v2) >= 0;
}

std::ostream& operator<<(std::ostream& stream, const Version& v) {
  return stream << v.GetString();
}

}  // namespace base
