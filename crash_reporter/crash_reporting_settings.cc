// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_reporting_settings.h"

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/features/feature_states.h"
#include "base/files/file_path.h"
#include "base/json/json_file_value_serializer.h"
#include "base/no_destructor.h"
#include "base/values.h"
#include "desktop/windows/installer/common/product/installer_features.h"

namespace velta {

CrashReportingSettings::CrashReportingSettings()
    : rows_{{.feature_name = nullptr,
             .pref_path = kReportingEnabledPref,
             .enabled = true,
             .overridable = true},
            {.feature_name = kCrashHandlerFeature,
             .pref_path = nullptr,
             .enabled = false,
             .overridable = true}} {}

void CrashReportingSettings::Read(const base::CommandLine& command_line,
                                  const base::FilePath& local_state) {
  for (Row& row : rows_) {
    if (!row.feature_name)
      continue;
    const FeatureDefinition* feature = FindBrowserFeature(row.feature_name);
    if (feature) {
      row.enabled = IsFeatureOnByDefaultForStream(*feature);
      row.overridable = IsFeatureOverridable(*feature);
    }
  }

  for (Row& row : rows_) {
    if (!row.feature_name || !row.overridable)
      continue;
    const std::string switch_name = GetFeatureSwitchName(row.feature_name);
    if (!command_line.HasSwitch(switch_name))
      continue;
    const std::string value = command_line.GetSwitchValueASCII(switch_name);
    if (value == "off")
      row.enabled = false;
    else if (value == "on" || value.empty())
      row.enabled = true;
  }

  if (local_state.empty())
    return;
  base::JSONFileValueDeserializer deserializer(local_state);
  int error_code = 0;
  std::string error_message;
  const std::unique_ptr<base::Value> root = deserializer.Deserialize(&error_code, &error_message);
  if (!root || !root->is_dict())
    return;
  for (Row& row : rows_) {
    if (!row.overridable)
      continue;
    if (row.feature_name) {
      const std::optional<int> state =
          root->FindIntPath(std::string("browser.flags.") + row.feature_name);
      if (state == 1)
        row.enabled = true;
      else if (state == 2)
        row.enabled = false;
    } else if (row.pref_path) {
      const std::optional<bool> enabled = root->FindBoolPath(row.pref_path);
      if (enabled)
        row.enabled = *enabled;
    }
  }
}

namespace {

CrashReportingSettings& ProcessSettings() {
  static base::NoDestructor<CrashReportingSettings> settings;
  return *settings;
}

}  // namespace

void ReadCrashReportingSettings(const base::FilePath& local_state) {
  ProcessSettings().Read(*base::CommandLine::ForCurrentProcess(), local_state);
}

bool IsCrashReportingEnabled() {
  return ProcessSettings().IsCrashReportingEnabled();
}

bool IsCrashpadEnabled() {
  return ProcessSettings().IsCrashpadEnabled();
}

}  // namespace velta
