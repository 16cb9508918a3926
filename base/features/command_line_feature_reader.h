// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_
#define BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_

#include <vector>

#include "base/command_line.h"
#include "base/features/feature_state_reader.h"

namespace velta {

// Reads the `with-feature:<name>` switches of a command line, in the command
// line's (sorted) switch order: no value or "on" turns the feature on, "off"
// turns it off; any other value is logged as a WARNING and gives no
// override, so the feature keeps its default.
class CommandLineFeatureReader : public FeatureStateReader {
 public:
  // Keeps a copy of `command_line`.
  explicit CommandLineFeatureReader(const base::CommandLine& command_line);
  ~CommandLineFeatureReader() override;

  void Read(std::vector<FeatureOverride>* overrides) const override;

 private:
  const base::CommandLine command_line_;
};

}  // namespace velta

#endif  // BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_
