// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/downloadable_resources.h"

#include "base/base64.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/file_sha1_hasher.h"

namespace velta {

std::vector<std::string> ListResourcePacksForLocaleAndScales(const std::wstring& locale,
                                                             const std::set<ScaleFactor>& scales) {
  std::vector<std::string> packs;
  if (!locale.empty())
    packs.push_back("localization/" + base::WideToUTF8(locale) + ".pak");
  // The set is ordered, so the packs come in ascending scale order.
  for (ScaleFactor scale : scales) {
    switch (scale) {
      case ScaleFactor::k125Percent:
        packs.push_back("velta_125_percent.pak");
        break;
      case ScaleFactor::k150Percent:
        packs.push_back("velta_150_percent.pak");
        break;
      case ScaleFactor::k200Percent:
        packs.push_back("velta_200_percent.pak");
        break;
      case ScaleFactor::k250Percent:
        packs.push_back("velta_250_percent.pak");
        break;
      case ScaleFactor::k100Percent:
        // The 100% pack is always in the package.
        break;
    }
  }
  return packs;
}

std::vector<std::string> ListMissingDownloadableResources(const base::FilePath& folder) {
  std::vector<std::string> missing;
  for (const DownloadableResourceManifestRow& row : DownloadableResourceManifest()) {
    std::string path;
    if (!base::Base64Decode(row.path, &path)) {
      // The table is generated; a row that does not decode is a build fault.
      NOTREACHED() << "Undecodable manifest path " << row.path;
      continue;
    }
    const base::FilePath relative = base::FilePath::FromUTF8Unsafe(path).NormalizePathSeparators();
    if (!base::PathExists(folder.Append(relative)))
      missing.push_back(path);
  }
  return missing;
}

bool VerifyFileHash(const base::FilePath& path,
                    const std::string& expected_sha1,
                    std::string* error) {
  std::array<uint8_t, base::kSHA1Length> digest;
  if (!ComputeFileSha1(path, &digest)) {
    *error = "Failed to read " + path.AsUTF8Unsafe();
    return false;
  }
  const std::string actual = base::Base64Encode(std::span<const uint8_t>(digest));
  if (actual != expected_sha1) {
    *error = path.AsUTF8Unsafe() + " hash doesn't match: " + expected_sha1 + " vs. " + actual;
    return false;
  }
  return true;
}

bool ComputeFileSha1(const base::FilePath& path, std::array<uint8_t, base::kSHA1Length>* digest) {
  return FileSha1Hasher::GetInstance()->Compute(path, digest);
}

}  // namespace velta
