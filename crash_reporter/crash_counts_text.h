// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_COUNTS_TEXT_H_
#define CRASH_REPORTER_CRASH_COUNTS_TEXT_H_

#include <stdint.h>

#include <map>
#include <string>
#include <string_view>

namespace velta {

// The text of the crash counter's file: a compact JSON dictionary of counts
// by name, keys in order ({"browser":2,"installer":1}). Pure: no file, no
// Windows, callable on any thread.

// Adds the counts in `text` to `counts`. False when the text is not a JSON
// dictionary; members that are not whole numbers within the int64 range are
// skipped.
bool ParseCrashCounts(std::string_view text, std::map<std::string, int64_t>* counts);

// Replaces `text` with the text of `counts`, exact for counts up to 2^53 in
// magnitude; false when it cannot be made.
bool CrashCountsToText(const std::map<std::string, int64_t>& counts, std::string* text);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_COUNTS_TEXT_H_
