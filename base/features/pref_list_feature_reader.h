// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FEATURES_PREF_LIST_FEATURE_READER_H_
#define BASE_FEATURES_PREF_LIST_FEATURE_READER_H_

#include <vector>

#include "base/features/feature_state_reader.h"
#include "base/values.h"

namespace velta {

// Reads experiment states stored as a list of strings "<name>@<state>", white
// space allowed around either part: state 1 turns the feature on, 2 turns it
// off. Anything else (not a string, not two parts, another number, a state
// that is not wholly a decimal number) is skipped silently, and a value that
// is not a list reads as no overrides: the list comes from a file on disk.
class PrefListFeatureReader : public FeatureStateReader {
 public:
  explicit PrefListFeatureReader(base::Value list);
  ~PrefListFeatureReader() override;

  void Read(std::vector<FeatureOverride>* overrides) const override;

 private:
  const base::Value list_;
};

}  // namespace velta

#endif  // BASE_FEATURES_PREF_LIST_FEATURE_READER_H_
