// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/tracking/server_tracking_blob_decoder.h"

#include <utility>

#include "base/base64.h"
#include "base/json/json_reader.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"

namespace velta {

std::optional<base::Value> DecodeServerTrackingBlob(std::string_view blob, std::string* error) {
  std::string decoded;
  if (!base::Base64Decode(base::TrimWhitespaceASCII(blob, base::TRIM_TRAILING), &decoded) ||
      decoded.empty()) {
    *error = "it is not Base64";
    return std::nullopt;
  }
  const size_t first = decoded.find('{');
  const size_t last = decoded.rfind('}');
  if (first == std::string::npos || last == std::string::npos || last < first) {
    *error = "it holds no JSON dictionary";
    return std::nullopt;
  }
  const std::string_view json = std::string_view(decoded).substr(first, last - first + 1);
  base::JSONReader::ValueWithError parsed =
      base::JSONReader::ReadAndReturnValueWithError(json, base::JSON_PARSE_RFC,
                                                    ServerTrackingBlob::kMaxNestingDepth);
  if (!parsed.value) {
    *error = "its text is not JSON: " + parsed.error_message;
    return std::nullopt;
  }
  if (!parsed.value->is_dict()) {
    *error = std::string("its JSON is a ") + base::Value::GetTypeName(parsed.value->type()) +
             ", not a dictionary";
    return std::nullopt;
  }
  return std::move(parsed.value);
}

}  // namespace velta
