// Copyright 2026 Velta Software. All rights reserved.

#include "base/features/command_line_feature_reader.h"

#include <string>
#include <string_view>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {

CommandLineFeatureReader::CommandLineFeatureReader(const base::CommandLine& command_line)
    : command_line_(command_line) {}

CommandLineFeatureReader::~CommandLineFeatureReader() = default;

void CommandLineFeatureReader::Read(std::vector<FeatureOverride>* overrides) const {
  const std::string_view prefix(kFeatureSwitchPrefix);
  for (const auto& [switch_name, value] : command_line_.GetSwitches()) {
    if (!base::StartsWith(switch_name, prefix, base::CompareCase::SENSITIVE))
      continue;
    std::string name = switch_name.substr(prefix.size());
    // Compared as given: a value outside ASCII is unhandled like any other,
    // not taken for an empty one (which would mean "on").
    if (value.empty() || value == L"on") {
      overrides->emplace_back(std::move(name), true);
    } else if (value == L"off") {
      overrides->emplace_back(std::move(name), false);
    } else {
      LOG(WARNING) << switch_name << " has unhandled value: \"" << base::WideToUTF8(value)
                   << "\" did you mean \"on\" or \"off\"? Using default setting.";
    }
  }
}

}  // namespace velta
