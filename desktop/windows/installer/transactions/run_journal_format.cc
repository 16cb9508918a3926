// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/run_journal_format.h"

#include <algorithm>
#include <unordered_map>

#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {

namespace {

// What the journal says of one path so far.
struct PathState {
  // The last line that recorded it, as spelt there.
  std::string_view spelling;
  bool is_recorded = false;
};

bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

std::string RunJournalLine(const base::FilePath& relative, bool retraction) {
  return std::string(retraction ? kRunJournalRetraction : "") + relative.AsUTF8Unsafe() + "\n";
}

std::vector<base::FilePath> ParseRunJournal(std::string_view text) {
  // Lowering ASCII keeps every byte's place: a line of `folded` is the line
  // of `text` at the same offset.
  const std::string folded = base::ToLowerASCII(text);
  std::unordered_map<std::string_view, PathState> states;
  std::vector<std::string_view> first_seen_order;
  for (std::string_view key :
       base::SplitStringPiece(folded, "\r\n", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    std::string_view line = text.substr(key.data() - folded.data(), key.size());
    const bool is_retraction = line.starts_with(kRunJournalRetraction);
    if (is_retraction) {
      key.remove_prefix(kRunJournalRetraction.size());
      line.remove_prefix(kRunJournalRetraction.size());
    }
    // No run writes an empty path, one that is not UTF-8, or one holding a
    // control character, which no name on Windows does.
    if (key.empty() || !base::IsStringUTF8(line) || HoldsControlCharacter(line))
      continue;
    auto [it, inserted] = states.try_emplace(key);
    if (inserted)
      first_seen_order.push_back(key);
    it->second.is_recorded = !is_retraction;
    if (!is_retraction)
      it->second.spelling = line;
  }
  std::vector<base::FilePath> paths;
  for (std::string_view key : first_seen_order) {
    const PathState& state = states.at(key);
    if (state.is_recorded)
      paths.push_back(base::FilePath::FromUTF8Unsafe(state.spelling));
  }
  return paths;
}

}  // namespace velta
