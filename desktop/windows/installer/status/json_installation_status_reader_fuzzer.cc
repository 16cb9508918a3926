// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes as installation_status.json. A read
// either gives a status and no reason, or no status (with a reason, except for
// the few failures that have none); and the same reader reading the same
// bytes again gives the same outcome, whatever it read before.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/json_installation_status_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velta;
  const std::string content(reinterpret_cast<const char*>(data), size);
  JsonInstallationStatusReader reader;
  std::unique_ptr<InstallationStatus> first;
  const bool read = reader.Read(&first, content, StatusSource::kPrimary);
  const std::string error = reader.GetError();
  CHECK_EQ(read, first != nullptr);
  if (read) {
    CHECK(error.empty()) << error;
    CHECK(first->source == StatusSource::kPrimary);
  }

  std::unique_ptr<InstallationStatus> second;
  CHECK_EQ(read, reader.Read(&second, content, StatusSource::kPrimary));
  CHECK_EQ(error, reader.GetError());
  if (read)
    CHECK(*first == *second);
  return 0;
}
