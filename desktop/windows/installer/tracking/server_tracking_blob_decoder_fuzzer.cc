// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: decodes arbitrary bytes as a server tracking blob. A
// refusal gives a reason; a dictionary that loads must come back the same
// when written out in the serialised form and decoded again, since every
// process hands the blob on to its children that way.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/base64.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/values.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/tracking/server_tracking_blob_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velta;
  const std::string_view blob(reinterpret_cast<const char*>(data), size);
  std::string error;
  std::optional<base::Value> values = DecodeServerTrackingBlob(blob, &error);
  if (!values) {
    CHECK(!error.empty());
    return 0;
  }
  CHECK(values->is_dict());

  // The serialised form, with a digest of the right shape: the decoder does
  // not check it.
  std::string json;
  CHECK(base::JSONWriter::Write(*values, &json, ServerTrackingBlob::kMaxNestingDepth));
  std::string again_blob = base::Base64Encode(std::string(64, 'a') + ":" + json);
  again_blob.append((8 - again_blob.size() % 8) % 8, ' ');
  std::optional<base::Value> again = DecodeServerTrackingBlob(again_blob, &error);
  CHECK(again.has_value()) << error;
  CHECK(*again == *values) << json;
  return 0;
}
