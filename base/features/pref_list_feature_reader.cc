// Copyright 2026 Velta Software. All rights reserved.

#include "base/features/pref_list_feature_reader.h"

#include <string>
#include <utility>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"

namespace velta {
namespace {

constexpr int kStoredStateEnabled = 1;
constexpr int kStoredStateDisabled = 2;

}  // namespace

PrefListFeatureReader::PrefListFeatureReader(base::Value list) : list_(std::move(list)) {}

PrefListFeatureReader::~PrefListFeatureReader() = default;

void PrefListFeatureReader::Read(std::vector<FeatureOverride>* overrides) const {
  if (!list_.is_list())
    return;
  for (const base::Value& item : list_.GetList()) {
    if (!item.is_string())
      continue;
    std::vector<std::string> parts =
        base::SplitString(item.GetString(), "@", base::TRIM_WHITESPACE, base::SPLIT_WANT_ALL);
    if (parts.size() != 2)
      continue;
    // StringToInt leaves a best effort behind on failure ("1x" gives 1): only
    // a state that converts whole counts.
    int state = 0;
    if (!base::StringToInt(parts[1], &state))
      continue;
    if (state == kStoredStateEnabled)
      overrides->emplace_back(std::move(parts[0]), true);
    else if (state == kStoredStateDisabled)
      overrides->emplace_back(std::move(parts[0]), false);
  }
}

}  // namespace velta
