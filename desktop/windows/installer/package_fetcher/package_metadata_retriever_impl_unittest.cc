// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_metadata_retriever_impl.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_command_line.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using testing::HasSubstr;

struct ParseCase {
  const char* name;
  const char* reply;
  std::vector<std::string> requested = {};
  bool accept_all = false;
  bool files_only = false;
  // Empty: parsed; else the failure's reason.
  const char* error = "";
  // The failure is one of a component's definition.
  bool bad_definition = false;
  const char* url = "";
  bool listed = false;
  // "kind:name" of each additional file, in order.
  std::vector<std::string> files = {};
};

void PrintTo(const ParseCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class ParseReplyTest : public testing::TestWithParam<ParseCase> {
 protected:
  ScopedInstallerErrorRecord error_record_;
};

TEST_P(ParseReplyTest, ReadsTheReplyOrSaysWhy) {
  const ParseCase& test_case = GetParam();
  std::unique_ptr<PackageMetadata> metadata = PackageMetadataRetrieverImpl::ParseReply(
      test_case.reply, test_case.requested, test_case.accept_all, test_case.files_only);
  if (*test_case.error) {
    EXPECT_FALSE(metadata);
    EXPECT_EQ(19u, GetInstallerErrorCode());
    EXPECT_THAT(GetInstallerErrorDetail(),
                HasSubstr(std::string("Failed parsing json reply: ") + test_case.error));
    EXPECT_EQ(test_case.bad_definition,
              GetInstallerErrorDetail().find("Cannot parse additional file definition") !=
                  std::string::npos);
    return;
  }
  ASSERT_TRUE(metadata) << GetInstallerErrorDetail();
  EXPECT_EQ(base::UTF8ToWide(test_case.url), metadata->installer_url);
  EXPECT_EQ(test_case.listed, metadata->requested_files_listed);
  std::vector<std::string> files = {};
  for (const auto& file : metadata->additional_files)
    files.push_back(std::to_string(file->kind) + ":" + base::WideToUTF8(file->file_name));
  EXPECT_EQ(test_case.files, files);
}

const ParseCase kParseCases[] = {
    {.name = "FullPackage",
     .reply = R"({"installer": "https://dl.velta.example/full",
        "installer_checksum": "ab", "minimal_installer": "https://x/min",
        "minimal_installer_checksum": "cd"})",
     .url = "https://dl.velta.example/full"},
    {.name = "InvalidJson", .reply = "{", .error = "Invalid JSON"},
    {.name = "NotADictionary", .reply = "[1]", .error = "Content is not a dictionary"},
    {.name = "MissingUrl",
     .reply = R"({"installer_checksum": "ab"})",
     .error = "Missing full package url"},
    {.name = "UrlIsANumber",
     .reply = R"({"installer": 5, "installer_checksum": "ab"})",
     .error = "Full package url is not a string"},
    {.name = "MissingChecksum",
     .reply = R"({"installer": "https://x/full"})",
     .error = "Missing full package checksum"},
    {.name = "ChecksumIsAList",
     .reply = R"({"installer": "https://x/full", "installer_checksum": []})",
     .error = "Full package checksum is not a string"},
    {.name = "MinimalPackageWhenEveryRequestedFileIsListed",
     .reply = R"({"minimal_installer": "https://x/min", "minimal_installer_checksum": "cd",
        "components": [{"location": "https://x/a.pak", "type": "downloadable_resource",
        "archive": false, "checksum": "00", "filename": "a.pak"}]})",
     .requested = {"a.pak"},
     .url = "https://x/min",
     .listed = true,
     .files = {"1:a.pak"}},
    {.name = "EmptyMinimalUrlFallsBackToTheFullPackageStillListed",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab",
        "minimal_installer": "", "minimal_installer_checksum": "cd",
        "components": [{"location": "https://x/a.pak", "type": "downloadable_resource",
        "archive": false, "checksum": "00", "filename": "a.pak"}]})",
     .requested = {"a.pak"},
     .url = "https://x/full",
     .listed = true,
     .files = {"1:a.pak"}},
    {.name = "UnlistedRequestedFileMeansTheFullPackage",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab",
        "minimal_installer": "https://x/min", "minimal_installer_checksum": "cd"})",
     .requested = {"b.pak"},
     .url = "https://x/full"},
    {.name = "FilesOnlyWithoutRequestedFiles", .reply = "{}", .files_only = true, .listed = true},
    {.name = "KindsAndSkippedComponents",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [
        {"location": "https://x/1", "type": "downloadable_resource_v2", "archive": false,
         "checksum": "01", "filename": "a.pak"},
        {"location": "https://x/2", "type": "downloadable_resource", "archive": false,
         "checksum": "02", "filename": "not-requested.pak"},
        {"location": "https://x/3", "type": "partner_content", "archive": true,
         "checksum": "03", "filename": "partner"},
        {"location": "https://x/4", "type": "Partner_content", "archive": true,
         "checksum": "04", "filename": "other"}]})",
     .requested = {"a.pak"},
     .url = "https://x/full",
     .listed = true,
     .files = {"1:a.pak", "2:partner"}},
    {.name = "AcceptAllTakesOtherKindsWithoutName",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [
        {"location": "https://x/4", "type": "assistant", "archive": true, "checksum": "04"}]})",
     .accept_all = true,
     .url = "https://x/full",
     .files = {"0:"}},
    {.name = "ComponentNotADictionary",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [1]})",
     .error = "One of received components is not a dictionary"},
    {.name = "ComponentMissingAField",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [
        {"location": "https://x/1", "type": "partner_content", "checksum": "01"}]})",
     .error = "One of required fields is missing in json component definition",
     .bad_definition = true},
    {.name = "ComponentWithoutFileName",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [
        {"location": "https://x/1", "type": "partner_content", "archive": true,
         "checksum": "01"}]})",
     .error = "Failed parsing additional file name in JSON reply",
     .bad_definition = true},
    {.name = "ComponentWithAnUnreadableLocation",
     .reply = R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [
        {"location": "no url", "type": "partner_content", "archive": true,
         "checksum": "01", "filename": "x"}]})",
     .error = "Cannot parse the location of an additional file: no url",
     .bad_definition = true},
};

INSTANTIATE_TEST_SUITE_P(Replies,
                         ParseReplyTest,
                         testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A reply that fails to parse is untrusted text of any size: the error
// detail (which the log and the statistics repeat) keeps a short, printable
// beginning of it.
class BadReplyTest : public testing::Test {
 protected:
  ScopedInstallerErrorRecord error_record_;
};

TEST_F(BadReplyTest, KeepsAShortPrintableExcerptOfIt) {
  struct {
    const char* name;
    std::string reply;
    std::string reason;
  } cases[] = {
      {"BinaryReply", std::string("\x7f" "ELF\x01\x02\x00", 7) + std::string(1300000, '\xff'),
       "Invalid JSON"},
      {"HugeLocation",
       R"({"installer": "https://x/full", "installer_checksum": "ab", "components": [
          {"location": ")" + std::string(100000, 'a') + "\xc3\xa9" + std::string(100000, 'b') +
           R"(", "type": "partner_content", "archive": false, "checksum": "01",
           "filename": "x"}]})",
       "Cannot parse the location of an additional file: "},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    EXPECT_FALSE(PackageMetadataRetrieverImpl::ParseReply(test_case.reply, {}, false, false));
    const std::string detail = GetInstallerErrorDetail();
    EXPECT_THAT(detail, HasSubstr("Failed parsing json reply: " + test_case.reason));
    // 256 bytes of the reply, each at most 4 characters once escaped, and
    // as much of anything the reply put into the reason.
    EXPECT_LT(detail.size(), 2u * 4 * 256 + 200) << detail.substr(0, 200);
    // Printable but for the line ends between the error's details.
    for (unsigned char c : detail)
      ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << static_cast<int>(c);
  }
  PackageMetadataRetrieverImpl::ParseReply(cases[0].reply, {}, false, false);
  EXPECT_THAT(GetInstallerErrorDetail(),
              HasSubstr("Failed parsing json reply: Invalid JSON \\x7FELF\\x01\\x02\\x00\\xFF"));
}

// The request itself, against the loopback server.
class PackageMetadataRetrieverTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    server_ = std::make_unique<test::LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start());
  }

  std::unique_ptr<PackageMetadata> Retrieve(const std::string& server_path,
                                            const std::vector<std::string>& requested,
                                            const std::string& payload) {
    base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(kInternalPackageServer,
                                                              server_->UrlUtf8(server_path));
    std::unique_ptr<PackageMetadata> result;
    base::RunLoop run_loop;
    EXPECT_TRUE(retriever_.Retrieve(
        &downloader_, requested, payload, false, false,
        base::BindOnce(
            [](std::unique_ptr<PackageMetadata>* result, base::OnceClosure quit,
               std::unique_ptr<PackageMetadata> metadata, std::vector<FetchDetails>) {
              *result = std::move(metadata);
              std::move(quit).Run();
            },
            &result, run_loop.QuitClosure())));
    EXPECT_TRUE(base::test::RunWithTimeout(&run_loop));
    return result;
  }

  base::MessageLoop message_loop_;
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_;
  std::unique_ptr<test::LocalHttpServer> server_;
  base::test::ScopedCommandLine command_line_;
  test::AnsweringUiCallbackRunner ui_runner_;
  WininetImpl downloader_{&ui_runner_, nullptr, base::TimeDelta::FromMilliseconds(10)};
  PackageMetadataRetrieverImpl retriever_{PackageArchitecture::kX64};
};

TEST_F(PackageMetadataRetrieverTest, AsksForTheRequestedFilesAndPostsThePayload) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"body": )"
                                 R"("{\"installer\": \"https://x/p\", )"
                                 R"(\"installer_checksum\": \"ab\"}"}}])"));
  struct {
    const char* path;
    std::vector<std::string> requested;
    const char* asked;
  } cases[] = {
      {"/meta", {}, "/meta"},
      {"/meta", {"a.pak", "b.pak"}, "/meta?additional_files=a.pak,b.pak"},
      {"/meta?stream=x", {"a.pak"}, "/meta?stream=x&additional_files=a.pak"},
  };
  for (const auto& test_case : cases) {
    std::unique_ptr<PackageMetadata> metadata =
        Retrieve(test_case.path, test_case.requested, "tracking");
    ASSERT_TRUE(metadata) << GetInstallerErrorDetail();
    EXPECT_EQ(L"https://x/p", metadata->installer_url);
    base::Value last = std::move(server_->ReadLog().back());
    EXPECT_EQ(test_case.asked, *last.FindStringKey("path"));
    EXPECT_EQ("POST", *last.FindStringKey("method"));
  }
}

TEST_F(PackageMetadataRetrieverTest, FailedRequestGivesNoMetadataAndTheState) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"status": 500}}])"));
  EXPECT_FALSE(Retrieve("/meta", {}, ""));
  EXPECT_EQ(1u, GetInstallerErrorCode());
  EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("unexpected HTTP status 500"));
  EXPECT_THAT(GetInstallerErrorDetail(),
              HasSubstr("Package metadata download failed with state: *4*"));
}

// The reply is read into memory up to a bound: one byte more fails the
// attempt like a cut reply, and the reply taken so far is dropped.
TEST_F(PackageMetadataRetrieverTest, ReplyLongerThanTheBoundFailsTheAttempt) {
  const std::string start = R"({"installer": "https://x/p", "installer_checksum": "ab", "pad": ")";
  const std::string end = "\"}";
  for (size_t size : {PackageMetadataRetrieverImpl::kMaxReplySize,
                      PackageMetadataRetrieverImpl::kMaxReplySize + 1}) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(server_->AddFile(
        "meta", start + std::string(size - start.size() - end.size(), 'x') + end));
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"body_file": "meta"}}])"));
    std::unique_ptr<PackageMetadata> metadata = Retrieve("/meta", {}, "");
    if (size <= PackageMetadataRetrieverImpl::kMaxReplySize) {
      ASSERT_TRUE(metadata) << GetInstallerErrorDetail();
      EXPECT_EQ(L"https://x/p", metadata->installer_url);
      continue;
    }
    EXPECT_FALSE(metadata);
    EXPECT_EQ(1u, GetInstallerErrorCode());
    EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("Failed writing the response with error 223"));
    EXPECT_THAT(GetInstallerErrorDetail(),
                HasSubstr("Package metadata download failed with state: *4*"));
  }
}

// A reply that trickles (512 bytes every so often, no Content-Length) is
// never silent for the network time-out; the bound on the request ends it
// as a failed download, with its state, and the done callback runs once.
// The next attempt is served as usual. (The trickle lasts about 3 s: long
// enough to outlast the shortened bound, short enough that WinINet's read,
// which goes on until the server closes, ends soon after.)
TEST_F(PackageMetadataRetrieverTest, TricklingReplyFailsPastTheBound) {
  const std::string metadata = R"({"installer": "https://x/p", "installer_checksum": "ab", "pad": ")" +
                               std::string(8 * 1024, 'x') + "\"}";
  ASSERT_TRUE(server_->AddFile("meta", metadata));
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "replies": [{"body_file": "meta",
      "content_length": null, "trickle": {"bytes": 512, "seconds": 0.2}}], "then": "files"}])"));
  retriever_.set_reply_time_limit(base::TimeDelta::FromSeconds(1));
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(kInternalPackageServer,
                                                            server_->UrlUtf8("/meta"));
  int runs = 0;
  bool got_metadata = false;
  base::RunLoop run_loop;
  ASSERT_TRUE(retriever_.Retrieve(
      &downloader_, {}, "", false, false,
      base::BindOnce(
          [](int* runs, bool* got_metadata, base::OnceClosure quit,
             std::unique_ptr<PackageMetadata> result, std::vector<FetchDetails>) {
            ++*runs;
            *got_metadata = result != nullptr;
            std::move(quit).Run();
          },
          &runs, &got_metadata, run_loop.QuitClosure())));
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop)) << "the trickle was read to its end";
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(1, runs);
  EXPECT_FALSE(got_metadata);
  EXPECT_EQ(1u, GetInstallerErrorCode());
  EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("The reply did not end within 1 seconds"));
  EXPECT_THAT(GetInstallerErrorDetail(),
              HasSubstr("Package metadata download failed with state: *4*"));

  std::unique_ptr<PackageMetadata> retried = Retrieve("/meta", {}, "");
  ASSERT_TRUE(retried) << GetInstallerErrorDetail();
  EXPECT_EQ(L"https://x/p", retried->installer_url);
}

TEST_F(PackageMetadataRetrieverTest, HostOffTheListIsNotAsked) {
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(kInternalPackageServer,
                                                            "http://evil-velta.example/meta");
  EXPECT_FALSE(retriever_.Retrieve(
      &downloader_, {}, "", false, false,
      base::BindOnce([](std::unique_ptr<PackageMetadata>, std::vector<FetchDetails>) { FAIL(); })));
  EXPECT_EQ(19u, GetInstallerErrorCode());
  EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("Domain disallowed evil-velta.example"));
  EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("Failed starting fetching the download URL"));
}

}  // namespace
}  // namespace velta
