// Copyright 2026 Velta Software. All rights reserved.

#include "base/features/feature_states.h"

#include <utility>

#include "base/command_line.h"
#include "base/features/feature_state_reader.h"
#include "base/logging.h"
#include "base/no_destructor.h"

namespace velta {
namespace {

// Whether "with-feature:" + `name` reaches a child as the same name. The
// command line lower-cases switch names and splits at the first "=", so
// "Installer-Experiment-Test" (which matches no feature here) would arrive
// as a feature the child knows; a NUL or a control character would cut or
// garble the child's command line. Feature names are lower-case ASCII.
bool CanCarryInSwitch(std::string_view name) {
  if (name.empty())
    return false;
  for (char c : name) {
    if (c <= ' ' || c > '~' || c == '=' || (c >= 'A' && c <= 'Z'))
      return false;
  }
  return true;
}

}  // namespace

FeatureOverride::FeatureOverride(std::string name, bool enabled)
    : name_(std::move(name)), enabled_(enabled) {}

FeatureStates::FeatureStates() = default;

FeatureStates::~FeatureStates() = default;

// static
FeatureStates* FeatureStates::GetInstance() {
  static base::NoDestructor<FeatureStates> instance;
  return instance.get();
}

void FeatureStates::RegisterFeature(std::string name, bool default_enabled, bool overridable) {
  DCHECK(!FindFeature(name)) << "Feature registered twice: " << name;
  DCHECK(!readers_applied_) << "Feature registered after its overrides were read: " << name;
  features_.push_back(FeatureInfo{std::move(name), default_enabled, overridable});
}

void FeatureStates::ApplyReader(const FeatureStateReader& reader) {
  readers_applied_ = true;
  reader.Read(&overrides_);
}

bool FeatureStates::IsEnabled(std::string_view name) const {
  const FeatureInfo* feature = FindFeature(name);
  if (!feature)
    return false;
  if (!feature->overridable)
    return feature->default_enabled;
  for (auto it = overrides_.rbegin(); it != overrides_.rend(); ++it) {
    if (it->name() == name)
      return it->enabled();
  }
  return feature->default_enabled;
}

std::vector<FeatureOverride> FeatureStates::GetAllOverrides() const {
  return overrides_;
}

void FeatureStates::WriteSwitches(base::CommandLine* command_line) const {
  for (const FeatureOverride& feature_override : overrides_) {
    if (!CanCarryInSwitch(feature_override.name())) {
      VLOG(1) << "Not passing on an override of a feature name a switch cannot carry: "
              << feature_override.name();
      continue;
    }
    const std::string switch_name = GetFeatureSwitchName(feature_override.name());
    command_line->RemoveSwitch(switch_name);
    command_line->AppendSwitchASCII(switch_name, feature_override.enabled() ? "on" : "off");
  }
}

const FeatureInfo* FeatureStates::FindFeature(std::string_view name) const {
  for (const FeatureInfo& feature : features_) {
    if (feature.name == name)
      return &feature;
  }
  return nullptr;
}

bool IsFeatureEnabled(std::string_view name) {
  return FeatureStates::GetInstance()->IsEnabled(name);
}

void WriteFeatureSwitches(base::CommandLine* command_line) {
  FeatureStates::GetInstance()->WriteSwitches(command_line);
}

std::string GetFeatureSwitchName(std::string_view name) {
  std::string switch_name(kFeatureSwitchPrefix);
  switch_name.append(name);
  return switch_name;
}

}  // namespace velta
