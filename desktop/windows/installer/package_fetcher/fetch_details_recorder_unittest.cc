// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/fetch_details_recorder.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/run_loop_with_timeout.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

// What the downloader reports of a download cut twice, as the recorders
// keep it.
class FetchDetailsRecorderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    server_ = std::make_unique<test::LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(server_->AddFile("p.bin", std::string(30000, 'x')));
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/p.bin", "then": "files", "replies": [
        {"body_file": "p.bin", "cut_after": 10000, "headers": {"Server": "loopback"}},
        {"body_file": "p.bin", "cut_after": 5000}]}])"));
  }

  std::vector<FetchDetails> Download(std::unique_ptr<DownloaderDelegate> recorder) {
    base::RunLoop run_loop;
    EXPECT_TRUE(downloader_.Start(server_->Url("/p.bin"), "", run_loop.QuitClosure(),
                                  std::make_unique<StringResponseWriter>(&body_),
                                  std::move(recorder)));
    EXPECT_TRUE(base::test::RunWithTimeout(&run_loop));
    EXPECT_EQ(DownloaderState::kCompleted, downloader_.GetState());
    return downloader_.GetFetchDetails();
  }

  base::MessageLoop message_loop_;
  base::ScopedTempDir folder_;
  std::unique_ptr<test::LocalHttpServer> server_;
  test::AnsweringUiCallbackRunner ui_runner_;
  WininetImpl downloader_{&ui_runner_, nullptr, base::TimeDelta::FromMilliseconds(10)};
  std::string body_;
};

TEST_F(FetchDetailsRecorderTest, KeepsOneRecordPerRequest) {
  std::vector<FetchDetails> records = Download(std::make_unique<FetchDetailsRecorder>());
  ASSERT_EQ(3u, records.size());
  const int64_t starts[] = {0, 10000, 15000};
  const uint32_t statuses[] = {200, 206, 206};
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<uint32_t>(i), records[i].chunk_number.value_or(99));
    EXPECT_EQ(starts[i], records[i].chunk_start.value_or(-1));
    EXPECT_EQ(i + 1 < records.size() ? starts[i + 1] : 30000, records[i].chunk_end.value_or(-1));
    EXPECT_EQ(statuses[i], records[i].http_status.value_or(0));
    EXPECT_EQ(0u, records[i].wininet_error.value_or(99));
    EXPECT_LE(records[i].chunk_start_time.value_or(0), records[i].chunk_end_time.value_or(0));
    EXPECT_EQ("127.0.0.1", records[i].ip.value_or(""));
  }
  EXPECT_EQ("loopback", records[0].headers["Server"]);
  EXPECT_EQ("30000", records[0].headers["Content-Length"]);
  EXPECT_EQ(0u, records[1].retry_count.value_or(99));
}

TEST_F(FetchDetailsRecorderTest, SummaryKeepsOneRecordOfTheOutcome) {
  std::vector<FetchDetails> records = Download(std::make_unique<FetchSummaryRecorder>());
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(206u, records[0].http_status.value_or(0));
  EXPECT_FALSE(records[0].chunk_number.has_value());
  EXPECT_EQ(1u, FetchSummaryRecorder().GetFetchDetails().size());
}

TEST(FetchDetailsRecorderBeforeRequestTest, ReportsBeforeTheFirstRequestAreIgnored) {
  FetchDetailsRecorder recorder;
  recorder.OnHttpStatus(200);
  recorder.OnChunkEnded(5);
  EXPECT_TRUE(recorder.GetFetchDetails().empty());
  recorder.OnChunkStarted(0xFFFFFFFFu);
  recorder.OnChunkStarted(7);
  std::vector<FetchDetails> records = recorder.GetFetchDetails();
  ASSERT_EQ(2u, records.size());
  // A 32-bit size is kept sign-extended; without an end the number repeats.
  EXPECT_EQ(-1, records[0].chunk_start.value_or(0));
  EXPECT_EQ(0u, records[1].chunk_number.value_or(99));
}

}  // namespace
}  // namespace velta
