// Copyright 2026 Velta Software. All rights reserved.

#include "testing/http_server/local_http_server.h"

#include <windows.h>
#include <wininet.h>

#include <string>

#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace velta::test {
namespace {

// One synchronous WinINet GET; the status and the body read to the end.
bool Fetch(const std::wstring& url, DWORD* status, std::string* body) {
  HINTERNET internet =
      ::InternetOpenW(L"velta-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!internet)
    return false;
  HINTERNET request = ::InternetOpenUrlW(
      internet, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  bool fetched = request != nullptr;
  if (!fetched)
    ADD_FAILURE() << "InternetOpenUrl failed: " << ::GetLastError();
  if (fetched) {
    DWORD size = sizeof(*status);
    fetched = ::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status,
                               &size, nullptr);
    char buffer[4096];
    DWORD read = 0;
    while (fetched && ::InternetReadFile(request, buffer, sizeof(buffer), &read) && read)
      body->append(buffer, read);
    ::InternetCloseHandle(request);
  }
  ::InternetCloseHandle(internet);
  return fetched;
}

class LocalHttpServerTest : public testing::TestWithParam<LocalHttpServer::Scheme> {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.CreateUniqueTempDir()); }
  base::ScopedTempDir folder_;
};

// The prefix trusts the test CA, and the helper's log sees what was asked.
TEST_P(LocalHttpServerTest, ServesFilesAndRulesAndLogsRequests) {
  LocalHttpServer server(folder_.GetPath());
  ASSERT_TRUE(server.Start(GetParam()));
  ASSERT_TRUE(server.AddFile("dir/file.txt", "file content"));
  ASSERT_TRUE(server.SetRoutes(R"([{"path": "/gone", "reply": {"status": 503}}])"));

  DWORD status = 0;
  std::string body;
  ASSERT_TRUE(Fetch(server.Url("/dir/file.txt"), &status, &body));
  EXPECT_EQ(200u, status);
  EXPECT_EQ("file content", body);
  body.clear();
  ASSERT_TRUE(Fetch(server.Url("/gone?a=1"), &status, &body));
  EXPECT_EQ(503u, status);

  std::vector<base::Value> log = server.ReadLog();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("/dir/file.txt", *log[0].FindStringKey("path"));
  EXPECT_EQ("/gone?a=1", *log[1].FindStringKey("path"));
  EXPECT_EQ(503, log[1].FindIntKey("status").value_or(0));
}

INSTANTIATE_TEST_SUITE_P(Schemes, LocalHttpServerTest,
                         testing::Values(LocalHttpServer::Scheme::kHttp,
                                         LocalHttpServer::Scheme::kHttps));

}  // namespace
}  // namespace velta::test
