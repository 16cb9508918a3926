// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/tracking/server_tracking_blob.h"

#include <utility>
#include <vector>

#include "base/base64.h"
#include "base/hash/sha2.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/tracking/server_tracking_blob_decoder.h"

namespace velta {
namespace {

// Serialised lengths are a multiple of this; the blanks that make them so.
constexpr size_t kBlobAlignment = 8;
constexpr char kPaddingCharacter = ' ';

// Between the digest and the JSON text.
constexpr char kDigestSeparator = ':';

std::string LowerCaseSha256Hex(std::string_view text) {
  const std::string digest = base::SHA256HashString(text);
  return base::ToLowerASCII(base::HexEncode(digest.data(), digest.size()));
}

}  // namespace

ServerTrackingBlob::ServerTrackingBlob()
    : server_values_(base::Value::Type::DICTIONARY),
      local_values_(base::Value::Type::DICTIONARY) {}

ServerTrackingBlob::~ServerTrackingBlob() = default;

bool ServerTrackingBlob::HasServerValues() const {
  return !server_values_.DictEmpty();
}

bool ServerTrackingBlob::Load(std::string_view blob) {
  std::string error;
  std::optional<base::Value> values = DecodeServerTrackingBlob(blob, &error);
  if (!values) {
    LOG(ERROR) << "Ignoring the server tracking blob, " << error;
    return false;
  }
  server_values_ = std::move(*values);
  return true;
}

std::string ServerTrackingBlob::Serialize() const {
  const base::Value merged = MergedValues();
  if (merged.DictEmpty())
    return std::string();
  std::string json;
  if (!base::JSONWriter::Write(merged, &json, kMaxNestingDepth)) {
    LOG(ERROR) << "Cannot write the tracking data as JSON";
    return std::string();
  }
  std::string blob = base::Base64Encode(LowerCaseSha256Hex(json) + kDigestSeparator + json);
  blob.append((kBlobAlignment - blob.size() % kBlobAlignment) % kBlobAlignment,
              kPaddingCharacter);
  return blob;
}

void ServerTrackingBlob::SetLocalValue(std::string_view key, std::string_view value) {
  const std::vector<std::string_view> parts =
      base::SplitStringPiece(key, ".", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  base::Value* dictionary = &local_values_;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    base::Value* next = dictionary->FindKey(parts[i]);
    if (!next || !next->is_dict())
      next = dictionary->SetKey(parts[i], base::Value(base::Value::Type::DICTIONARY));
    dictionary = next;
  }
  dictionary->SetStringKey(parts.empty() ? std::string_view() : parts.back(), value);
}

std::optional<std::string> ServerTrackingBlob::GetString(std::string_view key) const {
  // Read from the merged dictionary rather than from each in turn: a local
  // value that replaced a dictionary on the way (local "utm" set to a string)
  // hides the server's "utm.medium" here exactly as it does in the children.
  const base::Value merged = MergedValues();
  const std::string* value = merged.FindStringPath(key);
  if (!value)
    return std::nullopt;
  return *value;
}

base::Value ServerTrackingBlob::MergedValues() const {
  base::Value merged = server_values_.Clone();
  merged.MergeDictionary(&local_values_);
  return merged;
}

}  // namespace velta
