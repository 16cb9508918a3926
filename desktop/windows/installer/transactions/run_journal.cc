// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/run_journal.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/relative_paths.h"
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

void RunJournal::Close() {
  if (!file_.IsValid())
    return;
  file_.Close();
  if (keep_)
    LOG(WARNING) << "Keeping the journal " << path_ << " for the next run";
  else if (!base::DeleteFile(path_))
    PLOG(WARNING) << "Cannot delete the journal " << path_ << "; the next run reads it";
  keep_ = false;
  path_.clear();
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
    file_.Initialize(candidate, base::File::FLAG_CREATE | base::File::FLAG_WRITE |
                                    base::File::FLAG_EXCLUSIVE_WRITE);
    if (file_.IsValid()) {
      path_ = candidate;
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

std::optional<std::vector<base::FilePath>> ReadLeftRunJournal(const base::FilePath& file) {
  // Delete access, which the writing run shares with nobody: a run that is
  // still going keeps its journal from being read as left behind.
  base::File journal(file, base::File::FLAG_OPEN | base::File::FLAG_READ |
                               base::File::FLAG_EXCLUSIVE_WRITE |
                               base::File::FLAG_CAN_DELETE_ON_CLOSE);
  if (!journal.IsValid()) {
    if (journal.error_details() == base::File::FILE_ERROR_IN_USE)
      LOG(INFO) << "The journal " << file << " is a run's that is still going";
    else
      LOG(WARNING) << "Cannot open the journal " << file << ": "
                   << base::File::ErrorToString(journal.error_details());
    return std::nullopt;
  }
  const int64_t length = journal.GetLength();
  if (length < 0 || length > kMaxJournalSize) {
    LOG(WARNING) << "Not reading the journal " << file << " of " << length << " bytes";
    return std::nullopt;
  }
  std::string text(static_cast<size_t>(length), '\0');
  if (length > 0 && journal.Read(0, text.data(), static_cast<int>(length)) != length) {
    PLOG(WARNING) << "Cannot read the journal " << file;
    return std::nullopt;
  }
  std::vector<base::FilePath> entries;
  for (base::FilePath& entry : ParseRunJournal(text)) {
    if (!IsRelativePathInside(entry)) {
      LOG(WARNING) << "Dropping the entry " << entry << " of the journal " << file
                   << ": it leads out of the folder";
      continue;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace velta
