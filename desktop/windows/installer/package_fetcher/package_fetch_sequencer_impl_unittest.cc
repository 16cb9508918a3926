// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_fetch_sequencer_impl.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/waitable_event.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_command_line.h"
#include "base/test/scoped_log_collector.h"
#include "base/threading/thread.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/additional_file_downloader_impl.h"
#include "desktop/windows/installer/package_fetcher/folder_preparer_impl.h"
#include "desktop/windows/installer/package_fetcher/main_package_downloader_impl.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate_proxy.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever_impl.h"
#include "desktop/windows/installer/package_fetcher/package_version_checker_impl.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/utils/file_version_utils.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using test::LocalHttpServer;
using testing::ElementsAre;
using testing::HasSubstr;

constexpr char kTrackingData[] = "dHJhY2tpbmc=        ";
constexpr char kSessionGuid[] = "0d7c2e1a-5b44-4f0e-9a61-3c8f2b7d9e10";

base::FilePath SignedFile(const wchar_t* name) {
  return test::FromBuildPath(VELTA_TEST_SIGNED_FILES).Append(name);
}

std::string ReadFile(const base::FilePath& path) {
  std::string content;
  base::ReadFileToString(path, &content);
  return content;
}

struct FetchCase {
  const char* name;
  // The running installer (its signature decides the package's check).
  const wchar_t* installer;
  // The package served.
  const wchar_t* package;
  bool wrong_checksum = false;
  // What the package's version resource says.
  const char* internal_version = nullptr;
  const char* stream = nullptr;
  // Empty: the package is ready.
  const char* error = "";
  // The last statistics event before the error's.
  const char* last_event = "";
};

// The statistics events of a fetch that ends ready, in order.
const std::vector<std::string> kReadyEvents = {
    "fetching_download_url", "fetching_primary_package", "primary_package_fetched",
    "checksum_verified",     "signature_verified",       "version_verified",
    "package_ready"};

void PrintTo(const FetchCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

// The whole fetch on a real "Fetcher thread" against the loopback server:
// metadata, main package, checks, ready marker; the controller's side is a
// recording delegate on the test's main thread.
class PackageFetchTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    base::TaskScheduler::Create("fetch");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(one, one, one, one));
    server_ = std::make_unique<LocalHttpServer>(folder_.GetPath().Append(L"server"));
    ASSERT_TRUE(base::CreateDirectory(folder_.GetPath().Append(L"server")));
    ASSERT_TRUE(server_->Start());
    download_folder_ = folder_.GetPath().Append(L"downloads");
    ASSERT_TRUE(base::CreateDirectory(download_folder_));
    base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(kInternalPackageServer,
                                                              server_->UrlUtf8("/meta"));
    ASSERT_TRUE(fetcher_thread_.Start());
  }

  void TearDown() override {
    fetcher_.reset();
    fetcher_thread_.Stop();
    proxy_ = nullptr;
    base::TaskScheduler::GetInstance()->JoinForTesting();
    base::TaskScheduler::SetInstance(nullptr);
  }

  // Serves `package` and metadata that points at it.
  void ServePackage(const base::FilePath& package, bool wrong_checksum) {
    std::string content = ReadFile(package);
    ASSERT_FALSE(content.empty());
    ASSERT_TRUE(server_->AddFile("package.exe", content));
    std::string checksum =
        CalculateSha256Hex(reinterpret_cast<const uint8_t*>(content.data()), content.size());
    if (wrong_checksum)
      checksum[0] = checksum[0] == 'a' ? 'b' : 'a';
    ASSERT_TRUE(
        server_->AddFile("meta", "{\"installer\": \"" + server_->UrlUtf8("/package.exe") +
                                     "\", \"installer_checksum\": \"" + checksum +
                                     "\", \"url_welcome\": \"https://welcome.velta.example/\"}"));
    // The request is a POST of the tracking data.
    ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"body_file": "meta"}}])"));
  }

  void MakeFetcher(const base::FilePath& installer,
                   const std::string& internal_version,
                   const std::string& stream,
                   const PayloadManager* payload = nullptr) {
    proxy_ = base::MakeRefCounted<PackageFetcherDelegateProxy>(&ui_runner_, &delegate_);
    auto versions = std::make_unique<test::FakeFileVersionUtils>();
    versions->internal_version = internal_version;
    versions->stream = stream;
    PackageFetchSequencerImpl::Steps steps;
    steps.additional_file_downloader = std::make_unique<AdditionalFileDownloaderImpl>(installer);
    steps.folder_preparer =
        std::make_unique<FolderPreparerImpl>(download_folder_, false, base::Time::Now());
    steps.main_package_downloader = std::make_unique<MainPackageDownloaderImpl>(installer, kSessionGuid);
    steps.metadata_retriever =
        std::make_unique<PackageMetadataRetrieverImpl>(PackageArchitecture::kX64);
    steps.version_checker = std::make_unique<PackageVersionCheckerImpl>(
        std::move(versions), std::make_unique<LzmaUtil>());
    fetcher_ = std::make_unique<PackageFetcher>(
        std::make_unique<PackageFetchSequencerImpl>(std::move(steps), false, kTrackingData, payload,
                                                    proxy_, base::TimeDelta::FromMilliseconds(10)),
        fetcher_thread_.task_runner(), proxy_, base::TimeDelta::FromMilliseconds(10));
  }

  // Runs until the fetch reports ready or an error.
  void RunFetch() { ASSERT_TRUE(delegate_.WaitForEnd()) << "the fetch never ended"; }

  std::string OwnStream() { return ProductInfo::GetInstance()->GetChannelName(); }
  std::string OwnVersion() { return ProductInfo::GetInstance()->GetInternalVersion(); }

  base::MessageLoop message_loop_;
  base::ScopedTempDir folder_;
  std::unique_ptr<LocalHttpServer> server_;
  base::FilePath download_folder_;
  base::test::ScopedCommandLine command_line_;
  base::Thread fetcher_thread_{"Fetcher thread"};
  test::AnsweringUiCallbackRunner ui_runner_;
  test::RecordingFetcherDelegate delegate_;
  RecordingStatsSender recording_stats_;
  RecordingStatsSender* const stats_ = &recording_stats_;
  base::ProcessWide<AvroStatsSender>::ScopedOverride scoped_stats_{stats_};
  scoped_refptr<PackageFetcherDelegateProxy> proxy_;
  std::unique_ptr<PackageFetcher> fetcher_;
};

class PackageFetchCaseTest : public PackageFetchTest,
                             public testing::WithParamInterface<FetchCase> {};

TEST_P(PackageFetchCaseTest, EndsReadyOrWithTheReason) {
  const FetchCase& test_case = GetParam();
  ServePackage(SignedFile(test_case.package), test_case.wrong_checksum);
  base::FilePath installer = SignedFile(test_case.installer);
  MakeFetcher(installer, test_case.internal_version ? test_case.internal_version : OwnVersion(),
              test_case.stream ? test_case.stream : OwnStream());
  fetcher_->Restart();
  RunFetch();

  if (*test_case.error == '\0') {
    ASSERT_EQ(1u, delegate_.ready_folders.size()) << delegate_.error_detail;
    EXPECT_THAT(delegate_.statuses, ElementsAre(0u, 2u, 3u, 5u));
    base::FilePath folder = delegate_.ready_folders[0];
    EXPECT_EQ(download_folder_, folder.DirName());
    EXPECT_TRUE(ReadFile(folder.Append(kPackageFileName)) ==
                ReadFile(SignedFile(test_case.package)));
    EXPECT_TRUE(base::PathExists(folder.Append(kPackageReadyFileName)));
    EXPECT_EQ(kSessionGuid, ReadFile(folder.Append(kPackageReadyFileName)));
    EXPECT_EQ(kTrackingData, ReadFile(folder.Append(kServerTrackingDataFileName)));
    EXPECT_EQ(kReadyEvents, stats_->event_types());
    // The welcome page preference is written by its store's file writer.
    base::TaskScheduler::GetInstance()->FlushForTesting();
    EXPECT_THAT(ReadFile(folder.Append(kInstallerPrefsIncludeFileName)),
                HasSubstr("https://welcome.velta.example/"));
    return;
  }
  EXPECT_TRUE(delegate_.ready_folders.empty());
  EXPECT_EQ(1u, delegate_.error_code);
  EXPECT_THAT(delegate_.error_detail, HasSubstr(test_case.error));
  EXPECT_THAT(delegate_.statuses, ElementsAre(0u, 2u, 3u));
  std::vector<std::string> events(
      kReadyEvents.begin(),
      std::find(kReadyEvents.begin(), kReadyEvents.end(), test_case.last_event) + 1);
  events.push_back("package_fetcher_local_error");
  EXPECT_EQ(events, stats_->event_types());
  // Nothing of a failed package is marked ready.
  for (const base::FilePath& folder : test::SubfoldersOf(download_folder_))
    EXPECT_FALSE(base::PathExists(folder.Append(kPackageReadyFileName)));
}

const FetchCase kFetchCases[] = {
    {.name = "UnsignedInstallerTakesUnsignedPackage",
     .installer = L"unsigned.exe",
     .package = L"unsigned.exe"},
    {.name = "SignedInstallerTakesCompanySignedPackage",
     .installer = L"velta.exe",
     .package = L"velta.exe"},
    {.name = "SignedInstallerRefusesOtherSigner",
     .installer = L"velta.exe",
     .package = L"other.exe",
     .error = "Signature incorrect for the downloaded package",
     .last_event = "checksum_verified"},
    {.name = "SignedInstallerRefusesUnsignedPackage",
     .installer = L"velta.exe",
     .package = L"unsigned.exe",
     .error = "Signature incorrect for the downloaded package",
     .last_event = "checksum_verified"},
    {.name = "WrongChecksum",
     .installer = L"unsigned.exe",
     .package = L"unsigned.exe",
     .wrong_checksum = true,
     .error = "Checksum incorrect for the downloaded package",
     .last_event = "primary_package_fetched"},
    {.name = "OlderVersion",
     .installer = L"unsigned.exe",
     .package = L"unsigned.exe",
     .internal_version = "1.0",
     .error = "Downloaded item is older than the installer",
     .last_event = "signature_verified"},
    {.name = "AnotherStream",
     .installer = L"unsigned.exe",
     .package = L"unsigned.exe",
     .stream = "another-stream",
     .error = "Downloaded item is of a different stream than the installer",
     .last_event = "signature_verified"},
};

INSTANTIATE_TEST_SUITE_P(Cases,
                         PackageFetchCaseTest,
                         testing::ValuesIn(kFetchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageFetchTest, PackageInThePayloadSkipsTheNetwork) {
  test::FakePayloadManager payload;
  payload.data = "the package";
  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream(), &payload);
  fetcher_->Restart();
  RunFetch();
  ASSERT_EQ(1u, delegate_.ready_folders.size()) << delegate_.error_detail;
  EXPECT_THAT(delegate_.statuses, ElementsAre(0u, 5u));
  base::FilePath folder = delegate_.ready_folders[0];
  EXPECT_EQ("the package", ReadFile(folder.Append(kPackageFileName)));
  EXPECT_TRUE(base::PathExists(folder.Append(kPackageReadyFileName)));
  EXPECT_EQ(kSessionGuid, ReadFile(folder.Append(kPackageReadyFileName)));
  EXPECT_FALSE(base::PathExists(folder.Append(kInstallerPrefsIncludeFileName)));
  EXPECT_TRUE(server_->ReadLog().empty());
  EXPECT_EQ(std::vector<std::string>{"package_ready"}, stats_->event_types());
}

struct AdditionalFilesOnlyCase {
  const char* name;
  std::vector<std::string> missing;
  const char* list;
};

class AdditionalFilesOnlyTest : public PackageFetchTest,
                                public testing::WithParamInterface<AdditionalFilesOnlyCase> {};

// A repair's fetch: only the requested resource packs, no main package. The
// folder is marked ready like a package's, so that a backend waiting on the
// folder's prefix finds it, and holds the packs, their list (empty when
// nothing was missing) and the installer, but no tracking data: the
// installation keeps its own.
TEST_P(AdditionalFilesOnlyTest, EndReadyWithTheirList) {
  const std::string pack = "a resource pack";
  ASSERT_TRUE(server_->AddFile("de.pak", pack));
  const std::string checksum =
      CalculateSha256Hex(reinterpret_cast<const uint8_t*>(pack.data()), pack.size());
  ASSERT_TRUE(server_->AddFile(
      "meta", R"({"components": [{"location": ")" + server_->UrlUtf8("/de.pak") +
                  R"(", "type": "downloadable_resource", "archive": false, "checksum": ")" +
                  checksum + R"(", "filename": "localization/de.pak"}]})"));
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"body_file": "meta"}}])"));
  const base::FilePath installer = SignedFile(L"unsigned.exe");
  MakeFetcher(installer, OwnVersion(), OwnStream());
  fetcher_->SetUseMinimalPackage(GetParam().missing);
  fetcher_->FetchAdditionalFilesOnly();
  fetcher_->Restart();
  RunFetch();

  ASSERT_EQ(1u, delegate_.ready_folders.size()) << delegate_.error_detail;
  const base::FilePath folder = delegate_.ready_folders[0];
  EXPECT_TRUE(base::PathExists(folder.Append(kFilesListFileName)));
  EXPECT_EQ(GetParam().list, ReadFile(folder.Append(kFilesListFileName)));
  EXPECT_EQ(!GetParam().missing.empty(), base::PathExists(folder.Append(L"localization\\de.pak")));
  EXPECT_EQ(ReadFile(installer), ReadFile(folder.Append(L"installer.exe")));
  EXPECT_TRUE(base::PathExists(folder.Append(kPackageReadyFileName)));
  EXPECT_FALSE(base::PathExists(folder.Append(kPackageFileName)));
  EXPECT_FALSE(base::PathExists(folder.Append(kServerTrackingDataFileName)));
  EXPECT_EQ(GetParam().missing.empty() ? 1u : 2u, server_->ReadLog().size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    AdditionalFilesOnlyTest,
    testing::Values(AdditionalFilesOnlyCase{"MissingPack", {"localization/de.pak"},
                                            "localization\\de.pak\r\n"},
                    AdditionalFilesOnlyCase{"NothingMissing", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageFetchTest, PayloadWithoutAPackageToWriteFallsBackToTheNetwork) {
  ServePackage(SignedFile(L"unsigned.exe"), false);
  for (PayloadType type : {kPayloadTypeFullPackage, kPayloadTypeTrackingData}) {
    SCOPED_TRACE(type);
    test::FakePayloadManager payload;
    payload.type = type;
    payload.write_fails = type == kPayloadTypeFullPackage;
    MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream(), &payload);
    delegate_.statuses.clear();
    delegate_.ready_folders.clear();
    fetcher_->Restart();
    RunFetch();
    EXPECT_EQ(1u, delegate_.ready_folders.size()) << delegate_.error_detail;
    EXPECT_THAT(delegate_.statuses, ElementsAre(0u, 2u, 3u, 5u));
    fetcher_.reset();
  }
}

TEST_F(PackageFetchTest, FailedMetadataRequestIsANetworkErrorWithDetails) {
  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream());
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"status": 404}}])"));
  fetcher_->Restart();
  RunFetch();
  EXPECT_EQ(1u, delegate_.error_code);
  EXPECT_THAT(delegate_.error_detail,
              HasSubstr("Package metadata download failed with state: *4*"));
  ASSERT_EQ(1u, delegate_.error_details.size());
  EXPECT_EQ(404u, delegate_.error_details[0].http_status.value_or(0));
  EXPECT_THAT(delegate_.statuses, ElementsAre(0u, 2u));
  EXPECT_EQ((std::vector<std::string>{"fetching_download_url", "package_fetcher_network_error"}),
            stats_->event_types());
}

TEST_F(PackageFetchTest, DownloadFolderThatCannotBeMadeIsALocalError) {
  // A file where the download folder's package folder should go.
  download_folder_ = download_folder_.Append(L"a_file");
  ASSERT_TRUE(base::WriteFile(download_folder_, "not a folder"));
  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream());
  fetcher_->Restart();
  RunFetch();
  EXPECT_EQ(1u, delegate_.error_code);
  EXPECT_THAT(delegate_.error_detail, HasSubstr("Could not create a download folder"));
  EXPECT_THAT(delegate_.statuses, ElementsAre(0u));
  EXPECT_TRUE(server_->ReadLog().empty()) << "nothing may be fetched without a folder";
}

struct RetryCase {
  int status;
  size_t attempts;
};

class PackageFetchRetryTest : public PackageFetchTest,
                              public testing::WithParamInterface<RetryCase> {};

// The controller retries after every error until Retry() refuses: six
// attempts in all, or three once three of them ended on HTTP 204. Each retry
// counts its delay down as progress 0 to 6 of 6.
TEST_P(PackageFetchRetryTest, RetriesUntilTheLimit) {
  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream());
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"status": )" +
                                 base::NumberToString(GetParam().status) + "}}]"));
  fetcher_->Restart();
  RunFetch();
  size_t errors = 1;
  delegate_.progress.clear();
  base::test::ScopedLogCollector log(logging::LOG_ERROR);
  while (fetcher_->Retry()) {
    RunFetch();
    ASSERT_EQ(++errors, delegate_.errors);
    EXPECT_THAT(delegate_.progress,
                ElementsAre("total 6", "current 0", "current 1", "current 2", "current 3",
                            "current 4", "current 5", "current 6"));
    delegate_.progress.clear();
  }
  EXPECT_EQ(GetParam().attempts, errors);
  EXPECT_EQ(GetParam().attempts, server_->ReadLog().size());
  // The refusal says the fetch has failed, once.
  EXPECT_EQ(1, std::count(log.lines.begin(), log.lines.end(),
                          "No fetch attempt left: the package fetch has failed"));
  EXPECT_EQ("No fetch attempt left: the package fetch has failed", log.lines.back());
  // Every attempt started with status 0 in a folder of its own; a retry
  // reports status 1 first.
  EXPECT_EQ(GetParam().attempts, static_cast<size_t>(std::count(delegate_.statuses.begin(),
                                                                delegate_.statuses.end(), 0u)));
  EXPECT_EQ(GetParam().attempts - 1, static_cast<size_t>(std::count(delegate_.statuses.begin(),
                                                                    delegate_.statuses.end(), 1u)));
}

INSTANTIATE_TEST_SUITE_P(Statuses,
                         PackageFetchRetryTest,
                         testing::Values(RetryCase{404, 6}, RetryCase{204, 3}));

// Without a server the metadata request is retried up to the downloader's
// default limit (600 retries, 6 seconds apart in a real run; 10 ms here),
// then the attempt ends with the error the controller retries or reports:
// a silent run without a network ends.
TEST_F(PackageFetchTest, MetadataRequestWithoutAServerEndsAtTheRetryLimit) {
  const uint16_t port = test::UnusedLoopbackPort();
  ASSERT_NE(0, port);
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(
      kInternalPackageServer,
      "http://127.0.0.1:" + base::NumberToString(static_cast<unsigned>(port)) + "/meta");

  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream());
  fetcher_->Restart();
  RunFetch();
  EXPECT_TRUE(delegate_.ready_folders.empty());
  EXPECT_EQ(1u, delegate_.error_code);
  EXPECT_THAT(delegate_.error_detail, HasSubstr("Number of retries exceeded, last error: 12029"));
  // Stalled from the third retry on, through the failure after the 600th.
  EXPECT_EQ(600, std::count(delegate_.progress.begin(), delegate_.progress.end(), "stalled"));
  EXPECT_THAT(delegate_.statuses, ElementsAre(0u, 2u));
}

struct InterruptedDownloadCase {
  const char* name;
  // Restart the fetch in mid-download; else the fetcher is destroyed there
  // (the user cancelled).
  bool restart;
};

class InterruptedDownloadTest : public PackageFetchTest,
                                public testing::WithParamInterface<InterruptedDownloadCase> {};

// A fetch stopped while the package comes in leaves no part of it behind:
// the folder of the cut package goes, also while its download was holding
// the file.
TEST_P(InterruptedDownloadTest, LeavesNoPartialPackage) {
  ServePackage(SignedFile(L"unsigned.exe"), false);
  // The first request for the package pauses after more than one read's
  // worth of bytes (the fetch is stopped in the pause); later ones get it
  // whole.
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"body_file": "meta"}},
      {"path": "/package.exe", "then": "files", "replies": [
          {"body_file": "package.exe", "stall_after": 100000, "stall_seconds": 2}]}])"));
  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream());
  fetcher_->Restart();
  // More than the metadata's size: bytes of the package.
  ASSERT_TRUE(delegate_.WaitForBytes(1000)) << "no bytes of the package arrived";
  std::vector<base::FilePath> cut = test::SubfoldersOf(download_folder_);
  ASSERT_EQ(1u, cut.size());
  ASSERT_TRUE(base::PathExists(cut[0].Append(kPackageFileName)));

  if (GetParam().restart) {
    fetcher_->Restart();
    RunFetch();
    ASSERT_EQ(1u, delegate_.ready_folders.size()) << delegate_.error_detail;
    EXPECT_NE(cut[0], delegate_.ready_folders[0]);
    EXPECT_THAT(test::SubfoldersOf(download_folder_), ElementsAre(delegate_.ready_folders[0]));
  } else {
    fetcher_.reset();
    fetcher_thread_.Stop();
    EXPECT_TRUE(test::SubfoldersOf(download_folder_).empty());
  }
  EXPECT_FALSE(base::PathExists(cut[0])) << "the cut package stayed";
}

INSTANTIATE_TEST_SUITE_P(Cases,
                         InterruptedDownloadTest,
                         testing::Values(InterruptedDownloadCase{"Cancel", false},
                                         InterruptedDownloadCase{"Restart", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageFetchTest, DestroyedFetcherStartsNothingAfterARetry) {
  MakeFetcher(SignedFile(L"unsigned.exe"), OwnVersion(), OwnStream());
  ASSERT_TRUE(server_->SetRoutes(R"([{"path": "/meta", "reply": {"status": 500}}])"));
  fetcher_->Restart();
  RunFetch();
  ASSERT_TRUE(fetcher_->Retry());
  fetcher_.reset();
  // Let the countdown's whole time pass on the Fetcher thread.
  base::WaitableEvent passed;
  fetcher_thread_.task_runner()->PostDelayedTask(
      FROM_HERE, base::BindOnce(&base::WaitableEvent::Signal, base::Unretained(&passed)),
      base::TimeDelta::FromMilliseconds(200));
  ASSERT_TRUE(passed.TimedWait(base::test::kActionTimeout));
  fetcher_thread_.Stop();
  EXPECT_EQ(1u, server_->ReadLog().size());
  EXPECT_TRUE(test::SubfoldersOf(download_folder_).empty()) << "the fetcher's folders go with it";
}

}  // namespace
}  // namespace velta
