// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_upload.h"

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

struct AddressCase {
  const char* name;
  // What follows the server's "http://127.0.0.1:<port>".
  const char* address;
  // The request's path and query as the server saw them.
  const char* requested;
};

class CrashUploadAddressTest : public testing::TestWithParam<AddressCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    server_ = std::make_unique<test::LocalHttpServer>(dir_.GetPath());
    ASSERT_TRUE(server_->Start());
  }

  void TearDown() override { SetUploadUrlTo(std::wstring()); }

  base::ScopedTempDir dir_;
  std::unique_ptr<test::LocalHttpServer> server_;
};

// A report goes to the whole address, its query included.
TEST_P(CrashUploadAddressTest, PostsToTheWholeAddress) {
  SetUploadUrlTo(server_->Url(GetParam().address));
  const base::FilePath dump = dir_.GetPath().Append(L"report.dmp");
  ASSERT_TRUE(base::WriteFile(dump, "MDMP"));
  auto parameters = std::make_unique<WideParametersMap>();
  parameters->Set(std::wstring(L"ptype"), std::wstring(L"browser"));
  EXPECT_TRUE(UploadCrashReport(dump, std::move(parameters), false));
  const std::vector<base::Value> log = server_->ReadLog();
  ASSERT_EQ(1u, log.size());
  EXPECT_EQ("POST", *log[0].FindStringKey("method"));
  EXPECT_EQ(GetParam().requested, *log[0].FindStringKey("path"));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses,
    CrashUploadAddressTest,
    testing::Values(AddressCase{"PathOnly", "/cr/report", "/cr/report"},
                    AddressCase{"Query", "/cr/report?product=Velta&version=1.2",
                                "/cr/report?product=Velta&version=1.2"},
                    AddressCase{"QueryAndFragment", "/cr/report?product=Velta#top",
                                "/cr/report?product=Velta"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
