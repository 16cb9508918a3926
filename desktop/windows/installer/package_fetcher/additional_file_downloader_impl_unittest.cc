// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/additional_file_downloader_impl.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_constants.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

TEST(IsSafeAdditionalFileNameTest, RefusesNamesThatLeaveTheFolder) {
  struct {
    const wchar_t* name;
    bool safe;
  } cases[] = {
      {L"en-US.pak", true},
      {L"packs\\en-US.pak", true},
      {L"packs/100/a.pak", true},
      {L"", false},
      {L"..\\evil.dll", false},
      {L"packs/../../evil", false},
      {L".", false},
      {L"packs\\.\\a", false},
      {L"C:\\Windows\\evil.dll", false},
      {L"C:evil.dll", false},
      {L"\\\\server\\share\\x", false},
      {L"\\rooted.dll", false},
      {L"/rooted.dll", false},
      {L"packs\\\\a.pak", false},
      {L"file.pak:stream", false},
      {L"packs\\", false},
  };
  for (const auto& test_case : cases)
    EXPECT_EQ(test_case.safe, IsSafeAdditionalFileName(test_case.name)) << test_case.name;
}

// Downloads against the loopback server, on the test's thread.
class AdditionalFileDownloaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    package_folder_ = folder_.GetPath().Append(L"package");
    ASSERT_TRUE(base::CreateDirectory(package_folder_));
    server_ = std::make_unique<test::LocalHttpServer>(folder_.GetPath());
    ASSERT_TRUE(server_->Start());
    ASSERT_TRUE(server_->AddFile("a.pak", content_));
  }

  std::unique_ptr<AdditionalFile> MakeFile(const wchar_t* name, const std::string& checksum) {
    auto file = std::make_unique<AdditionalFile>();
    file->location = server_->Url("/a.pak");
    file->file_name = name;
    file->not_archive = 1;
    file->checksum = checksum;
    file->kind = kAdditionalFileDownloadableResource;
    file->remote = 1;
    return file;
  }

  std::string GoodChecksum() {
    return CalculateSha256Hex(reinterpret_cast<const uint8_t*>(content_.data()), content_.size());
  }

  // Downloads `file` as a minimal package's file; the file that came back
  // (null when it gave up), or false from DownloadAdditionalFile.
  bool Download(std::unique_ptr<AdditionalFile> file, std::unique_ptr<AdditionalFile>* result) {
    base::RunLoop run_loop;
    if (!downloader_.DownloadAdditionalFile(
            package_folder_, &wininet_, std::move(file), true, false,
            base::BindOnce(
                [](std::unique_ptr<AdditionalFile>* result, base::OnceClosure quit,
                   std::unique_ptr<AdditionalFile> file, std::vector<FetchDetails>) {
                  *result = std::move(file);
                  std::move(quit).Run();
                },
                result, run_loop.QuitClosure()))) {
      return false;
    }
    EXPECT_TRUE(base::test::RunWithTimeout(&run_loop));
    return true;
  }

  base::MessageLoop message_loop_;
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_;
  base::FilePath package_folder_;
  std::unique_ptr<test::LocalHttpServer> server_;
  const std::string content_ = std::string(5000, 'p');
  test::AnsweringUiCallbackRunner ui_runner_;
  WininetImpl wininet_{&ui_runner_, nullptr, base::TimeDelta::FromMilliseconds(10)};
  AdditionalFileDownloaderImpl downloader_{base::FilePath(L"unsigned-installer.exe")};
  test::FakeFileVersionUtils versions_;
};

TEST_F(AdditionalFileDownloaderTest, InstallsAFileAndListsIt) {
  std::unique_ptr<AdditionalFile> file;
  ASSERT_TRUE(Download(MakeFile(L"packs\\a.pak", GoodChecksum()), &file));
  ASSERT_TRUE(file);
  ASSERT_TRUE(
      downloader_.InstallAdditionalFile(nullptr, file.get(), package_folder_, base::FilePath()));
  std::string installed;
  ASSERT_TRUE(base::ReadFileToString(package_folder_.Append(L"packs\\a.pak"), &installed));
  EXPECT_EQ(content_, installed);
  ASSERT_TRUE(base::WriteFile(package_folder_.Append(kFilesListFileName), "earlier.pak\r\n"));
  downloader_.WriteFilesList(package_folder_);
  std::string list;
  ASSERT_TRUE(base::ReadFileToString(package_folder_.Append(kFilesListFileName), &list));
  EXPECT_EQ("earlier.pak\r\npacks\\a.pak\r\n", list);
  EXPECT_EQ(std::vector<base::FilePath>{package_folder_.Append(L"packs")},
            test::SubfoldersOf(package_folder_));
}

TEST_F(AdditionalFileDownloaderTest, WrongChecksumIsTriedThreeTimesThenGivenUp) {
  std::unique_ptr<AdditionalFile> file;
  ASSERT_TRUE(Download(MakeFile(L"a.pak", std::string(64, '0')), &file));
  EXPECT_FALSE(file);
  EXPECT_EQ(3u, server_->ReadLog().size());
  // No temporary file of a failed attempt stays behind.
  EXPECT_TRUE(base::IsDirectoryEmpty(package_folder_));
}

TEST_F(AdditionalFileDownloaderTest, DownloaderThatSpentRetriesIsNotRetriedHere) {
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/a.pak", "replies": [{"status": 503}],
                                       "then": "last"}])"));
  wininet_.SetMaxRetries(1);
  std::unique_ptr<AdditionalFile> file;
  ASSERT_TRUE(Download(MakeFile(L"a.pak", GoodChecksum()), &file));
  EXPECT_FALSE(file);
  // One download: its first request and the two retries of the downloader.
  EXPECT_EQ(3u, server_->ReadLog().size());
}

TEST_F(AdditionalFileDownloaderTest, RefusedFilesAreNeitherDownloadedNorReported) {
  std::unique_ptr<AdditionalFile> file;
  // A downloadable resource in a full-package fetch.
  EXPECT_FALSE(downloader_.DownloadAdditionalFile(
      package_folder_, &wininet_, MakeFile(L"a.pak", GoodChecksum()), false, false,
      base::BindOnce([](std::unique_ptr<AdditionalFile>, std::vector<FetchDetails>) { FAIL(); })));
  // A name from the server that would leave the package folder.
  for (const wchar_t* name : {L"..\\evil.dll", L"C:\\evil.dll", L"\\\\host\\share\\evil.dll"}) {
    EXPECT_FALSE(Download(MakeFile(name, GoodChecksum()), &file)) << name;
  }
  EXPECT_TRUE(server_->ReadLog().empty());
}

TEST_F(AdditionalFileDownloaderTest, AssistantGoesToItsFolderAndNotIntoTheList) {
  std::unique_ptr<AdditionalFile> file;
  std::unique_ptr<AdditionalFile> request = MakeFile(L"assistant.bin", GoodChecksum());
  request->kind = kAdditionalFileAssistant;
  ASSERT_TRUE(Download(std::move(request), &file));
  ASSERT_TRUE(file);
  base::FilePath assistant_folder = folder_.GetPath().Append(L"assistant");
  ASSERT_TRUE(
      downloader_.InstallAdditionalFile(nullptr, file.get(), package_folder_, assistant_folder));
  EXPECT_TRUE(base::PathExists(assistant_folder.Append(L"assistant.bin")));
  downloader_.WriteFilesList(package_folder_);
  EXPECT_FALSE(base::PathExists(package_folder_.Append(kFilesListFileName)));
}

}  // namespace
}  // namespace velta
