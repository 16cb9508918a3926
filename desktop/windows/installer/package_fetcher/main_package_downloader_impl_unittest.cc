// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/main_package_downloader_impl.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/test/run_loop_with_timeout.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using test::LocalHttpServer;
using testing::ElementsAreArray;
using testing::HasSubstr;

constexpr size_t kBodySize = 300 * 1024;
constexpr size_t kThird = kBodySize / 3;

std::string Sha256Of(const std::string& bytes) {
  return CalculateSha256Hex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

struct ChecksumCase {
  const char* name;
  // The package's route ("$THIRD" stands for a third of the body); empty:
  // served whole from the file tree.
  const char* routes;
  // The Range headers of the requests, in order.
  std::vector<std::string> ranges;
  // The metadata's checksum is not the package's.
  bool wrong_expected = false;
  // How many bytes of the body end up in the file.
  size_t kept = kBodySize;
};

void PrintTo(const ChecksumCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

// Downloads the package from the loopback server with the real downloader,
// as the fetch sequence does, then checks its checksum: the one the writer
// took while the bytes arrived must be the one of the file on disk.
class MainPackageDownloadTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    server_ = std::make_unique<LocalHttpServer>(folder_.GetPath().Append(L"server"));
    ASSERT_TRUE(base::CreateDirectory(folder_.GetPath().Append(L"server")));
    ASSERT_TRUE(server_->Start());
    body_.resize(kBodySize);
    for (size_t i = 0; i < kBodySize; ++i)
      body_[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
    ASSERT_TRUE(server_->AddFile("package.exe", body_));
    package_folder_ = folder_.GetPath().Append(L"package");
    ASSERT_TRUE(base::CreateDirectory(package_folder_));
  }

  // Downloads the package; true when the download ended complete.
  bool Download() {
    base::RunLoop run_loop;
    bool completed = false;
    EXPECT_TRUE(downloader_.DownloadMainPackage(
        server_->Url("/package.exe"), package_folder_, &wininet_,
        base::BindOnce(
            [](bool* completed, base::OnceClosure quit, bool success, std::vector<FetchDetails>) {
              *completed = success;
              std::move(quit).Run();
            },
            &completed, run_loop.QuitClosure())));
    EXPECT_TRUE(base::test::RunWithTimeout(&run_loop)) << "the download never ended";
    return completed;
  }


  base::FilePath Package() const { return package_folder_.Append(kPackageFileName); }

  // True when the package can be opened for writing by someone else.
  bool PackageWritable() const {
    HANDLE file = ::CreateFileW(Package().value().c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return false;
    ::CloseHandle(file);
    return true;
  }

  base::MessageLoop message_loop_;
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_;
  std::unique_ptr<LocalHttpServer> server_;
  std::string body_;
  base::FilePath package_folder_;
  test::AnsweringUiCallbackRunner ui_runner_;
  WininetImpl wininet_{&ui_runner_, nullptr, base::TimeDelta::FromMilliseconds(20)};
  MainPackageDownloaderImpl downloader_{base::FilePath(L"unused_installer.exe"), "session"};
};

class MainPackageChecksumTest : public MainPackageDownloadTest,
                                public testing::WithParamInterface<ChecksumCase> {};

TEST_P(MainPackageChecksumTest, ChecksumIsTheFilesOwn) {
  const ChecksumCase& test_case = GetParam();
  std::string routes = test_case.routes;
  base::ReplaceSubstringsAfterOffset(&routes, 0, "$THIRD", base::NumberToString(kThird));
  if (!routes.empty()) {
    ASSERT_TRUE(server_->SetRoutes(routes));
  }
  ASSERT_TRUE(Download()) << GetInstallerErrorDetail();
  EXPECT_THAT(test::RequestedRanges(*server_), ElementsAreArray(test_case.ranges));
  EXPECT_FALSE(PackageWritable()) << "the file is held from its last byte to its check";

  const std::string kept = body_.substr(0, test_case.kept);
  std::string expected = Sha256Of(body_);
  if (test_case.wrong_expected)
    expected[0] = expected[0] == 'a' ? 'b' : 'a';
  const bool matches = Sha256Of(kept) == expected;
  EXPECT_EQ(matches, downloader_.VerifyChecksum(package_folder_, expected));
  EXPECT_TRUE(PackageWritable()) << "the check lets the file go";

  std::string on_disk;
  ASSERT_TRUE(base::ReadFileToString(Package(), &on_disk));
  EXPECT_TRUE(on_disk == kept) << "the file holds " << on_disk.size() << " bytes";
  if (matches) {
    EXPECT_EQ(0u, GetInstallerErrorCode());
    return;
  }
  // The reported checksum and length are those of the file on disk.
  EXPECT_EQ(19u, GetInstallerErrorCode());
  EXPECT_EQ("Checksum incorrect for the downloaded package, actual " + Sha256Of(on_disk) +
                ", expected " + expected + ", file length " +
                base::NumberToString(on_disk.size()),
            GetInstallerErrorDetail());
}

const ChecksumCase kChecksumCases[] = {
    {.name = "WholeBody", .routes = "", .ranges = {"none"}},
    // The resume appends to the bytes already in the file; the hash goes on
    // over them.
    {.name = "ResumedAfterACut",
     .routes = R"([{"path": "/package.exe", "then": "files",
                    "replies": [{"body_file": "package.exe", "cut_after": $THIRD}]}])",
     .ranges = {"none", "bytes=102400-"}},
    // The server answers the resume with the whole body: the file and its
    // hash start again.
    {.name = "ResumeAnsweredWithTheWholeBody",
     .routes = R"([{"path": "/package.exe", "replies": [
                    {"body_file": "package.exe", "cut_after": $THIRD},
                    {"body_file": "package.exe", "ignore_range": true}]}])",
     .ranges = {"none", "bytes=102400-"}},
    {.name = "WrongChecksum", .routes = "", .ranges = {"none"}, .wrong_expected = true},
    // Without a length the body ends where the connection does: the
    // download completes with a third of the package, which the check
    // refuses.
    {.name = "TruncatedBody",
     .routes = R"([{"path": "/package.exe", "replies": [
                    {"body_file": "package.exe", "content_length": null, "cut_after": $THIRD}]}])",
     .ranges = {"none"},
     .kept = kThird},
};

INSTANTIATE_TEST_SUITE_P(Cases,
                         MainPackageChecksumTest,
                         testing::ValuesIn(kChecksumCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A package that did not come through this downloader (the payload's, or
// a file already there) is read from disk.
TEST_F(MainPackageDownloadTest, PackageNotDownloadedIsRead) {
  ASSERT_TRUE(base::WriteFile(Package(), body_));
  EXPECT_TRUE(downloader_.VerifyChecksum(package_folder_, Sha256Of(body_)));
  ASSERT_TRUE(base::WriteFile(Package(), body_.substr(0, kThird)));
  EXPECT_FALSE(downloader_.VerifyChecksum(package_folder_, Sha256Of(body_)));
  EXPECT_THAT(GetInstallerErrorDetail(), HasSubstr("file length 102400"));
}

// A failed download lets its file go at once.
TEST_F(MainPackageDownloadTest, FailedDownloadReleasesTheFile) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/package.exe", "reply": {"status": 404}}])"));
  EXPECT_FALSE(Download());
  EXPECT_TRUE(PackageWritable());
}

}  // namespace
}  // namespace velta
