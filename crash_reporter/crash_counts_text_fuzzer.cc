// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes as the crash counter's file. Counts
// that read must come back the same once written and read again, and a
// further crash counted on top of them must survive the same way: the file
// is read, merged and rewritten by every process that counts.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/logging.h"
#include "crash_reporter/crash_counts_text.h"

namespace {

std::map<std::string, int64_t> WrittenAndReadBack(const std::map<std::string, int64_t>& counts) {
  std::string text;
  CHECK(velta::CrashCountsToText(counts, &text));
  std::map<std::string, int64_t> again;
  CHECK(velta::ParseCrashCounts(text, &again)) << text;
  return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::map<std::string, int64_t> counts;
  if (!velta::ParseCrashCounts(text, &counts))
    return 0;
  CHECK(WrittenAndReadBack(counts) == counts);
  // The text keeps counts exact up to 2^53, far beyond any real count.
  constexpr int64_t kExactLimit = int64_t{1} << 53;
  for (auto& [name, count] : counts) {
    if (count >= kExactLimit - 1 || count <= -kExactLimit)
      return 0;
    count += 1;
  }
  CHECK(WrittenAndReadBack(counts) == counts);
  return 0;
}
