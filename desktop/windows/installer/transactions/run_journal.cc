// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/run_journal.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/transactions/run_journal_format.h"

namespace velta {

namespace {

constexpr std::wstring_view kJournalPrefix = L"unfinished_run.";
// How many counted names are tried after "unfinished_run.<process id>".
constexpr int kMaxNameCounter = 99;
// A run records a line for each file it parks, a few thousand at most: a
// larger file was not written by one.
constexpr int64_t kMaxJournalSize = 16 * 1024 * 1024;

bool IsNumber(std::wstring_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), base::IsAsciiDigit<wchar_t>);
}

// The path of the file or folder open as `handle` with every link on the
// way resolved, empty when it cannot be read.
std::wstring FinalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), path.size(), 0);
  if (length >= path.size()) {
    path.resize(length);
    length = ::GetFinalPathNameByHandleW(handle, path.data(), path.size(), 0);
  }
  if (length == 0 || length >= path.size())
    return std::wstring();
  path.resize(length);
  return path;
}

// Whether the file open as `file`, found as `path`, is there itself: not
// reached through a link. Windows shows a link opened as itself as a
// reparse point; Wine shows a Unix symbolic link as the file it leads to,
// whose path then differs.
bool IsThereItself(HANDLE file, const base::FilePath& path) {
  base::win::ScopedHandle folder(::CreateFileW(
      path.DirName().value().c_str(), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder.IsValid())
    return false;
  const std::wstring folder_path = FinalPath(folder.Get());
  const std::wstring file_path = FinalPath(file);
  return !folder_path.empty() && !file_path.empty() &&
         base::FilePath::CompareEqualIgnoreCase(
             base::FilePath(folder_path).Append(path.BaseName()).value(), file_path);
}

}  // namespace

RunJournal::RunJournal() = default;

RunJournal::~RunJournal() {
  Close();
}

void RunJournal::Start(const base::FilePath& folder) {
  folder_ = folder;
}

bool RunJournal::Record(const base::FilePath& path) {
  return Write(path, /*retraction=*/false);
}

bool RunJournal::Retract(const base::FilePath& path) {
  // Without a journal nothing was recorded.
  return !file_.IsValid() || Write(path, /*retraction=*/true);
}

bool RunJournal::MakeFor(const base::FilePath& path) {
  if (file_.IsValid() || folder_.empty() || !folder_.IsParent(path))
    return true;
  return Open();
}

void RunJournal::Close() {
  if (!file_.IsValid())
    return;
  if (keep_) {
    file_.Close();
    LOG(WARNING) << "Keeping the journal " << path_ << " for the next run";
  } else {
    // Deleted while still held: no other process ever opens it between the
    // run's end and its deletion and reads it as left behind.
    FILE_DISPOSITION_INFO disposition = {.DeleteFile = TRUE};
    const bool marked = ::SetFileInformationByHandle(file_.GetPlatformFile(), FileDispositionInfo,
                                                     &disposition, sizeof(disposition));
    const DWORD mark_error = ::GetLastError();
    file_.Close();
    if (!marked) {
      LOG(WARNING) << "Cannot mark the journal " << path_ << " for deletion: "
                   << logging::SystemErrorCodeToString(mark_error);
      if (!base::DeleteFile(path_))
        PLOG(WARNING) << "Cannot delete the journal " << path_ << "; the next run reads it";
    }
  }
  keep_ = false;
  path_.clear();
  created_ = 0;
}

void RunJournal::KeepForNextRun() {
  keep_ = file_.IsValid();
}

void RunJournal::CloseIfIn(const base::FilePath& folder) {
  if (!path_.empty() && folder.IsParent(path_))
    Close();
}

bool RunJournal::Open() {
  const std::wstring stem =
      folder_.Append(std::wstring(kJournalPrefix) + std::to_wstring(::GetCurrentProcessId()))
          .value();
  for (int counter = 0; counter <= kMaxNameCounter; ++counter) {
    const base::FilePath candidate(counter == 0 ? stem : stem + L"." + std::to_wstring(counter));
    // Readers are welcome; a writer or a deleter is not while the run goes.
    // Delete access is for Close.
    file_.Initialize(candidate, base::File::FLAG_CREATE | base::File::FLAG_WRITE |
                                    base::File::FLAG_EXCLUSIVE_WRITE |
                                    base::File::FLAG_CAN_DELETE_ON_CLOSE);
    if (file_.IsValid()) {
      path_ = candidate;
      FILE_BASIC_INFO times = {};
      if (::GetFileInformationByHandleEx(file_.GetPlatformFile(), FileBasicInfo, &times,
                                         sizeof(times))) {
        created_ = static_cast<uint64_t>(times.CreationTime.QuadPart);
      }
      return true;
    }
    if (file_.error_details() != base::File::FILE_ERROR_EXISTS)
      break;
  }
  LOG(ERROR) << "Cannot make the journal of this run in " << folder_ << ": "
             << base::File::ErrorToString(file_.error_details());
  return false;
}

bool RunJournal::Write(const base::FilePath& path, bool retraction) {
  base::FilePath relative;
  if (folder_.empty() || !folder_.AppendRelativePath(path, &relative))
    return true;
  if (!file_.IsValid() && !Open())
    return false;
  const std::string line = RunJournalLine(relative, retraction);
  const int size = static_cast<int>(line.size());
  if (file_.WriteAtCurrentPos(line.data(), size) != size) {
    PLOG(ERROR) << "Cannot " << (retraction ? "take back " : "record ") << path
                << " in the journal " << path_;
    return false;
  }
  // Wine gives a file's last-write time as its creation time: a write must
  // not make the journal look younger than what it records. (Zero fields
  // are left as they are.)
  if (created_ != 0) {
    FILE_BASIC_INFO times = {};
    times.LastWriteTime.QuadPart = static_cast<LONGLONG>(created_);
    if (!::SetFileInformationByHandle(file_.GetPlatformFile(), FileBasicInfo, &times,
                                      sizeof(times))) {
      PLOG(WARNING) << "Cannot keep the times of the journal " << path_;
    }
  }
  return true;
}

bool IsRunJournalName(std::wstring_view name) {
  if (!name.starts_with(kJournalPrefix))
    return false;
  name.remove_prefix(kJournalPrefix.size());
  const size_t dot = name.find(L'.');
  if (dot == std::wstring_view::npos)
    return IsNumber(name);
  return IsNumber(name.substr(0, dot)) && IsNumber(name.substr(dot + 1));
}

std::optional<uint32_t> RunJournalProcessId(std::wstring_view name) {
  if (!IsRunJournalName(name))
    return std::nullopt;
  name.remove_prefix(kJournalPrefix.size());
  unsigned id = 0;
  if (!base::StringToUint(name.substr(0, name.find(L'.')), &id))
    return std::nullopt;
  return id;
}

LeftRunJournal ReadLeftRunJournal(const base::FilePath& file, SecurityUtils* security_utils) {
  LeftRunJournal result;
  // Delete access, which the writing run shares with nobody: a run that is
  // still going keeps its journal from being read as left behind. A link is
  // opened as itself, to be refused.
  HANDLE handle = ::CreateFileW(file.value().c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  const DWORD open_error = ::GetLastError();
  base::File journal(handle);
  if (!journal.IsValid()) {
    if (open_error == ERROR_SHARING_VIOLATION) {
      LOG(INFO) << "The journal " << file << " is a run's that is still going";
      result.state = LeftRunJournal::State::kHeld;
    } else {
      LOG(WARNING) << "Cannot open the journal " << file << ": "
                   << logging::SystemErrorCodeToString(open_error);
    }
    return result;
  }
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!::GetFileInformationByHandle(journal.GetPlatformFile(), &information)) {
    PLOG(WARNING) << "Cannot read what the journal " << file << " is";
    return result;
  }
  if ((information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
      information.nNumberOfLinks != 1 || !IsThereItself(journal.GetPlatformFile(), file)) {
    LOG(WARNING) << "Leaving the journal " << file
                 << " and all it names alone: it is not a plain file of its own";
    return result;
  }
  if (!security_utils->IsOwnedByUserOrAdministrators(journal.GetPlatformFile())) {
    LOG(WARNING) << "Leaving the journal " << file
                 << " and all it names alone: it is not owned by this user, SYSTEM or "
                    "Administrators";
    return result;
  }
  const int64_t length = journal.GetLength();
  if (length < 0 || length > kMaxJournalSize) {
    LOG(WARNING) << "Not reading the journal " << file << " of " << length << " bytes";
    return result;
  }
  std::string text(static_cast<size_t>(length), '\0');
  if (length > 0 && journal.Read(0, text.data(), static_cast<int>(length)) != length) {
    PLOG(WARNING) << "Cannot read the journal " << file;
    return result;
  }
  for (base::FilePath& entry : ParseRunJournal(text)) {
    if (!IsRelativePathInside(entry)) {
      LOG(WARNING) << "Dropping the entry " << entry << " of the journal " << file
                   << ": it leads out of the folder";
      continue;
    }
    result.entries.push_back(std::move(entry));
  }
  result.created = base::Time::FromFileTime(information.ftCreationTime);
  result.state = LeftRunJournal::State::kRead;
  return result;
}

}  // namespace velta
