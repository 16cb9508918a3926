// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/leftover_remover.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/common/win/security_utils.h"
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

// A parked name's parts: the name of the file it is a parked copy of, and
// the seconds it was parked at.
struct ParkedName {
  std::wstring_view origin;
  std::wstring_view seconds;
};

std::optional<ParkedName> ParseParkedName(std::wstring_view name) {
  if (!name.ends_with(kParkedSuffix))
    return std::nullopt;
  name.remove_suffix(kParkedSuffix.size());
  std::wstring_view last;
  const std::wstring_view before_last = CutLastPart(name, &last);
  // "<name>.<seconds>": the counter of the other form has three digits at
  // most, so nine digits are the seconds.
  if (IsNumber(last, kMinSecondsDigits) && !before_last.empty())
    return ParkedName{.origin = before_last, .seconds = last};
  // "<name>.<seconds>.<n>".
  std::wstring_view seconds;
  const std::wstring_view origin = CutLastPart(before_last, &seconds);
  if (IsNumber(last, 1) && IsNumber(seconds, kMinSecondsDigits) && !origin.empty())
    return ParkedName{.origin = origin, .seconds = seconds};
  return std::nullopt;
}

// The creation time of the file or folder `path` itself (a link's own), or
// nullopt when it cannot be read.
std::optional<base::Time> CreationTime(const base::FilePath& path) {
  base::win::ScopedHandle handle(::CreateFileW(
      path.value().c_str(), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FILE_BASIC_INFO times = {};
  if (!handle.IsValid() ||
      !::GetFileInformationByHandleEx(handle.Get(), FileBasicInfo, &times, sizeof(times))) {
    return std::nullopt;
  }
  return base::Time::FromFileTimeValue(static_cast<uint64_t>(times.CreationTime.QuadPart));
}

// The ids of this process and of those it was started from: a run's backend
// holds its journal while the installer it started from the package, which
// may be this one, ends the run.
std::set<uint32_t> OwnRunProcessIds() {
  std::set<uint32_t> ids = {::GetCurrentProcessId()};
  base::win::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return ids;
  std::map<uint32_t, uint32_t> parents;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    parents[entry.th32ProcessID] = entry.th32ParentProcessID;
  }
  // A parent's id outlives the parent, and may be another's by now: a few
  // steps up are enough.
  constexpr int kMaxSteps = 8;
  uint32_t id = ::GetCurrentProcessId();
  for (int step = 0; step < kMaxSteps; ++step) {
    const auto parent = parents.find(id);
    if (parent == parents.end() || !ids.insert(parent->second).second)
      break;
    id = parent->second;
  }
  return ids;
}

}  // namespace

bool IsJournaledVersionFolderName(std::wstring_view name) {
  const size_t suffix = name.find(L'_');
  if (suffix != std::wstring_view::npos && !IsNumber(name.substr(suffix + 1), 1))
    return false;
  const std::vector<std::wstring_view> parts = base::SplitStringPiece(
      name.substr(0, suffix), L".", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  return parts.size() >= 4 && std::all_of(parts.begin(), parts.end(), [](std::wstring_view part) {
           return IsNumber(part, 1);
         });
}

std::optional<std::wstring_view> ParkedFileOrigin(std::wstring_view name) {
  const std::optional<ParkedName> parked = ParseParkedName(name);
  if (!parked)
    return std::nullopt;
  return parked->origin;
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
  bool run_going = false;
  const std::set<uint32_t> own_run = OwnRunProcessIds();
  base::FileEnumerator journals(folder_, /*recursive=*/false, base::FileEnumerator::FILES);
  for (base::FilePath journal = journals.Next(); !journal.empty(); journal = journals.Next()) {
    const std::wstring name = journal.BaseName().value();
    if (!IsRunJournalName(name) || RemoveJournaled(journal))
      continue;
    const std::optional<uint32_t> holder = RunJournalProcessId(name);
    if (!holder || !own_run.count(*holder))
      run_going = true;
  }
  // A run that still goes may be parking a recorded file right now.
  if (run_going) {
    LOG(INFO) << "Leaving the parked copies in " << folder_ << ": another run still goes there";
    return;
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

bool LeftoverRemover::RemoveJournaled(const base::FilePath& journal) {
  const LeftRunJournal left = ReadLeftRunJournal(journal, SecurityUtils::GetInstance());
  if (left.state == LeftRunJournal::State::kHeld)
    return false;
  if (left.state != LeftRunJournal::State::kRead)
    return true;
  LOG(INFO) << "Reading the journal " << journal << " that an unfinished run left";
  bool all_gone = true;
  for (const base::FilePath& entry : left.entries) {
    if (!RemoveJournaledEntry(entry, left.created))
      all_gone = false;
  }
  if (!all_gone) {
    LOG(WARNING) << "Keeping the journal " << journal << " for the next run";
    return true;
  }
  if (!base::DeleteFile(journal))
    PLOG(WARNING) << "Cannot delete the journal " << journal;
  return true;
}

bool LeftoverRemover::RemoveJournaledEntry(const base::FilePath& entry,
                                           base::Time journal_created) {
  const base::FilePath path = folder_.Append(entry);
  if (entry.GetComponents().size() == 1 && IsJournaledVersionFolderName(entry.value())) {
    // A link that replaced the folder goes as a link.
    if (IsKeptFolder(entry) || !base::DirectoryExists(path))
      return true;
    // The run recorded the folder, and so had its journal, before it made
    // it: an older folder is someone else's.
    const std::optional<base::Time> created = CreationTime(path);
    if (!created || *created < journal_created) {
      LOG(WARNING) << "Leaving the folder " << path << ": it is older than the journal";
      return true;
    }
    LOG(INFO) << "Removing the version folder " << path
              << " that an unfinished run made and no status records";
    if (base::DeletePathRecursively(path))
      return true;
    PLOG(WARNING) << "Cannot remove all of the version folder " << path;
    return false;
  }
  // Other folders a run made (old_status, those inside a version folder)
  // stay: they go with their version folder, or are the installation's.
  const std::wstring name = entry.BaseName().value();
  const std::optional<ParkedName> parked = ParseParkedName(name);
  if (!parked || !base::PathExists(path) || IsKeptFile(path))
    return true;
  // The run named it after its journal was made; both counted in whole
  // seconds.
  int64_t seconds = 0;
  if (!base::StringToInt64(parked->seconds, &seconds) ||
      seconds < static_cast<int64_t>(journal_created.ToTimeT())) {
    LOG(WARNING) << "Leaving " << path << ": it was parked before the journal was made";
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
      // Without the recorded file, the parked copy is the only one.
      if (!base::PathExists(folder.Append(*origin))) {
        LOG(WARNING) << "Leaving the parked copy " << file << ": the recorded file is missing";
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
