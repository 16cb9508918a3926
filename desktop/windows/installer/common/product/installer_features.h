// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_FEATURES_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_FEATURES_H_

#include <stdint.h>

#include <span>
#include <string_view>

namespace velta {

class FeatureStates;

// The installer's own features.
inline constexpr char kInstallerExperimentTestFeature[] = "installer-experiment-test";
inline constexpr char kInstallerUseMinimalPackageFeature[] = "installer-use-minimal-package";
inline constexpr char kInstallerSimplifiedUiFeature[] = "installer-simplified-ui";

// The channel-mask bit of each stream; Kestrel and Granite share one.
inline constexpr uint32_t kSorrelChannelBit = 0x1;
inline constexpr uint32_t kMarlinChannelBit = 0x2;
inline constexpr uint32_t kReleaseChannelBit = 0x4;

// FeatureDefinition::flags: on by default in the streams of the channel mask.
inline constexpr uint8_t kFeatureOnByDefaultFlag = 0x2;

// A row of a compiled-in feature table. Rows name their fields; a field left
// out keeps the default given here.
struct FeatureDefinition {
  const char* name = nullptr;
  // Where the default-on flag applies: the streams' channel bits.
  uint32_t channel_mask = 0;
  // 0 when switches and stored states may override the feature.
  uint32_t locked = 0;
  const char* title = "";
  const char* description = "";
  uint8_t flags = 0;
};

// The channel bit of `stream` (1 sorrel ... 4 Granite); 0 for any other.
uint32_t GetChannelBitForStream(uint32_t stream);

// Whether `feature` is on by default in the running stream
// (ProductInfo::GetStream): the stream's bit must be in the channel mask,
// then the default-on flag decides.
bool IsFeatureOnByDefaultForStream(const FeatureDefinition& feature);

bool IsFeatureOverridable(const FeatureDefinition& feature);

// The installer's three features, in table order. All are off by default in
// every stream and overridable.
std::span<const FeatureDefinition> GetInstallerFeatures();

// Registers the installer's features into `states` with their defaults for
// the running stream. Called once per list, before any reader is applied.
void RegisterInstallerFeatures(FeatureStates* states);

// The browser's own feature row named exactly `name`, or null. The installer
// never registers these; crash reporting reads its enablement from one.
const FeatureDefinition* FindBrowserFeature(std::string_view name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PRODUCT_INSTALLER_FEATURES_H_
