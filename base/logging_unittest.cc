// Copyright 2026 Velta Software. All rights reserved.

#include "base/logging.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// A namespace with an operator<< of its own, as system code has: a free
// operator<< for wide strings declared elsewhere would be hidden here.
struct Marker {};
std::ostream& operator<<(std::ostream& out, Marker) {
  return out << "<marker>";
}

void LogWideTextInEveryForm(const std::wstring& text) {
  LOG(INFO) << text << Marker();
  LOG_IF(WARNING, true) << std::wstring_view(text);
  VLOG(1) << text.c_str();
  PLOG(ERROR) << text;
  DLOG(ERROR) << text;
}

}  // namespace
}  // namespace velta

namespace logging {
namespace {

std::vector<std::string>* g_captured = nullptr;

bool CaptureLine(LogSeverity, const char*, int, size_t, const std::string& line) {
  g_captured->push_back(line);
  return true;
}

class LoggingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_captured = &lines_;
    SetLogMessageHandler(&CaptureLine);
    saved_min_level_ = GetMinLogLevel();
  }
  void TearDown() override {
    SetLogMessageHandler(nullptr);
    SetMinLogLevel(saved_min_level_);
    g_captured = nullptr;
  }

  std::vector<std::string> lines_;
  int saved_min_level_ = 0;
};

TEST_F(LoggingTest, LineHasPrefixWithRepositoryPath) {
  LOG(ERROR) << "Cannot find own file path";
  ASSERT_EQ(1u, lines_.size());
  const std::regex prefix(
      R"(\[\d+:\d+:\d{4}/\d{6}\.\d{3}:ERROR:base/logging_unittest\.cc\(\d+\)\] )"
      R"(Cannot find own file path\n)");
  EXPECT_TRUE(std::regex_match(lines_[0], prefix)) << lines_[0];
  EXPECT_EQ(std::to_string(::GetCurrentProcessId()),
            lines_[0].substr(1, lines_[0].find(':') - 1));
}

TEST_F(LoggingTest, VerboseLinesFollowVerbosity) {
  SetMinLogLevel(LOG_INFO);
  VLOG(1) << "hidden";
  SetMinLogLevel(-2);
  VLOG(1) << "shown one";
  VLOG(2) << "shown two";
  VLOG(3) << "hidden three";
  ASSERT_EQ(2u, lines_.size());
  EXPECT_NE(std::string::npos, lines_[0].find(":VERBOSE1:")) << lines_[0];
  EXPECT_NE(std::string::npos, lines_[1].find(":VERBOSE2:")) << lines_[1];
}

TEST_F(LoggingTest, MinLevelDropsLowerSeverities) {
  SetMinLogLevel(LOG_WARNING);
  LOG(INFO) << "dropped";
  LOG(WARNING) << "kept";
  ASSERT_EQ(1u, lines_.size());
  EXPECT_NE(std::string::npos, lines_[0].find(":WARNING:"));
}

TEST_F(LoggingTest, PlogAppendsSystemError) {
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  PLOG(ERROR) << "Error returned by CreateFile";
  ASSERT_EQ(1u, lines_.size());
  EXPECT_NE(std::string::npos, lines_[0].find("Error returned by CreateFile: ")) << lines_[0];
  EXPECT_NE(std::string::npos, lines_[0].find("(0x2)")) << lines_[0];
}

TEST_F(LoggingTest, LoggingKeepsTheLastSystemError) {
  ::SetLastError(ERROR_PATH_NOT_FOUND);
  LOG(ERROR) << "Error returned by CreateFile";
  PLOG(ERROR) << "Error returned by WriteFile";
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), ::GetLastError());
}

TEST_F(LoggingTest, WideStringsAreWrittenAsUtf8) {
  LOG(INFO) << std::wstring(L"Install folder: C:\\Program Files\\Vel\u00e5ta");
  ASSERT_EQ(1u, lines_.size());
  EXPECT_NE(std::string::npos, lines_[0].find("C:\\Program Files\\Vel\xc3\xa5ta"));
}

TEST_F(LoggingTest, WideStringsAreWrittenAsUtf8FromOtherNamespaces) {
  SetMinLogLevel(-1);
  velta::LogWideTextInEveryForm(L"Vel\u00e5ta \u6587");
  const size_t expected_lines = DCHECK_IS_ON() ? 5 : 4;
  ASSERT_EQ(expected_lines, lines_.size());
  for (const std::string& line : lines_)
    EXPECT_NE(std::string::npos, line.find("] Vel\xc3\xa5ta \xe6\x96\x87")) << line;
  EXPECT_NE(std::string::npos, lines_[0].find("<marker>")) << lines_[0];
}

TEST_F(LoggingTest, StreamTakesManipulatorsAndNullWideText) {
  const wchar_t* absent = nullptr;
  LOG(INFO) << std::hex << 255 << " " << absent << std::flush;
  ASSERT_EQ(1u, lines_.size());
  EXPECT_NE(std::string::npos, lines_[0].find("] ff (null)\n")) << lines_[0];
}

TEST(LoggingCheckTest, CheckOpTextShowsWideOperandsAsUtf8) {
  std::unique_ptr<std::string> text(
      MakeCheckOpString(std::wstring(L"\u00e5"), std::wstring_view(L"b"), "a == b"));
  EXPECT_EQ("a == b (\xc3\xa5 vs. b)", *text);
}

TEST(LoggingFileTest, WritesToFileAndDeletesOldFile) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"velta_logging_unittest.log";
  {
    HANDLE old_file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, old_file);
    DWORD written = 0;
    ::WriteFile(old_file, "old contents\n", 13, &written, nullptr);
    ::CloseHandle(old_file);
  }
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file_path = path.c_str();
  settings.delete_old = DELETE_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  LOG(INFO) << "first line";
  LOG(WARNING) << "second line";
  CloseLogFile();

  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  char buffer[1024] = {};
  DWORD read = 0;
  ::ReadFile(file, buffer, sizeof(buffer) - 1, &read, nullptr);
  ::CloseHandle(file);
  ::DeleteFileW(path.c_str());
  const std::string contents(buffer, read);
  EXPECT_EQ(std::string::npos, contents.find("old contents"));
  EXPECT_NE(std::string::npos, contents.find(":INFO:base/logging_unittest.cc("));
  EXPECT_NE(std::string::npos, contents.find("] first line\n"));
  EXPECT_NE(std::string::npos, contents.find("] second line\n"));
}

TEST(SystemErrorCodeToStringTest, GivesOneLineEnglishTextAndTheCode) {
  std::string text = SystemErrorCodeToString(ERROR_ACCESS_DENIED);
  // Windows says "Access is denied.", Wine "Access denied.".
  EXPECT_EQ(0u, text.find("Access ")) << text;
  EXPECT_EQ("denied. (0x5)", text.substr(text.size() - 13)) << text;
  EXPECT_EQ(std::string::npos, text.find_first_of("\r\n\t")) << text;
  EXPECT_NE(' ', text.front());
  EXPECT_EQ(std::string::npos, text.find("  ")) << text;
}

TEST(SystemErrorCodeToStringTest, PrintsLargeCodesInUpperCaseHex) {
  std::string text = SystemErrorCodeToString(0x80070005u);
  EXPECT_EQ(" (0x80070005)", text.substr(text.size() - 13)) << text;
}

TEST(SystemErrorCodeToStringTest, NamesBothCodesWhenTheSystemHasNoText) {
  std::string text = SystemErrorCodeToString(0x2FFFFFFu);
  EXPECT_EQ(0u, text.find("Error (0x")) << text;
  EXPECT_NE(std::string::npos, text.find(") while retrieving error. (0x2FFFFFF)")) << text;
}

// Workers log while this thread changes the level and reopens the log file
// under them: every WARNING line arrives once and whole, and no other line is
// torn. Without the file lock a write meets a closed handle and the line is
// lost.
TEST(LoggingFileTest, ThreadsLogWhileSettingsChange) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath path = dir.GetPath().Append(L"threads.log");
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file_path = path.value().c_str();
  ASSERT_TRUE(InitLogging(settings));
  const int saved_min_level = GetMinLogLevel();

  constexpr int kThreads = 4;
  constexpr int kRounds = 300;
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([t, &finished] {
      for (int i = 0; i < kRounds; ++i) {
        LOG(WARNING) << "worker " << t << " round " << i;
        LOG(INFO) << "worker " << t << " round " << i;
        VLOG(1) << "worker " << t << " round " << i;
      }
      ++finished;
    });
  }
  const int levels[] = {LOG_WARNING, LOG_INFO, -1};
  for (int change = 0; finished.load() < kThreads; ++change) {
    SetMinLogLevel(levels[change % 3]);
    EXPECT_TRUE(InitLogging(settings));
  }
  for (std::thread& worker : workers)
    worker.join();
  SetMinLogLevel(saved_min_level);
  CloseLogFile();

  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(path, &contents));
  const std::regex whole_line(
      R"(\[\d+:\d+:\d{4}/\d{6}\.\d{3}:(WARNING|INFO|VERBOSE1):base/logging_unittest\.cc\(\d+\)\] )"
      R"(worker (\d) round (\d+))");
  std::vector<std::vector<int>> warnings(kThreads, std::vector<int>(kRounds, 0));
  std::istringstream lines(contents);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, whole_line)) << line;
    int worker = 0;
    int round = 0;
    ASSERT_TRUE(base::StringToInt(match.str(2), &worker) && base::StringToInt(match.str(3), &round));
    if (match[1] == "WARNING")
      ++warnings.at(worker).at(round);
  }
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kRounds; ++i)
      EXPECT_EQ(1, warnings[t][i]) << "worker " << t << " round " << i;
  }
}

}  // namespace
}  // namespace logging
