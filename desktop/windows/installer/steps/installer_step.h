// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_H_

#include <stdint.h>

#include <string>

namespace base {
class FilePath;
}  // namespace base

namespace velta {

class InstallationFolderDetails;
class InstallerContext;
class Settings;
struct InstallationStatus;

// The answer of one attempt of an install step. The scheduler reads `code`
// (see the values below); a failure's `subcode` becomes the installer error
// code, `text` its detail and `wide_text` its text.
struct StepResult {
  // Success.
  static constexpr uint32_t kSuccess = 0;
  // Failure, not retried.
  static constexpr uint32_t kFailure = 1;
  // Failure, retried; fatal after the last attempt.
  static constexpr uint32_t kRetryThenFail = 2;
  // Failure, retried; ignored after the last attempt.
  static constexpr uint32_t kRetryThenIgnore = 3;

  // A failure made from a code alone carries installer error 1.
  explicit StepResult(uint32_t code);
  StepResult(uint32_t code, uint32_t subcode, std::wstring wide_text, std::string text);

  uint32_t code;
  uint32_t subcode;
  std::wstring wide_text;
  std::string text;
};

// The installer error of a file that could not be put in place.
inline constexpr uint32_t kFilePlacementError = 10;

// One unit of work of an installer job. Made and owned by the step scheduler,
// which calls Execute on the main thread once per attempt; a step keeps no
// state between attempts other than its own fields. The context (the
// installer) outlives every step.
class InstallerStep {
 public:
  InstallerStep(InstallerContext* context, std::string name);
  InstallerStep(const InstallerStep&) = delete;
  InstallerStep& operator=(const InstallerStep&) = delete;
  virtual ~InstallerStep();

  // Runs attempt `attempt` (from 0), fills `result` and returns it.
  virtual StepResult& Execute(StepResult& result, int32_t attempt) = 0;

  const std::string& name() const { return name_; }
  InstallerContext* GetContext() const { return context_; }

  // Shorthands for the context's answers.
  Settings* GetSettings() const;
  void GetInstallTargetFolder(base::FilePath* folder) const;
  void GetPackageDir(base::FilePath* folder) const;
  InstallationStatus* GetNewInstallationStatus() const;
  InstallationStatus* GetExistingInstallation() const;
  InstallationFolderDetails* GetFolderDetails() const;

 private:
  InstallerContext* const context_;
  const std::string name_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_H_
