// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_DOWNLOADABLE_RESOURCES_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_DOWNLOADABLE_RESOURCES_H_

#include <stdint.h>

#include <array>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/hash/sha1.h"
#include "desktop/windows/installer/utils/display_scale.h"

namespace velta {

// One resource pack of the browser that a minimal package may leave out:
// its path relative to the installation's resource folder ("/" separated)
// and its SHA-1 digest, both Base64-encoded.
struct DownloadableResourceManifestRow {
  const char* path;
  const char* sha1;
};

// The built-in table: the 100% pack, every locale pack, then the other scale
// packs, each followed by its ".info" companion. Generated at build time
// from the browser build's packs.
std::span<const DownloadableResourceManifestRow> DownloadableResourceManifest();

// The packs the installer's own window needs: "localization/<locale>.pak"
// first (when `locale` is not empty), then one pack per scale above 100%,
// in ascending order.
std::vector<std::string> ListResourcePacksForLocaleAndScales(const std::wstring& locale,
                                                             const std::set<ScaleFactor>& scales);

// The manifest's paths (decoded, in manifest order) that do not exist below
// `folder`.
std::vector<std::string> ListMissingDownloadableResources(const base::FilePath& folder);

// Whether the SHA-1 of `path` is `expected_sha1` (Base64, compared exactly).
// On false, `*error` says which file could not be read, or gives both
// digests.
bool VerifyFileHash(const base::FilePath& path,
                    const std::string& expected_sha1,
                    std::string* error);

// The SHA-1 of the file's content, through CNG or, where CNG cannot be used,
// the built-in SHA-1 (FileSha1Hasher). False when the file cannot be opened
// or read. Blocks on file reads.
bool ComputeFileSha1(const base::FilePath& path, std::array<uint8_t, base::kSHA1Length>* digest);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_DOWNLOADABLE_RESOURCES_H_
