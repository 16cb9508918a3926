// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_RUN_JOURNAL_FORMAT_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_RUN_JOURNAL_FORMAT_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

// The text of a run journal (RunJournal): UTF-8, one line for each path,
// relative to the journal's folder. A line that is a path records it: the
// run is about to make it, or park a file under it. A line of
// kRunJournalRetraction and a path takes that path back: the run did not
// make it after all (another process made it first), until a later line
// records it again. The retraction holds a ':', which no relative path of a
// folder's entry does, so that a reader that knows no retractions drops the
// line as leading out of the folder.
inline constexpr std::string_view kRunJournalRetraction = "not ours:";

// The line that records `relative`, or with `retraction` takes it back,
// with its line feed.
std::string RunJournalLine(const base::FilePath& relative, bool retraction);

// The paths that the journal `text` (untrusted: what a run left on disk)
// records and does not take back, each once, in the order they first
// appear in, as the last line recording them spells them. Lines end at a
// carriage return or a line feed; empty ones, and those that are not UTF-8
// or hold a control character, are skipped; spaces are kept. Paths compare without regard to ASCII
// case, as the file system's names do; whether a path stays inside the
// folder is the caller's to check.
std::vector<base::FilePath> ParseRunJournal(std::string_view text);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_RUN_JOURNAL_FORMAT_H_
