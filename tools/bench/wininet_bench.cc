// Copyright 2026 Velta Software. All rights reserved.

// Downloads one URL with the installer's downloader (WininetImpl, its file
// writer) and with a plain synchronous WinINet loop (64 KiB reads into a
// file), and prints the throughput of each: medians of N interleaved runs
// with their spread. With a second
// URL whose first answer is cut, it also times the downloader on a download
// that must resume. Every download must bring the served file whole: its
// SHA-256 is given, and a download that brings other bytes ends the run.
// See README.md; compare_wininet.sh runs it.
//
//   wininet_bench URL OUTPUT_FILE SHA256 [RUNS] [CUT_URL]

#include <windows.h>
#include <wininet.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/wininet/downloader.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"

namespace {

// No dialog in a benchmark: a proxy prompt counts as refused.
class RefusingUiCallbackRunner : public velta::UiCallbackRunner {
 public:
  void RunUICallbackAndPostReply(UiTask,
                                 scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override {
    reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), 1u));
  }
};

// Seconds for one download through the downloader; negative on failure.
double TimeDownloader(const std::wstring& url, const base::FilePath& output, int64_t* bytes) {
  RefusingUiCallbackRunner ui_runner;
  velta::WininetImpl downloader(&ui_runner, nullptr, base::TimeDelta::FromMilliseconds(100));
  auto writer = std::make_unique<velta::WininetResponseWriter>();
  if (!writer->Open(output))
    return -1;
  base::RunLoop run_loop;
  base::TimeTicks start = base::TimeTicks::Now();
  if (!downloader.Start(url, std::string(), run_loop.QuitClosure(), std::move(writer),
                        std::make_unique<velta::DownloaderDelegate>())) {
    fprintf(stderr, "Start failed: %s", downloader.GetError().c_str());
    return -1;
  }
  run_loop.Run();
  double seconds = (base::TimeTicks::Now() - start).InSecondsF();
  if (downloader.GetState() != velta::DownloaderState::kCompleted) {
    fprintf(stderr, "Download failed: %s", downloader.GetError().c_str());
    return -1;
  }
  *bytes = downloader.GetDownloadedSize();
  return seconds;
}

// Seconds for one download through a plain synchronous WinINet loop.
double TimePlainLoop(const std::wstring& url, const base::FilePath& output, int64_t* bytes) {
  base::TimeTicks start = base::TimeTicks::Now();
  HINTERNET internet =
      ::InternetOpenW(L"wininet_bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request =
      internet ? ::InternetOpenUrlW(internet, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0)
               : nullptr;
  HANDLE file = ::CreateFileW(output.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = request && file != INVALID_HANDLE_VALUE;
  std::vector<char> buffer(64 * 1024);
  *bytes = 0;
  DWORD read = 0;
  while (ok &&
         ::InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read) &&
         read) {
    DWORD written = 0;
    ok = ::WriteFile(file, buffer.data(), read, &written, nullptr) && written == read;
    *bytes += read;
  }
  if (file != INVALID_HANDLE_VALUE)
    ::CloseHandle(file);
  if (request)
    ::InternetCloseHandle(request);
  if (internet)
    ::InternetCloseHandle(internet);
  return ok ? (base::TimeTicks::Now() - start).InSecondsF() : -1;
}

// `seconds` when the download before it wrote the served file, whole, to
// `output`; else -1, with what came instead.
double Verified(double seconds,
                const char* label,
                const base::FilePath& output,
                const std::string& sha256) {
  if (seconds <= 0)
    return seconds;
  std::string actual;
  int64_t length = 0;
  if (!velta::CheckChecksum(output, sha256, nullptr, &actual, &length)) {
    fprintf(stderr, "%s: the %lld bytes received are not the served file (SHA-256 %s)\n", label,
            static_cast<long long>(length), actual.c_str());
    return -1;
  }
  return seconds;
}

// One way of downloading, timed once a round.
struct Way {
  Way(const char* label, std::function<double(int64_t* bytes)> measure)
      : label(label), measure(std::move(measure)) {}

  const char* label;
  std::function<double(int64_t* bytes)> measure;
  std::vector<double> seconds;
  int64_t bytes = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs every way once a round, in turn, `runs` rounds (after one untimed
// round), so a change of load slows all alike; prints each way's median
// throughput with its spread, and the median per-round time ratio of each
// way to the first (above 1: slower than the first).
void RunInterleaved(int runs, std::vector<Way>* ways) {
  for (int round = -1; round < runs; ++round) {
    for (Way& way : *ways) {
      const double seconds = way.measure(&way.bytes);
      if (seconds <= 0) {
        printf("%-28s failed\n", way.label);
        exit(1);
      }
      if (round >= 0)
        way.seconds.push_back(seconds);
    }
  }
  const Way& first = ways->front();
  printf("medians of %d interleaved runs (after one untimed):\n", runs);
  for (const Way& way : *ways) {
    std::vector<double> ratios;
    for (size_t i = 0; i < way.seconds.size(); ++i)
      ratios.push_back(way.seconds[i] / first.seconds[i]);
    const auto [fastest, slowest] = std::minmax_element(way.seconds.begin(), way.seconds.end());
    printf("%-28s %8.1f MB/s (%.1f to %.1f), time / %s: %.2f\n", way.label,
           way.bytes / Median(way.seconds) / 1e6, way.bytes / *slowest / 1e6,
           way.bytes / *fastest / 1e6, first.label, Median(ratios));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: wininet_bench URL OUTPUT_FILE SHA256 [RUNS] [CUT_URL]\n");
    return 2;
  }
  base::AtExitManager at_exit;
  base::MessageLoop message_loop;
  std::wstring url = argv[1];
  base::FilePath output(argv[2]);
  const std::string sha256 = base::WideToASCII(argv[3]);
  int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 5;
  std::vector<Way> ways;
  ways.emplace_back("plain WinINet loop (64 KiB)", [&](int64_t* bytes) {
    return Verified(TimePlainLoop(url, output, bytes), "plain WinINet loop", output, sha256);
  });
  ways.emplace_back("downloader", [&](int64_t* bytes) {
    return Verified(TimeDownloader(url, output, bytes), "downloader", output, sha256);
  });
  if (argc > 5) {
    std::wstring cut_url = argv[5];
    ways.emplace_back("downloader, one resume", [=](int64_t* bytes) {
      return Verified(TimeDownloader(cut_url, output, bytes), "downloader, one resume", output,
                      sha256);
    });
  }
  RunInterleaved(runs, &ways);
  base::DeleteFile(output);
  return 0;
}
