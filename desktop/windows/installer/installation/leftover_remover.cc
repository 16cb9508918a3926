// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/leftover_remover.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/status/installation_status_check.h"
#include "desktop/windows/installer/status/installation_status_loader.h"
#include "desktop/windows/installer/transactions/run_journal.h"

namespace velta {

namespace {

constexpr std::wstring_view kParkedSuffix = L".old";
// Seconds since the Unix epoch have had nine digits since 1973.
constexpr size_t kMinSecondsDigits = 9;

bool IsNumber(std::wstring_view text, size_t min_digits) {
  return text.size() >= min_digits && !text.empty() &&
         std::all_of(text.begin(), text.end(), base::IsAsciiDigit<wchar_t>);
}

// `text` without its last ".<part>", and that part.
std::wstring_view CutLastPart(std::wstring_view text, std::wstring_view* part) {
  const size_t dot = text.rfind(L'.');
  if (dot == std::wstring_view::npos) {
    *part = std::wstring_view();
    return std::wstring_view();
  }
  *part = text.substr(dot + 1);
  return text.substr(0, dot);
}

}  // namespace

std::optional<std::wstring_view> ParkedFileOrigin(std::wstring_view name) {
  if (!name.ends_with(kParkedSuffix))
    return std::nullopt;
  name.remove_suffix(kParkedSuffix.size());
  std::wstring_view last;
  const std::wstring_view before_last = CutLastPart(name, &last);
  // "<name>.<seconds>": the counter of the other form has three digits at
  // most, so nine digits are the seconds.
  if (IsNumber(last, kMinSecondsDigits) && !before_last.empty())
    return before_last;
  // "<name>.<seconds>.<n>".
  std::wstring_view seconds;
  const std::wstring_view origin = CutLastPart(before_last, &seconds);
  if (IsNumber(last, 1) && IsNumber(seconds, kMinSecondsDigits) && !origin.empty())
    return origin;
  return std::nullopt;
}

bool IsParkedFileName(std::wstring_view name) {
  return ParkedFileOrigin(name).has_value();
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
  base::FileEnumerator journals(folder_, /*recursive=*/false, base::FileEnumerator::FILES);
  for (base::FilePath journal = journals.Next(); !journal.empty(); journal = journals.Next()) {
    if (IsRunJournalName(journal.BaseName().value()))
      RemoveJournaled(journal);
  }
  RemoveParkedCopiesOfKeptFiles();
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

void LeftoverRemover::RemoveJournaled(const base::FilePath& journal) {
  const std::optional<std::vector<base::FilePath>> entries = ReadLeftRunJournal(journal);
  if (!entries)
    return;
  LOG(INFO) << "Reading the journal " << journal << " that an unfinished run left";
  bool all_gone = true;
  for (const base::FilePath& entry : *entries) {
    if (!RemoveJournaledEntry(entry))
      all_gone = false;
  }
  if (!all_gone) {
    LOG(WARNING) << "Keeping the journal " << journal << " for the next run";
    return;
  }
  if (!base::DeleteFile(journal))
    PLOG(WARNING) << "Cannot delete the journal " << journal;
}

bool LeftoverRemover::RemoveJournaledEntry(const base::FilePath& entry) {
  const base::FilePath path = folder_.Append(entry);
  if (entry.GetComponents().size() == 1 && IsVersionFolderName(entry.value())) {
    // A link that replaced the folder goes as a link.
    if (IsKeptFolder(entry) || !base::DirectoryExists(path))
      return true;
    LOG(INFO) << "Removing the version folder " << path
              << " that an unfinished run made and no status records";
    if (base::DeletePathRecursively(path))
      return true;
    PLOG(WARNING) << "Cannot remove all of the version folder " << path;
    return false;
  }
  // Other folders a run made (old_status, those inside a version folder)
  // stay: they go with their version folder, or are the installation's.
  if (!IsParkedFileName(entry.BaseName().value()) || !base::PathExists(path) ||
      IsKeptFile(path)) {
    return true;
  }
  if (LiesUnderLink(folder_, path)) {
    LOG(WARNING) << "Leaving " << path << ": it lies under a link";
    return true;
  }
  LOG(INFO) << "Removing the parked file " << path << " that an unfinished run left";
  if (base::DeletePathRecursively(path))
    return true;
  PLOG(WARNING) << "Cannot remove the parked file " << path;
  return false;
}

void LeftoverRemover::RemoveParkedCopiesOfKeptFiles() {
  // A file is parked beside itself: each folder that holds a recorded file
  // is looked through once.
  std::set<base::FilePath> folders;
  for (const InstallationStatus& status : kept_) {
    const base::FilePath version_folder = folder_.Append(status.subfolder);
    for (const base::FilePath& file : status.files)
      folders.insert(version_folder.Append(file).DirName());
    for (const base::FilePath& file : status.root_files)
      folders.insert(folder_.Append(file).DirName());
  }
  for (const base::FilePath& folder : folders) {
    base::FileEnumerator files(folder, /*recursive=*/false, base::FileEnumerator::FILES);
    for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
      const std::wstring name = file.BaseName().value();
      const std::optional<std::wstring_view> origin = ParkedFileOrigin(name);
      if (!origin || !IsKeptFile(folder.Append(*origin)) || IsKeptFile(file) ||
          LiesUnderLink(folder_, file)) {
        continue;
      }
      LOG(INFO) << "Removing the parked copy " << file << " of a recorded file";
      if (!base::DeleteFile(file))
        PLOG(WARNING) << "Cannot remove the parked copy " << file;
    }
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

}  // namespace velta
