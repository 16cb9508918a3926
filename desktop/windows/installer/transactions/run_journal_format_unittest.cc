// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/run_journal_format.h"

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// What a journal's text records once its retractions are honoured.
TEST(ParseRunJournalTest, HonoursRetractions) {
  const struct {
    std::string text;
    std::vector<const wchar_t*> paths;
  } kCases[] = {
      {"1.0\n1.0\\sub\r\nvelta.dll.1765000000.old\n",
       {L"1.0", L"1.0\\sub", L"velta.dll.1765000000.old"}},
      // A folder another process made first is taken back...
      {"1.0\n2.0\nnot ours:1.0\n", {L"2.0"}},
      // ...whatever its case, as the file system compares names...
      {"Old_Status\nnot ours:old_status\n", {}},
      // ...until it is recorded again; a retraction of what was not
      // recorded yet does not keep a later record from counting.
      {"2.0\nnot ours:2.0\n2.0\n", {L"2.0"}},
      {"not ours:3.0\n3.0\n", {L"3.0"}},
      // Each path once, as the last record spells it.
      {"a\\b\nA\\B\r\n\r\n", {L"A\\B"}},
      // A retraction of nothing; the prefix in capitals is a path (which
      // the reader then drops for its ':').
      {"not ours:\nNot ours:1.0\n", {L"Not ours:1.0"}},
      // What no run writes.
      {"\xff\xfe\n\n\r\n1.0\tx\n", {}},
      {std::string("2.0\0x\n", 6), {}},
      {" spaced \n", {L" spaced "}},
      {"R\xC3\xA9pertoire\n", {L"R\u00e9pertoire"}},
  };
  for (const auto& c : kCases) {
    std::vector<base::FilePath> expected;
    for (const wchar_t* path : c.paths)
      expected.emplace_back(path);
    EXPECT_EQ(expected, ParseRunJournal(c.text)) << c.text;
  }
}

}  // namespace
}  // namespace velta
