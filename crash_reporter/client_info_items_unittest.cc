// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/client_info_items.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/child_process.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_key_table.h"
#include "crash_reporter/parameters_map.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct RawEntry {
  std::u16string name;
  std::u16string value;
  // Leaves the value without its terminating 0 in its 64 units.
  bool unterminated_value = false;
};

std::vector<CrashKeyEntry> MakeEntries(const std::vector<RawEntry>& raw) {
  std::vector<CrashKeyEntry> entries(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    CrashKeyEntry& entry = entries[i];
    std::fill(std::begin(entry.name), std::end(entry.name), u'\0');
    std::fill(std::begin(entry.value), std::end(entry.value), u'\0');
    std::copy_n(raw[i].name.data(), std::min<size_t>(raw[i].name.size(), 64), entry.name);
    std::copy_n(raw[i].value.data(), std::min<size_t>(raw[i].value.size(), 64), entry.value);
    if (raw[i].unterminated_value)
      std::fill(std::begin(entry.value), std::end(entry.value), u'x');
  }
  return entries;
}

struct ItemsCase {
  const char* label;
  std::vector<RawEntry> entries;
  const char* name;
  std::wstring expected;
};

class ClientInfoItemsTest : public ::testing::TestWithParam<ItemsCase> {};

TEST_P(ClientInfoItemsTest, RebuildsItem) {
  const std::vector<CrashKeyEntry> entries = MakeEntries(GetParam().entries);
  ClientInfoItems items(entries.data(), entries.size());
  EXPECT_EQ(GetParam().expected, items.Get(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClientInfoItemsTest,
    ::testing::Values(
        ItemsCase{"ChunksJoinInOrder",
                  {{u"Email-2", u"b"}, {u"Email-1", u"a"}, {u"Email-3", u""}},
                  "Email",
                  L"ab"},
        ItemsCase{"MissingChunkLeavesNoGap",
                  {{u"Email-1", u"a"}, {u"Email-3", u"c"}},
                  "Email",
                  L"ac"},
        ItemsCase{"PlainEntryBeforeChunksWins",
                  {{u"Email", u"plain"}, {u"Email-1", u"a"}, {u"Email-2", u"b"}},
                  "Email",
                  L"plain"},
        ItemsCase{"SecondChunkOfANumberIgnored",
                  {{u"Email-1", u"a"}, {u"Email-1", u"z"}},
                  "Email",
                  L"a"},
        ItemsCase{"NameWithSpaceIgnored", {{u"my key", u"v"}}, "my key", L""},
        ItemsCase{"NameAbove255Ignored", {{u"ke\u0100y", u"v"}}, "ke\xC4\x80y", L""},
        ItemsCase{"UnterminatedValueIgnored", {{u"ver", u"", true}}, "ver", L""},
        ItemsCase{"UnspecifiedNameIgnored",
                  {{u"unspecified-crash-key", u"v"}},
                  "unspecified-crash-key",
                  L""},
        ItemsCase{"OverflowingDigitsMakeAPlainName",
                  {{u"k-99999999999999999999", u"v"}},
                  "k-99999999999999999999",
                  L"v"},
        ItemsCase{"DashWithoutDigitsIsPlain", {{u"a-b", u"v"}}, "a-b", L"v"}),
    [](const auto& info) { return std::string(info.param.label); });

struct RunTimeCase {
  const wchar_t* ptime;
  std::optional<int64_t> expected;
};

class RunTimeTest : public ::testing::TestWithParam<RunTimeCase> {};

TEST_P(RunTimeTest, ParsesMillisecondsToMicroseconds) {
  EXPECT_EQ(GetParam().expected, ParseRunTimeMicroseconds(GetParam().ptime));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunTimeTest,
    ::testing::Values(RunTimeCase{L"5000", 5000000}, RunTimeCase{L"-2", -2000},
                      RunTimeCase{L"", std::nullopt}, RunTimeCase{L"12x", std::nullopt},
                      RunTimeCase{L"9223372036854775807", std::numeric_limits<int64_t>::max()},
                      RunTimeCase{L"-9223372036854775807", std::numeric_limits<int64_t>::min()}));

// The client's own keys win over the reporter's values; crash_guid and ptime
// never reach the report; the run time fixes CrashTime after StartupTime.
TEST(CollectParametersTest, ClientKeysWinAndRunTimeSetsCrashTime) {
  const std::vector<CrashKeyEntry> entries = MakeEntries({{u"ver", u"9.9.9.9"},
                                                          {u"crash_guid", u"abc"},
                                                          {u"ptime", u"5000"},
                                                          {u"ptype", u"installer"}});
  ClientInfoItems items(entries.data(), entries.size());
  WideParametersMap map;
  CollectParametersForClient(::GetCurrentProcess(), items, &map);

  EXPECT_EQ(L"9.9.9.9", map.Get(L"ver"));
  EXPECT_EQ(L"installer", map.Get(L"ptype"));
  EXPECT_FALSE(map.Has(L"crash_guid"));
  EXPECT_FALSE(map.Has(L"ptime"));
  int64_t startup = 0;
  int64_t crash = 0;
  ASSERT_TRUE(base::StringToInt64(map.Get(L"StartupTime"), &startup));
  ASSERT_TRUE(base::StringToInt64(map.Get(L"CrashTime"), &crash));
  EXPECT_GE(crash - startup, 4);
  EXPECT_LE(crash - startup, 5);
  for (const wchar_t* name : {L"prod", L"UBN", L"BuildID", L"ReleaseChannel", L"symbols-package",
                              L"InstallTime", L"mem_physical_total", L"process_working_set_size"}) {
    EXPECT_TRUE(map.Has(name)) << name;
  }
}

TEST(CollectParametersTest, CrashReporterWithoutProcessStillHasProductAndTimes) {
  WideParametersMap map;
  // No process has id 0 that may be opened.
  CollectParametersForCrashReporter(0, &map, true);
  EXPECT_EQ(L"crash_reporter", map.Get(L"ptype"));
  EXPECT_EQ(map.Get(L"StartupTime"), map.Get(L"CrashTime"));
  EXPECT_TRUE(map.Has(L"ver"));
  EXPECT_FALSE(map.Has(L"process_private_usage"));
  EXPECT_FALSE(map.Has(L"symbols-package"));
}

TEST(ProcessVirtualMemoryTest, ReadsOurOwnCountersAndNothingWithoutAProcess) {
  const std::optional<ProcessVirtualMemory> memory = GetProcessVirtualMemory(::GetCurrentProcess());
  ASSERT_TRUE(memory.has_value());
  EXPECT_GT(memory->virtual_size, 0u);
  // The peak is never below the current size: the two are not swapped.
  EXPECT_GE(memory->peak_virtual_size, memory->virtual_size);
  EXPECT_FALSE(GetProcessVirtualMemory(nullptr).has_value());
}

// A program's path comes back whole at the longest that Wine starts a
// program from (259 characters, MAX_PATH with its terminating 0). Windows
// starts programs from longer paths too, which the reading must not cut, but
// a real process cannot show that here: Wine's CreateProcessW fails with
// ERROR_FILE_NOT_FOUND for any program whose full path has 260 characters or
// more, also when given with the \\?\ prefix or through its 8.3 short name
// (the process's image path is the long one), and a drive defined with
// DefineDosDevice (subst) does not reach Wine's file system. The growth of
// the buffer past MAX_PATH is tested through the query's stand-in below.
TEST(ProcessImagePathTest, ReadsTheWholePath) {
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  constexpr size_t kLength = MAX_PATH - 1;
  const size_t name_length = kLength - folder.GetPath().value().size() - 1;
  ASSERT_GT(name_length, 4u);
  ASSERT_LE(name_length, 255u);
  const base::FilePath program =
      folder.GetPath().Append(std::wstring(name_length - 4, L'p') + L".exe");
  ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"installer.exe"), program));

  // Started suspended, it runs nothing of its own.
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring command_line = L"\"" + program.value() + L"\"";
  ASSERT_TRUE(::CreateProcessW(program.value().c_str(), command_line.data(), nullptr, nullptr,
                               FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &info))
      << ::GetLastError();
  base::win::ScopedHandle process(info.hProcess);
  base::win::ScopedHandle thread(info.hThread);
  EXPECT_EQ(program, GetProcessImagePath(process.Get()));
  ::TerminateProcess(process.Get(), 0);
  ::WaitForSingleObject(process.Get(), 10000);
}

struct ImagePathLengthCase {
  const char* name;
  size_t length;
  // Whether the path comes back (else the reading gives up, empty).
  bool read;
};

class ProcessImagePathLengthTest : public ::testing::TestWithParam<ImagePathLengthCase> {};

// A stand-in for QueryFullProcessImageNameW on a process whose image path
// has the case's length: it fails with ERROR_INSUFFICIENT_BUFFER until the
// buffer holds the path and its terminating 0, as Windows does for a program
// started from a long path.
TEST_P(ProcessImagePathLengthTest, GrowsTheBufferUntilThePathFits) {
  std::wstring image = L"C:\\";
  while (image.size() + 10 < GetParam().length)
    image.append(std::wstring(std::min<size_t>(200, GetParam().length - image.size() - 10), L'd'))
        .append(L"\\");
  image.append(std::wstring(GetParam().length - image.size() - 4, L'p')).append(L".exe");
  ASSERT_EQ(GetParam().length, image.size());
  int queries = 0;
  const base::FilePath read =
      GetProcessImagePathWith([&](wchar_t* buffer, unsigned long* size) {
        ++queries;
        if (*size <= image.size()) {
          ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
          return false;
        }
        std::copy(image.begin(), image.end(), buffer);
        buffer[image.size()] = L'\0';
        *size = static_cast<unsigned long>(image.size());
        return true;
      });
  EXPECT_EQ(GetParam().read ? image : std::wstring(), read.value());
  // Each query doubles the buffer: the reading ends.
  EXPECT_LE(queries, 9);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths,
    ProcessImagePathLengthTest,
    ::testing::Values(ImagePathLengthCase{"LongestInMaxPath", MAX_PATH - 1, true},
                      ImagePathLengthCase{"MaxPath", MAX_PATH, true},
                      ImagePathLengthCase{"PastTheFirstBuffer", MAX_PATH + 1, true},
                      ImagePathLengthCase{"DeepFolder", 5000, true},
                      ImagePathLengthCase{"Longest", 32767, true},
                      ImagePathLengthCase{"LongerThanAPath", 32768, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Any other failure is not retried.
TEST(ProcessImagePathTest, OtherFailuresGiveNoPath) {
  int queries = 0;
  EXPECT_TRUE(GetProcessImagePathWith([&](wchar_t*, unsigned long*) {
                ++queries;
                ::SetLastError(ERROR_ACCESS_DENIED);
                return false;
              }).empty());
  EXPECT_EQ(1, queries);
}

}  // namespace
}  // namespace velta
