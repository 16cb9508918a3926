// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRACKING_SERVER_TRACKING_BLOB_H_
#define DESKTOP_WINDOWS_INSTALLER_TRACKING_SERVER_TRACKING_BLOB_H_

#include <stddef.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/values.h"

namespace velta {

// The tracking data of one installation (campaign, medium, source, an
// installation id), handed from process to process as the value of the switch
// `server-tracking-blob`. The download server's dictionary is loaded from
// that value; a process adds local values taken from its own switches; the
// merged dictionary is what its children receive.
//
// Keys are dotted paths: "utm.medium" is the key "medium" inside the
// dictionary "utm".
//
// Serialised form: the Base64 text (standard alphabet, "=" padding) of the
// lower-case hexadecimal SHA-256 digest of the JSON text, ":" and the compact
// JSON text itself, then blanks until the length is a multiple of 8. Load
// reads the dictionary between the first "{" and the last "}" of the decoded
// text and does not check the digest, so a blob a server wrote with other
// bytes around its dictionary still loads; a blob that is not Base64, holds
// no dictionary or nests too deep is refused whole and never half read.
//
// Owned by the interprocess state; used on the main thread.
class ServerTrackingBlob {
 public:
  // How deep arrays and dictionaries may nest in a blob, the outer dictionary
  // counting as one level.
  static constexpr size_t kMaxNestingDepth = 200;
  // The keys the installer itself reads and sets: the campaign's medium and
  // the installation id.
  static constexpr char kMediumKey[] = "utm.medium";
  static constexpr char kInstallationIdKey[] = "uuid";

  ServerTrackingBlob();
  ServerTrackingBlob(const ServerTrackingBlob&) = delete;
  ServerTrackingBlob& operator=(const ServerTrackingBlob&) = delete;
  virtual ~ServerTrackingBlob();

  // Whether the server's dictionary holds anything.
  virtual bool HasServerValues() const;

  // Replaces the server's dictionary with the one serialised in `blob`. On
  // failure (logged at ERROR with the reason) nothing changes.
  virtual bool Load(std::string_view blob);

  // The serialised form of the server's dictionary merged with the local
  // values (nested dictionaries merged key by key, local values win). Empty
  // when there is nothing to hand on or the merged dictionary cannot be
  // written (nested deeper than kMaxNestingDepth).
  virtual std::string Serialize() const;

  // Stores `value` at `key`, making the dictionaries on the way and replacing
  // whatever stood at any of them.
  virtual void SetLocalValue(std::string_view key, std::string_view value);

  // The string at `key` in the merged dictionary, that is exactly what the
  // children would read: a local value first, else the server's. Nothing when
  // absent or not a string.
  virtual std::optional<std::string> GetString(std::string_view key) const;

 private:
  base::Value MergedValues() const;

  base::Value server_values_;
  base::Value local_values_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRACKING_SERVER_TRACKING_BLOB_H_
