// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SIGNATURE_VERIFIED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SIGNATURE_VERIFIED_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "signature_verified", raised by the package fetch sequence for the main package, and the
// additional file downloader. Raisers pass verbosity level 1.
class SignatureVerifiedEvent : public InstallerStatsEvent {
 public:
  explicit SignatureVerifiedEvent(int32_t verbosity_level);
  SignatureVerifiedEvent(const SignatureVerifiedEvent&) = delete;
  SignatureVerifiedEvent& operator=(const SignatureVerifiedEvent&) = delete;
  ~SignatureVerifiedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SIGNATURE_VERIFIED_EVENT_H_
