// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes as a run journal left on disk.
// No path read is empty or reads as a retraction, no two compare equal, a
// retraction of each added at the end leaves nothing, and a retraction and
// a record of each added at the end give them back in the same order.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/transactions/run_journal_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velta;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<base::FilePath> paths = ParseRunJournal(text);

  std::set<std::string> seen;
  std::string taken_back = text + "\n";
  std::string recorded_again = text + "\n";
  for (const base::FilePath& path : paths) {
    const std::string line = RunJournalLine(path, /*retraction=*/false);
    CHECK(!path.empty());
    CHECK(!line.starts_with(kRunJournalRetraction)) << line;
    CHECK(seen.insert(base::ToLowerASCII(line)).second) << line;
    taken_back += RunJournalLine(path, /*retraction=*/true);
    recorded_again += RunJournalLine(path, /*retraction=*/true) + line;
  }
  CHECK(ParseRunJournal(taken_back).empty());
  CHECK(ParseRunJournal(recorded_again) == paths);
  return 0;
}
