// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_FINALIZE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_FINALIZE_STEP_H_

#include <string>

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Removes installation_status.json (its failure ends the uninstall before
// any clean-up: code 1, installer error 2), tells every window and the shell
// that the browser's associations change, and, unless the installation is
// a copy-only one, hands the web defaults back to the system browser when
// the browser had them, removes its firewall rule and offers the uninstall
// survey in a browser (not in a silent run, and not where the window offers
// it itself).
class UninstallFinalizeStep : public InstallerStep {
 public:
  explicit UninstallFinalizeStep(InstallerContext* context);
  ~UninstallFinalizeStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

// The survey's address: `base` with the version, the installation's id and
// the query of `query_source` (when it has exactly one "?").
std::string MakeUninstallSurveyUrl(const std::string& base,
                                   const std::string& version,
                                   const std::string& uuid,
                                   const std::string& query_source);

// Whether the uninstall survey at `url` opens in a browser: not without an
// address, not in a silent run, and not for the users of the countries whose
// uninstall window shows the survey itself.
bool ShouldShowUninstallSurveyInBrowser(const std::string& url,
                                        bool is_silent,
                                        bool is_survey_country);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_FINALIZE_STEP_H_
