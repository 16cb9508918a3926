// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_REPORTING_SETTINGS_H_
#define CRASH_REPORTER_CRASH_REPORTING_SETTINGS_H_

namespace base {
class CommandLine;
class FilePath;
}  // namespace base

namespace velta {

// Whether crash reporting is on at all, and whether the crash handler road
// replaces the crash reporter's own. Each setting starts from its default,
// then the feature table's default for the running stream, then the
// "with-feature:" switch, then the browser's local-state file: a later source
// wins, and only overridable settings listen to switch and file.
class CrashReportingSettings {
 public:
  // The feature that selects the crash handler road.
  static constexpr char kCrashHandlerFeature[] = "enable-crashpad-on-windows";
  // The local-state preference that turns crash reporting off.
  static constexpr char kReportingEnabledPref[] = "user_experience_metrics.reporting_enabled";

  CrashReportingSettings();

  // An empty or unreadable `local_state` leaves the file's step out.
  void Read(const base::CommandLine& command_line, const base::FilePath& local_state);

  bool IsCrashReportingEnabled() const { return rows_[0].enabled; }
  bool IsCrashpadEnabled() const { return rows_[1].enabled; }

 private:
  struct Row {
    const char* feature_name;
    const char* pref_path;
    bool enabled;
    bool overridable;
  };
  Row rows_[2];
};

// The process-wide settings, read once by a crash role's main thread from
// the process's command line.
void ReadCrashReportingSettings(const base::FilePath& local_state);
bool IsCrashReportingEnabled();
bool IsCrashpadEnabled();

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_REPORTING_SETTINGS_H_
