// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FEATURES_FEATURE_STATE_READER_H_
#define BASE_FEATURES_FEATURE_STATE_READER_H_

#include <vector>

#include "base/features/feature_states.h"

namespace velta {

// A source of feature overrides: the `with-feature:` switches of a command
// line, or the experiment states stored in an installation's preferences.
// FeatureStates::ApplyReader asks it once.
class FeatureStateReader {
 public:
  virtual ~FeatureStateReader() = default;

  // Appends this source's overrides to `overrides` in the source's order;
  // entries it cannot understand are left out, never reported as failures.
  virtual void Read(std::vector<FeatureOverride>* overrides) const = 0;
};

}  // namespace velta

#endif  // BASE_FEATURES_FEATURE_STATE_READER_H_
