// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRACKING_SERVER_TRACKING_BLOB_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_TRACKING_SERVER_TRACKING_BLOB_DECODER_H_

#include <optional>
#include <string>
#include <string_view>

#include "base/values.h"

namespace velta {

// The dictionary serialised in `blob` (the form ServerTrackingBlob describes),
// or nothing with `*error` set to the reason ("it is not Base64", ...). Only
// the JSON between the first "{" and the last "}" counts: the digest in front
// is not checked (it guards nothing a writer could not recompute), and blobs
// that carry other bytes around the dictionary still load. Pure: no logging,
// no Windows, callable on any thread.
std::optional<base::Value> DecodeServerTrackingBlob(std::string_view blob, std::string* error);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRACKING_SERVER_TRACKING_BLOB_DECODER_H_
