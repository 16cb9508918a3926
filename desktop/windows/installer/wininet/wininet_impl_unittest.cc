// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/wininet_impl.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using test::LocalHttpServer;
using testing::ElementsAre;
using testing::HasSubstr;

// A body whose every byte depends on its position, so a shifted or
// repeated piece shows.
std::string MakeBody(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i)
    body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return body;
}

class WininetImplTest : public testing::TestWithParam<LocalHttpServer::Scheme> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    server_ = std::make_unique<LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start(GetParam()));
    body_ = MakeBody(300 * 1024);
    ASSERT_TRUE(server_->AddFile("package.bin", body_));
    downloader_ = std::make_unique<WininetImpl>(&ui_runner_, &progress_,
                                                base::TimeDelta::FromMilliseconds(20));
    target_ = folder_.GetPath().Append(L"downloaded.bin");
  }

  // Downloads `path` into target_ and waits for the end. False when Start
  // refused; then GetError() says why.
  bool Download(const std::string& path, const std::string& payload = std::string()) {
    auto writer = std::make_unique<WininetResponseWriter>();
    EXPECT_TRUE(writer->Open(target_));
    base::RunLoop run_loop;
    bool done_ran = false;
    if (!downloader_->Start(server_->Url(path), payload,
                            base::BindOnce(
                                [](bool* ran, base::OnceClosure quit) {
                                  *ran = true;
                                  std::move(quit).Run();
                                },
                                &done_ran, run_loop.QuitClosure()),
                            std::move(writer),
                            std::make_unique<test::RecordingDownloaderDelegate>(&events_))) {
      return false;
    }
    EXPECT_TRUE(base::test::RunWithTimeout(&run_loop)) << "the download never ended";
    EXPECT_TRUE(done_ran);
    return true;
  }

  std::string Downloaded() {
    std::string content;
    base::ReadFileToString(target_, &content);
    return content;
  }


  base::MessageLoop message_loop_;
  base::ScopedTempDir folder_;
  std::unique_ptr<LocalHttpServer> server_;
  std::string body_;
  // Answers the proxy prompt as a user who entered credentials.
  test::AnsweringUiCallbackRunner ui_runner_{{12032u}};
  test::RecordingProgressDelegate progress_;
  std::vector<std::string> events_;
  std::unique_ptr<WininetImpl> downloader_;
  base::FilePath target_;
};

TEST_P(WininetImplTest, CutBodyResumesWithRangeAndEndsWhole) {
  size_t third = body_.size() / 3;
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files", "replies": [
      {"body_file": "package.bin", "cut_after": )" +
                                 base::NumberToString(third) + "}]}]"));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  EXPECT_TRUE(Downloaded() == body_) << "the resumed file differs from the body";
  EXPECT_THAT(test::RequestedRanges(*server_), ElementsAre("none", "bytes=" + base::NumberToString(third) + "-"));
  EXPECT_EQ(body_.size(), downloader_->GetDownloadedSize());
  EXPECT_EQ(body_.size(), progress_.total);
  EXPECT_EQ(body_.size(), progress_.current);
}

TEST_P(WininetImplTest, RetriesGatewayErrorsAndCountsThem) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files",
      "replies": [{"status": 503}, {"status": 502}]}])"));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  EXPECT_TRUE(Downloaded() == body_);
  // A retried request asks for the rest, from byte 0 here.
  EXPECT_THAT(events_, testing::IsSupersetOf(
                           {"status 503", "retry 1", "status 502", "retry 2", "status 206"}));
  EXPECT_TRUE(progress_.stalls.empty()) << "only the third retry in a row is a stall";
  EXPECT_TRUE(downloader_->IsFirstAttempt()) << "the counter starts again once bytes arrive";
}

TEST_P(WininetImplTest, ThirdRetryInARowReportsAStall) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files",
      "replies": [{"status": 504}, {"status": 504}, {"status": 503}]}])"));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState());
  EXPECT_THAT(progress_.stalls, ElementsAre("503"));
}

TEST_P(WininetImplTest, ServerIgnoringTheRangeNeverCorruptsTheFile) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "replies": [
      {"body_file": "package.bin", "cut_after": 100000},
      {"body_file": "package.bin", "ignore_range": true}]}])"));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  EXPECT_EQ(body_.size(), Downloaded().size());
  EXPECT_TRUE(Downloaded() == body_);
  EXPECT_THAT(test::RequestedRanges(*server_), ElementsAre("none", "bytes=100000-"));
}

TEST_P(WininetImplTest, ResumesThatAddNothingAreBoundedRetries) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "replies": [
      {"body_file": "package.bin", "cut_after": 1000},
      {"status": 206, "body": "", "headers": {"Content-Range": "bytes 1000-307199/307200"}}]}])"));
  downloader_->SetMaxRetries(2);
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kFailed, downloader_->GetState());
  EXPECT_THAT(downloader_->GetError(), HasSubstr("Number of retries exceeded"));
  // The first request; its resume at once (bytes had arrived); then the
  // empty answers: retries 0, 1 and 2 are allowed, the fourth ends it.
  EXPECT_EQ(5u, server_->ReadLog().size());
}

TEST_P(WininetImplTest, ProxyPromptAnsweredResumesTheDownload) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files",
      "replies": [{"status": 407, "headers": {"Proxy-Authenticate": "Basic realm=\"x\""}}]}])"));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  EXPECT_TRUE(Downloaded() == body_);
  EXPECT_EQ(1, ui_runner_.prompts());
  EXPECT_THAT(events_, testing::IsSupersetOf(
                           {"status 407", "proxy_needed", "proxy_result 12032", "status 206"}));
}

// The credentials that answer a proxy's 407 go out on the connection that
// brought it: a proxy that authenticates a connection (NTLM, Negotiate)
// answers them only there. WinINet runs such a handshake's own legs inside
// one request; the loopback server's 407 stands for the proxy's, and its
// log says which connection each request came on.
TEST_P(WininetImplTest, CredentialsGoOutOnTheConnectionOfThe407) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files",
      "replies": [{"status": 407, "headers": {"Proxy-Authenticate": "Basic realm=\"x\""}}]}])"));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  EXPECT_EQ(1, ui_runner_.prompts());
  std::vector<int> connections = test::RequestConnections(*server_);
  ASSERT_EQ(2u, connections.size());
  EXPECT_EQ(connections[0], connections[1])
      << "the request after the prompt went out on a new connection";
}

// A bound on each request's reply counts from the request's sending, not
// while the proxy-credentials prompt is open: the user may take longer
// than the bound to answer, and the request after the answer has a bound
// of its own.
TEST_P(WininetImplTest, ProxyPromptTimeIsNotCountedInTheReplyBound) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files",
      "replies": [{"status": 407, "headers": {"Proxy-Authenticate": "Basic realm=\"x\""}}]}])"));
  ui_runner_.set_answer_delay(base::TimeDelta::FromMilliseconds(1500));
  downloader_->SetReplyTimeLimit(base::TimeDelta::FromSeconds(1));
  ASSERT_TRUE(Download("/package.bin"));
  EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  EXPECT_TRUE(Downloaded() == body_);
}

struct RefusedPromptCase {
  uint32_t answer;
  const char* error;
};

TEST_P(WininetImplTest, RefusedProxyPromptFails) {
  const RefusedPromptCase cases[] = {
      {0, "The user cancelled the prompt for proxy credentials"},
      {1223, "The user cancelled the prompt for proxy credentials"},
      // A silent run answers 1 without a dialog.
      {1, "Failed to obtain credentials for proxy"},
  };
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "reply": {"status": 407}}])"));
  for (const RefusedPromptCase& test_case : cases) {
    SCOPED_TRACE(test_case.answer);
    test::AnsweringUiCallbackRunner runner({test_case.answer});
    downloader_ = std::make_unique<WininetImpl>(&runner, nullptr);
    ASSERT_TRUE(Download("/package.bin"));
    EXPECT_EQ(DownloaderState::kFailed, downloader_->GetState());
    EXPECT_THAT(downloader_->GetError(), HasSubstr(test_case.error));
    EXPECT_EQ(1, runner.prompts());
    downloader_.reset();
  }
}

TEST_P(WininetImplTest, OtherStatusesFailAtOnce) {
  for (int status : {404, 500, 416}) {
    SCOPED_TRACE(status);
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/x", "reply": {"status": )" +
                                   base::NumberToString(status) + "}}]"));
    ASSERT_TRUE(Download("/x"));
    EXPECT_EQ(DownloaderState::kFailed, downloader_->GetState());
    EXPECT_THAT(downloader_->GetError(),
                HasSubstr("unexpected HTTP status " + base::NumberToString(status)));
    EXPECT_EQ(static_cast<uint32_t>(status), downloader_->GetHttpStatus());
  }
}

TEST_P(WininetImplTest, RefusedRedirectEndsTheDownloadOnce) {
  downloader_->SetAllowedDomains({L"127.0.0.1"});
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/moved", "reply": {"status": 302,
      "headers": {"Location": "http://localhost:)" +
                                 base::NumberToString(server_->port()) + R"(/package.bin"}}}])"));
  ASSERT_TRUE(Download("/moved"));
  EXPECT_EQ(DownloaderState::kFailed, downloader_->GetState());
  EXPECT_THAT(downloader_->GetError(), HasSubstr("Redirect URL is disallowed localhost"));
}

TEST_P(WininetImplTest, PayloadIsPostedAndAnEmptyOneIsAGet) {
  ASSERT_TRUE(Download("/v1/binary", "tracking=1"));
  ASSERT_TRUE(Download("/package.bin", ""));
  std::vector<base::Value> log = server_->ReadLog();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("POST", *log[0].FindStringKey("method"));
  EXPECT_EQ(10, log[0].FindIntKey("body_size").value_or(0));
  EXPECT_EQ("GET", *log[1].FindStringKey("method"));
  EXPECT_TRUE(Downloaded() == body_);
}

struct CutReplyCase {
  const char* name;
  // The first reply for /package.bin, with $THIRD for a third of the body;
  // the file tree answers later requests.
  const char* first_reply;
  // Whether the request after the time-out goes on from bytes received
  // (where the file ends, which the reads decide), not from the start.
  bool resumes_past_start;
};

// A server that stops sending, or sends less than it announced, costs one
// time-out, never the run: the downloader gives up on the request after its
// network time-out and resumes where the file ends. The request that follows
// gets its own reply, not the rest of the cut one.
TEST_P(WininetImplTest, SilentServerTimesOutAndTheDownloadResumes) {
  const CutReplyCase cases[] = {
      {.name = "body stalls",
       .first_reply = R"({"body_file": "package.bin", "stall_after": $THIRD, "stall_seconds": 4})",
       .resumes_past_start = true},
      // The server keeps the connection open: the reads wait for the
      // missing bytes.
      {.name = "body shorter than its Content-Length",
       .first_reply = R"({"body_file": "head.bin", "content_length": 307200,
                          "headers": {"Connection": "keep-alive"}})",
       .resumes_past_start = true},
      {.name = "no answer",
       .first_reply = R"({"body_file": "package.bin", "stall_before_headers": 4})",
       .resumes_past_start = false},
  };
  const std::string third = base::NumberToString(body_.size() / 3);
  auto with_third = [&third](std::string text) {
    for (size_t at = text.find("$THIRD"); at != std::string::npos; at = text.find("$THIRD"))
      text.replace(at, 6, third);
    return text;
  };
  ASSERT_TRUE(server_->AddFile("head.bin", body_.substr(0, body_.size() / 3)));
  const std::string metadata = R"({"version": "1.2.3.4"})";
  ASSERT_TRUE(server_->AddFile("metadata.json", metadata));
  for (const CutReplyCase& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    downloader_ = std::make_unique<WininetImpl>(&ui_runner_, &progress_,
                                                base::TimeDelta::FromMilliseconds(20),
                                                base::TimeDelta::FromSeconds(1));
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "then": "files", "replies": [)" +
                                   with_third(test_case.first_reply) + "]}]"));
    const size_t requests_before = server_->ReadLog().size();
    base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
    ASSERT_TRUE(Download("/package.bin"));
    EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
    EXPECT_TRUE(Downloaded() == body_) << "the resumed file differs from the body";
    std::vector<std::string> ranges = test::RequestedRanges(*server_);
    ranges.erase(ranges.begin(), ranges.begin() + requests_before);
    ASSERT_EQ(2u, ranges.size());
    EXPECT_EQ("none", ranges[0]);
    EXPECT_THAT(ranges[1], testing::StartsWith("bytes="));
    EXPECT_EQ(test_case.resumes_past_start, ranges[1] != "bytes=0-") << ranges[1];
    EXPECT_THAT(warnings.lines, testing::Contains(HasSubstr("timed out")));

    ASSERT_TRUE(Download("/metadata.json"));
    EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
    EXPECT_EQ(metadata, Downloaded()) << "the next request read the rest of the cut reply";
  }
}

// A body longer than its Content-Length is a lie of the server, and costs
// one request, never the downloader's own retries (hours of them). The
// body is read up to the announced size; when WinINet already holds more
// of it the attempt fails at once, with one line saying why, and leaves its
// retry to the caller as a wrong checksum does (IsFirstAttempt); otherwise
// the download ends at the announced size (the checksum check then finds
// the file short).
TEST_P(WininetImplTest, BodyLongerThanItsContentLengthCostsOneRequest) {
  const size_t announced_sizes[] = {1000, 30000};
  for (size_t announced : announced_sizes) {
    SCOPED_TRACE(announced);
    // A server of its own: the lying reply's connection may go back to the
    // process's pool with the extra bytes unread.
    server_ = std::make_unique<LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start(GetParam()));
    downloader_ = std::make_unique<WininetImpl>(&ui_runner_, &progress_,
                                                base::TimeDelta::FromMilliseconds(20),
                                                base::TimeDelta::FromSeconds(1));
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.bin", "reply": {"body_file": )"
                                   R"("package.bin", "content_length": )" +
                                   base::NumberToString(announced) + "}}]"));
    base::test::ScopedLogCollector errors(logging::LOG_ERROR);
    ASSERT_TRUE(Download("/package.bin"));
    const auto refusals =
        std::count_if(errors.lines.begin(), errors.lines.end(), [](const std::string& line) {
          return line.find("longer than its Content-Length") != std::string::npos;
        });
    if (downloader_->GetState() == DownloaderState::kCompleted) {
      EXPECT_TRUE(Downloaded() == body_.substr(0, announced));
      EXPECT_EQ(0, refusals);
    } else {
      EXPECT_EQ(DownloaderState::kFailed, downloader_->GetState());
      EXPECT_THAT(downloader_->GetError(),
                  HasSubstr("Refused a reply longer than its Content-Length " +
                            base::NumberToString(announced)));
      EXPECT_EQ(1, refusals);
      EXPECT_TRUE(downloader_->IsFirstAttempt());
    }
    EXPECT_EQ(1u, server_->ReadLog().size()) << "the lying reply was retried";
  }
}

// A whole reply is never taken as cut: the bytes of every read count, also
// of a read that WinINet finished on its own thread before the call that
// started it returned (its count was lost, the reply ended short, and the
// resume joined a file with a hole in it). Many rounds of odd sizes, so that
// reads end at every offset of the read buffer.
TEST_P(WininetImplTest, WholeRepliesAreNeverResumed) {
  constexpr int kRounds = 40;
  base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    const std::string body = MakeBody(700 * 1024 + round * 4099 + 1);
    ASSERT_TRUE(server_->AddFile("body.bin", body));
    ASSERT_TRUE(Download("/body.bin"));
    ASSERT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
    EXPECT_TRUE(Downloaded() == body) << "the file differs from the body";
  }
  EXPECT_THAT(test::RequestedRanges(*server_),
              testing::AllOf(testing::SizeIs(kRounds), testing::Each("none")))
      << "a whole reply was resumed";
  EXPECT_THAT(warnings.lines, testing::Not(testing::Contains(HasSubstr("below response size"))));
}

struct TrailingBytesCase {
  const char* name;
  // The file served for /first, announced with the Content-Length of its
  // first `announced` bytes only.
  const char* file;
  size_t announced;
};

// A connection never carries one reply into the next download as its
// answer, and costs no time-out: bytes a server sent past a reply's
// Content-Length (a second, forged reply here) are never taken as the
// package. WinINet keeps the connection by what the reply said, so the
// next request may meet those bytes and waste one attempt (a reply that is
// not HTTP fails at once and is retried on a new connection; a forged one
// fails the caller's checksum); the attempt after it is whole.
TEST_P(WininetImplTest, NextRequestNeverReadsBytesPastAReply) {
  const std::string metadata = R"({"installer": "x"})";
  ASSERT_TRUE(server_->AddFile(
      "metadata_and_more.json",
      metadata + "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nforged"));
  const TrailingBytesCase cases[] = {
      {"a second reply after the metadata", "metadata_and_more.json", metadata.size()},
      {"a body longer than announced", "package.bin", 1000},
  };
  for (const TrailingBytesCase& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    downloader_ = std::make_unique<WininetImpl>(&ui_runner_, &progress_,
                                                base::TimeDelta::FromMilliseconds(20),
                                                base::TimeDelta::FromSeconds(1));
    ASSERT_TRUE(server_->SetRoutes(std::string(R"([{"path": "/first", "reply": {"body_file": ")") +
                                   test_case.file + R"(", "content_length": )" +
                                   base::NumberToString(test_case.announced) + "}}]"));
    base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
    ASSERT_TRUE(Download("/first"));
    // The caller's checksum: one wasted attempt at most.
    int attempts = 0;
    do {
      ++attempts;
      ASSERT_TRUE(Download("/package.bin"));
    } while (attempts < 2 && Downloaded() != body_);
    EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
    EXPECT_TRUE(Downloaded() == body_)
        << "the download read " << Downloaded().size() << " bytes of something else";
    EXPECT_THAT(warnings.lines, testing::Not(testing::Contains(HasSubstr("timed out"))));
    std::vector<base::Value> log = server_->ReadLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("/package.bin", *log.back().FindStringKey("path"))
        << "the last request never reached the server";
  }
}

struct KeptConnectionCase {
  const char* name;
  // The reply to /first.
  const char* reply;
  bool first_is_whole;
};

// A connection whose reply came whole serves the next request to the same
// server; one whose reply failed a check is let go of with the rest of the
// reply unread, and the next request opens a connection of its own.
TEST_P(WininetImplTest, OnlyAWholeReplyLeavesItsConnectionForTheNext) {
  const KeptConnectionCase cases[] = {
      {"whole reply", R"({"body_file": "package.bin"})", true},
      {"a range that does not go on from the first byte",
       R"({"status": 206, "headers": {"Content-Range": "bytes 5-307204/307205"},
           "body_file": "package.bin", "stall_after": 1000, "stall_seconds": 2})",
       false},
  };
  for (const KeptConnectionCase& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    // A server of its own, so that no connection of an earlier case counts.
    server_ = std::make_unique<LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start(GetParam()));
    ASSERT_TRUE(server_->AddFile("package.bin", body_));
    ASSERT_TRUE(server_->SetRoutes(std::string(R"([{"path": "/first", "reply": )") +
                                   test_case.reply + "}]"));
    ASSERT_TRUE(Download("/first"));
    ASSERT_EQ(test_case.first_is_whole, downloader_->GetState() == DownloaderState::kCompleted &&
                                            Downloaded() == body_)
        << downloader_->GetError();
    ASSERT_TRUE(Download("/package.bin"));
    EXPECT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
    EXPECT_TRUE(Downloaded() == body_);
    std::vector<int> connections = test::RequestConnections(*server_);
    ASSERT_EQ(2u, connections.size());
    EXPECT_EQ(test_case.first_is_whole, connections[0] == connections[1]);
  }
}

TEST_P(WininetImplTest, DownloadsLeaveNoCopyInTheUsersCache) {
  // The prefix's cache outlives the test: an entry that an earlier run left
  // for the same address (the port is reused) must not count.
  ::DeleteUrlCacheEntryW(server_->Url("/package.bin").c_str());
  ASSERT_TRUE(Download("/package.bin"));
  ASSERT_EQ(DownloaderState::kCompleted, downloader_->GetState()) << downloader_->GetError();
  DWORD size = 0;
  EXPECT_FALSE(::GetUrlCacheEntryInfoW(server_->Url("/package.bin").c_str(), nullptr, &size))
      << "the package was written to the cache as well";
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
}

INSTANTIATE_TEST_SUITE_P(Schemes,
                         WininetImplTest,
                         testing::Values(LocalHttpServer::Scheme::kHttp,
                                         LocalHttpServer::Scheme::kHttps));

// Failures before any server answers.
class WininetImplStartTest : public testing::Test {
 protected:
  base::MessageLoop message_loop_;
  test::AnsweringUiCallbackRunner ui_runner_;
  WininetImpl downloader_{&ui_runner_, nullptr, base::TimeDelta::FromMilliseconds(10)};
};

TEST_F(WininetImplStartTest, RefusesHostsOffTheListAndBadUrls) {
  downloader_.SetAllowedDomains({L".velta.example", L"localhost", L"127.0.0.1"});
  struct {
    const wchar_t* url;
    const char* error;
  } cases[] = {
      {L"http://evil-velta.example/p", "Domain disallowed evil-velta.example"},
      {L"http://velta.example.evil.test/p", "Domain disallowed velta.example.evil.test"},
      {L"http://127.0.0.10/p", "Domain disallowed 127.0.0.10"},
      {L"http://notlocalhost/p", "Domain disallowed notlocalhost"},
      {L"not a url", "Could not parse URL not a url"},
  };
  std::string reply;
  for (const auto& test_case : cases) {
    bool ran = false;
    EXPECT_FALSE(downloader_.Start(
        test_case.url, "", base::BindOnce([](bool* ran) { *ran = true; }, &ran),
        std::make_unique<StringResponseWriter>(&reply), std::make_unique<DownloaderDelegate>()));
    EXPECT_THAT(downloader_.GetError(), HasSubstr(test_case.error));
    EXPECT_FALSE(ran);
  }
}

TEST(IsHostAllowedTest, DottedEntriesAreSuffixesOthersExactNames) {
  const std::vector<std::wstring> list = {L".velta.example", L"localhost", L"127.0.0.1"};
  struct {
    const wchar_t* host;
    bool allowed;
  } cases[] = {
      {L"download.velta.example", true},
      {L"a.b.velta.example", true},
      {L"evil-velta.example", false},
      {L"velta.example", false},
      {L"DOWNLOAD.VELTA.EXAMPLE", false},
      {L"localhost", true},
      {L"evillocalhost", false},
      {L"127.0.0.1", true},
      {L"1127.0.0.1", false},
  };
  for (const auto& test_case : cases)
    EXPECT_EQ(test_case.allowed, IsHostAllowed(test_case.host, list)) << test_case.host;
  EXPECT_TRUE(IsHostAllowed(L"anything", {}));
}

TEST_F(WininetImplStartTest, RefusedPortFailsAfterTheAllowedAttempts) {
  const uint16_t port = test::UnusedLoopbackPort();
  ASSERT_NE(0, port);
  std::vector<std::string> events;
  downloader_.SetMaxRetries(0);
  base::RunLoop run_loop;
  std::string reply;
  ASSERT_TRUE(downloader_.Start(L"http://127.0.0.1:" + base::NumberToWString(port) + L"/p", "",
                                run_loop.QuitClosure(),
                                std::make_unique<StringResponseWriter>(&reply),
                                std::make_unique<test::RecordingDownloaderDelegate>(&events)));
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60)));
  EXPECT_EQ(DownloaderState::kFailed, downloader_.GetState());
  EXPECT_THAT(downloader_.GetError(), HasSubstr("Number of retries exceeded, last error: 12029"));
  // With a maximum of 0 the first failure is still retried once.
  EXPECT_THAT(events, ElementsAre("chunk_started 0", "error 12029", "retry 1", "chunk_started 0",
                                  "error 12029"));
}

}  // namespace
}  // namespace velta
