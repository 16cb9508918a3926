// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/leftover_remover.h"

#include <algorithm>
#include <memory>
#include <string>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/status/installation_status_check.h"
#include "desktop/windows/installer/status/installation_status_loader.h"

namespace velta {

namespace {

constexpr std::wstring_view kParkedSuffix = L".old";
// Seconds since the Unix epoch have had nine digits since 1973.
constexpr size_t kMinSecondsDigits = 9;

bool IsNumber(std::wstring_view text, size_t min_digits) {
  return text.size() >= min_digits && !text.empty() &&
         std::all_of(text.begin(), text.end(), base::IsAsciiDigit<wchar_t>);
}

}  // namespace

bool IsParkedFileName(std::wstring_view name) {
  if (!name.ends_with(kParkedSuffix))
    return false;
  name.remove_suffix(kParkedSuffix.size());
  std::vector<std::wstring_view> parts =
      base::SplitStringPiece(name, L".", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  if (parts.size() < 2)
    return false;
  if (IsNumber(parts.back(), kMinSecondsDigits) && !parts[parts.size() - 2].empty())
    return true;
  // "<name>.<seconds>.<n>": the name must still have something before.
  return parts.size() >= 3 && IsNumber(parts.back(), 1) &&
         IsNumber(parts[parts.size() - 2], kMinSecondsDigits) && !parts[parts.size() - 3].empty();
}

LeftoverRemover::LeftoverRemover(const base::FilePath& folder) : folder_(folder) {}

LeftoverRemover::~LeftoverRemover() = default;

void LeftoverRemover::Keep(const InstallationStatus& status) {
  kept_.push_back(status);
}

void LeftoverRemover::Run() {
  if (folder_.empty() || !base::DirectoryExists(folder_))
    return;
  KeepOldStatusRecords();
  RemoveParkedFiles(folder_, /*recursive=*/false);
  base::FileEnumerator folders(folder_, /*recursive=*/false, base::FileEnumerator::DIRECTORIES);
  for (base::FilePath entry = folders.Next(); !entry.empty(); entry = folders.Next()) {
    const base::FilePath name = entry.BaseName();
    if (!IsVersionFolderName(name.value()))
      continue;
    if (IsKeptFolder(name)) {
      RemoveParkedFiles(entry, /*recursive=*/true);
      continue;
    }
    LOG(INFO) << "Removing the version folder " << entry
              << " that no status records: an unfinished run left it";
    if (!base::DeletePathRecursively(entry))
      LOG(WARNING) << "Cannot remove all of the version folder " << entry;
  }
}

void LeftoverRemover::KeepOldStatusRecords() {
  const std::wstring_view json_name = kInstallationStatusJsonFileName;
  const std::wstring_view xml_name = kInstallationStatusXmlFileName;
  base::FileEnumerator files(folder_.Append(kOldStatusFolderName), /*recursive=*/false,
                             base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    const std::wstring name = file.BaseName().value();
    StatusSource source = StatusSource::kInvalid;
    if (name.find(json_name) != std::wstring::npos)
      source = StatusSource::kRecoveredFromOldFiles;
    else if (name.find(xml_name) != std::wstring::npos)
      source = StatusSource::kLegacyXmlRecoveredFromOldFiles;
    else
      continue;
    std::unique_ptr<InstallationStatus> status;
    internal::ReadStatusFile(&status, file, source, nullptr);
    if (status)
      kept_.push_back(*status);
  }
}

bool LeftoverRemover::IsKeptFolder(const base::FilePath& name) const {
  return std::any_of(kept_.begin(), kept_.end(), [&name](const InstallationStatus& status) {
    return base::FilePath::CompareEqualIgnoreCase(status.subfolder.value(), name.value());
  });
}

bool LeftoverRemover::IsKeptFile(const base::FilePath& path) const {
  for (const InstallationStatus& status : kept_) {
    const base::FilePath version_folder = folder_.Append(status.subfolder);
    for (const base::FilePath& file : status.files) {
      if (base::FilePath::CompareEqualIgnoreCase(version_folder.Append(file).value(),
                                                 path.value())) {
        return true;
      }
    }
    for (const base::FilePath& file : status.root_files) {
      if (base::FilePath::CompareEqualIgnoreCase(folder_.Append(file).value(), path.value()))
        return true;
    }
  }
  return false;
}

void LeftoverRemover::RemoveParkedFiles(const base::FilePath& folder, bool recursive) const {
  base::FileEnumerator files(folder, recursive, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    if (!IsParkedFileName(file.BaseName().value()) || IsKeptFile(file))
      continue;
    LOG(INFO) << "Removing the parked file " << file << " that an unfinished run left";
    if (!base::DeleteFile(file))
      LOG(WARNING) << "Cannot remove the parked file " << file;
  }
}

}  // namespace velta
