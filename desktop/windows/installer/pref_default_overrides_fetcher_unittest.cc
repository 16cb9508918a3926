// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/pref_default_overrides_fetcher.h"

#include <memory>
#include <optional>
#include <string>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_command_line.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

struct OverridesCase {
  const char* name;
  const char* routes;
  // Empty: the server's own URL of "/prefs".
  const char* url = "";
  const char* tracking_data = "tracking";
  // Null: no file may be left.
  const char* file = nullptr;
  // Null: no request reaches the server.
  const char* method = "POST";
};

void PrintTo(const OverridesCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class PrefDefaultOverridesFetcherTest : public testing::TestWithParam<OverridesCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    server_ = std::make_unique<test::LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start());
  }

  base::MessageLoop message_loop_;
  base::ScopedTempDir folder_;
  std::unique_ptr<test::LocalHttpServer> server_;
  base::test::ScopedCommandLine command_line_;
  test::AnsweringUiCallbackRunner ui_runner_;
};

TEST_P(PrefDefaultOverridesFetcherTest, KeepsOnlyAWholeReply) {
  const OverridesCase& test_case = GetParam();
  ASSERT_TRUE(server_->SetRoutes(test_case.routes));
  std::string url = *test_case.url ? test_case.url : server_->UrlUtf8("/prefs");
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(kLocalPrefDefaultOverridesServer, url);
  std::optional<PrefDefaultOverridesFetcher> fetcher;
  fetcher.emplace(
      std::make_unique<WininetImpl>(&ui_runner_, nullptr, base::TimeDelta::FromMilliseconds(10)));
  base::RunLoop run_loop;
  int completions = 0;
  fetcher->Fetch(folder_.GetPath(), test_case.tracking_data,
                base::BindOnce(
                    [](int* completions, base::OnceClosure quit) {
                      ++*completions;
                      std::move(quit).Run();
                    },
                    &completions, run_loop.QuitClosure()));
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop));
  EXPECT_EQ(1, completions);
  // Its downloader holds the file of a request that was never sent until it
  // goes, with the controller's end.
  fetcher.reset();
  std::string content;
  bool exists =
      base::ReadFileToString(folder_.GetPath().Append(L"pref_default_overrides"), &content);
  EXPECT_EQ(test_case.file != nullptr, exists);
  if (test_case.file) {
    EXPECT_EQ(test_case.file, content);
  }
  std::vector<base::Value> log = server_->ReadLog();
  if (!test_case.method) {
    EXPECT_TRUE(log.empty());
  } else if (test_case.file) {
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(test_case.method, *log[0].FindStringKey("method"));
  }
}

const OverridesCase kOverridesCases[] = {
    {.name = "ReplyIsKept",
     .routes = R"([{"path": "/prefs", "reply": {"body": "{\"a\": 1}"}}])",
     .file = "{\"a\": 1}"},
    {.name = "EmptyTrackingDataIsAGet",
     .routes = R"([{"path": "/prefs", "reply": {"body": "{}"}}])",
     .tracking_data = "",
     .file = "{}",
     .method = "GET"},
    {.name = "RefusedRequestLeavesNoFile",
     .routes = R"([{"path": "/prefs", "reply": {"status": 500}}])"},
    {.name = "BrokenConnectionLeavesNoFile",
     .routes = R"([{"path": "/prefs", "reply": {"cut_before_headers": true}}])"},
    // Never sent: the file the writer opened stays, empty.
    {.name = "HostOffTheListSendsNothingAndLeavesAnEmptyFile",
     .routes = "[]",
     .url = "http://evil-velta.example/prefs",
     .file = "",
     .method = nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases,
                         PrefDefaultOverridesFetcherTest,
                         testing::ValuesIn(kOverridesCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
