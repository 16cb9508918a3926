// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FEATURES_FEATURE_STATES_H_
#define BASE_FEATURES_FEATURE_STATES_H_

#include <string>
#include <string_view>
#include <vector>

namespace base {
class CommandLine;
}

namespace velta {

class FeatureStateReader;

// The prefix of the switch that overrides a feature: "with-feature:" + name,
// with the value "on" (or none) or "off".
inline constexpr char kFeatureSwitchPrefix[] = "with-feature:";

// A registered feature. The default is decided by whoever registers it (the
// installer's table knows the running stream; this layer does not).
struct FeatureInfo {
  std::string name;
  bool default_enabled = false;
  bool overridable = false;
};

// One reader's verdict on one feature. The name is not checked against the
// registered features: an override of an unknown name changes nothing.
class FeatureOverride {
 public:
  FeatureOverride(std::string name, bool enabled);

  const std::string& name() const { return name_; }
  bool enabled() const { return enabled_; }

 private:
  std::string name_;
  bool enabled_;
};

// The features a process knows and the overrides its readers produced.
// Features are registered once at start-up, then readers are applied; after
// that the list does not change, so answers stay the same for the process's
// life and other threads may read it. The process-wide list is
// GetInstance(); the folder details keep local ones.
class FeatureStates {
 public:
  FeatureStates();
  FeatureStates(const FeatureStates&) = delete;
  FeatureStates& operator=(const FeatureStates&) = delete;
  virtual ~FeatureStates();

  // The process-wide list, made on first use (on the main thread, before any
  // worker starts) and never destroyed.
  static FeatureStates* GetInstance();

  // Registering a name twice is a programming error; the first one counts.
  void RegisterFeature(std::string name, bool default_enabled, bool overridable);

  // Appends what `reader` reads after the overrides already held, so a later
  // reader wins over an earlier one.
  void ApplyReader(const FeatureStateReader& reader);

  // False for a name that is not registered (exact, case-sensitive match);
  // the default for a feature that cannot be overridden; else the last
  // override of that name, or the default when there is none.
  bool IsEnabled(std::string_view name) const;

  std::vector<FeatureOverride> GetAllOverrides() const;
  const std::vector<FeatureInfo>& features() const { return features_; }
  bool readers_applied() const { return readers_applied_; }

  // Appends one `with-feature:` switch per overridden name to
  // `command_line`, with the value of that name's last override, replacing a
  // switch of that name already there. A child that registers the same
  // features and reads the switches gets the same IsEnabled answers. Names
  // a switch cannot carry unchanged are left out (see the .cc).
  void WriteSwitches(base::CommandLine* command_line) const;

 private:
  const FeatureInfo* FindFeature(std::string_view name) const;

  std::vector<FeatureInfo> features_;
  std::vector<FeatureOverride> overrides_;
  bool readers_applied_ = false;
};

// IsEnabled on the process-wide list.
bool IsFeatureEnabled(std::string_view name);

// WriteSwitches of the process-wide list.
void WriteFeatureSwitches(base::CommandLine* command_line);

// "with-feature:" + `name`.
std::string GetFeatureSwitchName(std::string_view name);

}  // namespace velta

#endif  // BASE_FEATURES_FEATURE_STATES_H_
