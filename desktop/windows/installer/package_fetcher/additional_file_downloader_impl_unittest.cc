// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/additional_file_downloader_impl.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bind.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/additional_file_name.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"
#include "desktop/windows/installer/package_fetcher/package_version_checker_impl.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "desktop/windows/installer/utils/file_version_utils_impl.h"
#include "desktop/windows/installer/wininet/test_downloader_support.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using namespace std::literals;

TEST(IsSafeAdditionalFileNameTest, RefusesNamesThatLeaveTheFolder) {
  struct {
    std::wstring_view name;
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
      // What Windows would cut or could not keep: a NUL, which ends the
      // name, any other control character, and a character no name holds.
      {L"tool.bat.\0"sv, false},
      {L"tool.bat\0x"sv, false},
      {L"resources.pak\0"sv, false},
      {L"\0"sv, false},
      {L"tool\tname.txt", false},
      {L"tool\x1f.txt", false},
      {L"tool\x7f.txt", false},
      {L"a<b.txt", false},
      {L"a>b.txt", false},
      {L"a\"b.txt", false},
      {L"a|b.txt", false},
      {L"a?.txt", false},
      {L"a*.txt", false},
      // Components that the dropped dots and spaces leave empty.
      {L"...", false},
      {L"packs\\. .\\a.pak", false},
      {L" ", false},
      {L"packs.\\a.pak", true},
      {L"a b.txt", true},
  };
  for (const auto& test_case : cases) {
    const std::wstring name(test_case.name);
    EXPECT_EQ(test_case.safe, IsSafeAdditionalFileName(name)) << NameForLog(name);
  }
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

struct GiveUpCase {
  const char* name;
  // The server's rules for the file, or none (it serves the file as is).
  const char* routes;
  // The downloader's own retry limit, or -1 for its default.
  int max_retries;
  bool good_checksum;
  // Requests the server saw, and the attempts the giving-up line counts.
  size_t requests;
  uint32_t attempts;
};

class GiveUpTest : public AdditionalFileDownloaderTest,
                   public testing::WithParamInterface<GiveUpCase> {};

// A file that does not arrive whole is tried again twice, unless the
// downloader already spent retries of its own on it; then it is given up
// with a line that names it, and no temporary file stays behind.
TEST_P(GiveUpTest, NamesTheFileItGivesUp) {
  if (GetParam().routes) {
    ASSERT_TRUE(server_->SetRoutes(GetParam().routes));
  }
  if (GetParam().max_retries >= 0)
    wininet_.SetMaxRetries(GetParam().max_retries);
  base::test::ScopedLogCollector log(logging::LOG_ERROR);
  std::unique_ptr<AdditionalFile> file;
  ASSERT_TRUE(Download(
      MakeFile(L"packs\\a.pak", GetParam().good_checksum ? GoodChecksum() : std::string(64, '0')),
      &file));
  EXPECT_FALSE(file);
  EXPECT_EQ(GetParam().requests, server_->ReadLog().size());
  EXPECT_TRUE(base::IsDirectoryEmpty(package_folder_));
  EXPECT_THAT(log.lines, testing::Contains("Additional file packs\\a.pak not fetched from " +
                                           server_->UrlUtf8("/a.pak") + "; attempts: " +
                                           base::NumberToString(GetParam().attempts)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    GiveUpTest,
    testing::Values(
        GiveUpCase{"WrongChecksum", nullptr, -1, false, 3, 3},
        GiveUpCase{"NotFound", R"([{"path": "/a.pak", "reply": {"status": 404}}])", -1, true, 3,
                   3},
        // One download: its first request and the two retries of the
        // downloader.
        GiveUpCase{"DownloaderSpentItsRetries",
                   R"([{"path": "/a.pak", "replies": [{"status": 503}], "then": "last"}])", 1,
                   true, 3, 1}),
    [](const auto& info) { return std::string(info.param.name); });

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

// Self-extracting components run for real: the build's test programs, which
// extract "partner_content_installer.exe" (a copy of themselves that prints
// the build's version), signed or not, exiting 0 or 1.
struct SfxCase {
  const char* name;
  const char* program;  // "ok", "failing", or a signing leaf's name
  bool signed_installer;
  uint32_t kind;
  const char* error;  // empty: installed
};

void PrintTo(const SfxCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class ArchiveTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.CreateUniqueTempDir()); }

  static base::FilePath Program(const std::string& name) {
    if (name == "ok")
      return test::FromBuildPath(VELTA_COMPONENT_SFX);
    if (name == "failing")
      return test::FromBuildPath(VELTA_FAILING_COMPONENT_SFX);
    if (name == "hanging")
      return test::FromBuildPath(VELTA_HANGING_COMPONENT_SFX);
    return test::FromBuildPath(VELTA_SIGNED_COMPONENT_SFX_FILES).AppendASCII(name + ".exe");
  }

  base::MessageLoop message_loop_;
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_;
  RecordingStatsSender recording_stats_;
  RecordingStatsSender* const stats_ = &recording_stats_;
  base::ProcessWide<AvroStatsSender>::ScopedOverride scoped_stats_{stats_};
};

class InstallArchiveTest : public ArchiveTest, public testing::WithParamInterface<SfxCase> {};

// An extractor that never finishes is ended after the time-out, so the
// Fetcher thread (and a cancelling window joining it) is not held for good.
TEST_F(ArchiveTest, EndsAnExtractorThatDoesNotFinish) {
  const base::FilePath package = folder_.GetPath().Append(L"package");
  ASSERT_TRUE(base::CreateDirectory(package));
  AdditionalFileDownloaderImpl downloader(
      test::FromBuildPath(VELTA_TEST_SIGNED_FILES).Append(L"unsigned.exe"),
      base::TimeDelta::FromMilliseconds(500));
  AdditionalFile file;
  file.file_name = L"partner_content_installer.exe";
  file.not_archive = 0;
  file.kind = kAdditionalFilePartnerContent;
  file.temporary_path = package.Append(L"additional_file0.tmp");
  ASSERT_TRUE(base::CopyFile(Program("hanging"), file.temporary_path));

  EXPECT_FALSE(downloader.InstallAdditionalFile(nullptr, &file, package, base::FilePath()));
  EXPECT_EQ(1u, GetInstallerErrorCode());
  EXPECT_EQ("Failed extracting SFX archive", GetInstallerErrorDetail());
  // The extractor is gone: its image is no longer held open.
  EXPECT_TRUE(base::DeleteFile(package.Append(L"partner_content_installer.exe_sfx.exe")));
  downloader.WriteFilesList(package);
  EXPECT_FALSE(base::PathExists(package.Append(kFilesListFileName)));
}

TEST_P(InstallArchiveTest, RunsTheArchiveAndChecksWhatItExtracted) {
  const SfxCase& test_case = GetParam();
  const base::FilePath package = folder_.GetPath().Append(L"package");
  const base::FilePath assistant = folder_.GetPath().Append(L"assistant");
  ASSERT_TRUE(base::CreateDirectory(package));
  const base::FilePath signed_files = test::FromBuildPath(VELTA_TEST_SIGNED_FILES);
  AdditionalFileDownloaderImpl downloader(
      signed_files.Append(test_case.signed_installer ? L"velta.exe" : L"unsigned.exe"));
  PackageVersionCheckerImpl checker(std::make_unique<FileVersionUtilsImpl>(),
                                    std::make_unique<LzmaUtil>());

  AdditionalFile file;
  file.file_name = L"partner_content_installer.exe";
  file.not_archive = 0;
  file.kind = test_case.kind;
  file.temporary_path = package.Append(L"additional_file0.tmp");
  ASSERT_TRUE(base::CopyFile(Program(test_case.program), file.temporary_path));

  const bool installed = downloader.InstallAdditionalFile(&checker, &file, package, assistant);
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  downloader.WriteFilesList(package);
  const base::FilePath target =
      test_case.kind == kAdditionalFileAssistant ? assistant : package;
  const bool signature_failed = std::string(test_case.error).find("signature") != std::string::npos;

  if (*test_case.error == '\0') {
    EXPECT_TRUE(installed) << detail;
    std::string list;
    ASSERT_TRUE(base::ReadFileToString(package.Append(kFilesListFileName), &list));
    EXPECT_EQ("partner_content_installer.exe\r\n", list);
  } else {
    EXPECT_FALSE(installed);
    EXPECT_EQ(1u, code);
    EXPECT_THAT(detail, testing::HasSubstr(test_case.error));
    EXPECT_FALSE(base::PathExists(package.Append(kFilesListFileName)));
  }
  // A refused archive is never run; a run one is deleted only after it
  // succeeded, and what it extracted stays as it left it.
  EXPECT_EQ(!signature_failed,
            base::PathExists(target.Append(L"partner_content_installer.exe")));
  EXPECT_EQ(signature_failed, base::PathExists(file.temporary_path));
  EXPECT_EQ(std::string(test_case.program) == "failing",
            base::PathExists(target.Append(L"partner_content_installer.exe_sfx.exe")));
  const std::vector<std::string> events = stats_->event_types();
  EXPECT_EQ(signature_failed ? 0 : 1,
            std::count(events.begin(), events.end(), "signature_verified"));
}

INSTANTIATE_TEST_SUITE_P(
    Archives,
    InstallArchiveTest,
    testing::Values(
        SfxCase{"unsigned_installer_runs_it", "ok", false, kAdditionalFilePartnerContent, ""},
        SfxCase{"extractor_exits_1", "failing", false, kAdditionalFilePartnerContent,
                "Failed extracting SFX archive"},
        SfxCase{"signed_by_the_company", "velta", true, kAdditionalFilePartnerContent, ""},
        SfxCase{"unsigned_under_a_signed_installer", "ok", true, kAdditionalFilePartnerContent,
                "Failed verifying signature of the additional file"},
        SfxCase{"signed_by_another_company", "other", true, kAdditionalFilePartnerContent,
                "Failed verifying signature of the additional file"},
        // The assistant's archive goes to its own folder, and its check asks
        // for "assistant_installer.exe", which this one does not hold.
        SfxCase{"assistant_without_its_installer", "ok", false, kAdditionalFileAssistant,
                "Component version didn't pass check"}),
    [](const testing::TestParamInfo<SfxCase>& info) { return std::string(info.param.name); });

// A plain file lands among the package's files, after the package passed
// its checks: it may take none of their names, in any spelling, nor a name
// the fetch writes there, and under a signed installer a program (by its
// content or by its name) must carry the company's signature, as an archive
// must.
struct PlainFileCase {
  const char* name;
  // A name from the metadata may hold a NUL.
  std::wstring_view file_name;
  bool signed_installer;
  // "text", or the program signed by a leaf: "unsigned", "velta", "other".
  const char* content;
  // Empty: installed; else the logged reason.
  const char* refusal;
};

void PrintTo(const PlainFileCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class InstallPlainFileTest : public testing::TestWithParam<PlainFileCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    package_ = folder_.GetPath().Append(L"package");
    ASSERT_TRUE(base::CreateDirectory(package_));
    // The package's archive holds "velta.exe" and "resources/en-US.pak".
    ASSERT_TRUE(
        base::CopyFile(test::FromBuildPath(VELTA_PAYLOAD_TEST_FILES).Append(L"package.7z"),
                       package_.Append(kPackageFileName)));
    ASSERT_TRUE(base::WriteFile(package_.Append(kPackageReadyFileName), ""));
  }

  static base::FilePath Content(const std::string& content) {
    if (content == "other")
      return test::FromBuildPath(VELTA_SIGNED_COMPONENT_SFX_FILES).Append(L"other.exe");
    return test::FromBuildPath(VELTA_TEST_SIGNED_FILES).AppendASCII(content + ".exe");
  }

  // Every file under the package folder with the SHA-256 of its bytes.
  std::map<base::FilePath, std::string> Snapshot() const {
    std::map<base::FilePath, std::string> files;
    base::FileEnumerator enumerator(package_, true, base::FileEnumerator::FILES);
    for (base::FilePath path = enumerator.Next(); !path.empty(); path = enumerator.Next()) {
      std::string content;
      EXPECT_TRUE(base::ReadFileToString(path, &content));
      files[path] = CalculateSha256Hex(reinterpret_cast<const uint8_t*>(content.data()),
                                       content.size());
    }
    return files;
  }

  base::MessageLoop message_loop_;
  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir folder_;
  base::FilePath package_;
  RecordingStatsSender recording_stats_;
  base::ProcessWide<AvroStatsSender>::ScopedOverride scoped_stats_{&recording_stats_};
};

TEST_P(InstallPlainFileTest, KeepsThePackagesFilesAndRunsOnlySignedPrograms) {
  const PlainFileCase& test_case = GetParam();
  const base::FilePath signed_files = test::FromBuildPath(VELTA_TEST_SIGNED_FILES);
  AdditionalFileDownloaderImpl downloader(
      signed_files.Append(test_case.signed_installer ? L"velta.exe" : L"unsigned.exe"));
  AdditionalFile file;
  file.file_name = std::wstring(test_case.file_name);
  file.not_archive = 1;
  file.kind = kAdditionalFilePartnerContent;
  file.temporary_path = package_.Append(L"additional_file0.tmp");
  std::string content = "served as a plain file";
  if (std::string(test_case.content) != "text") {
    ASSERT_TRUE(base::ReadFileToString(Content(test_case.content), &content));
  }
  const std::map<base::FilePath, std::string> before = Snapshot();
  ASSERT_TRUE(base::WriteFile(file.temporary_path, content));

  base::test::ScopedLogCollector log(logging::LOG_ERROR);
  const bool installed =
      downloader.InstallAdditionalFile(nullptr, &file, package_, base::FilePath());
  downloader.WriteFilesList(package_);

  if (*test_case.refusal == '\0') {
    EXPECT_TRUE(installed) << GetInstallerErrorDetail();
    std::string placed;
    // Placed and listed as the file system keeps the name.
    const std::wstring kept = FileSystemName(file.file_name);
    ASSERT_TRUE(base::ReadFileToString(package_.Append(kept), &placed));
    EXPECT_EQ(content, placed);
    std::string list;
    ASSERT_TRUE(base::ReadFileToString(package_.Append(kFilesListFileName), &list));
    EXPECT_EQ(base::WideToUTF8(kept) + "\r\n", list);
    return;
  }
  // Refused: the package folder as it was, without the download, nothing
  // listed, and one line that says why.
  EXPECT_FALSE(installed);
  EXPECT_EQ(1u, GetInstallerErrorCode());
  EXPECT_EQ(before, Snapshot());
  EXPECT_THAT(log.lines, testing::Contains(testing::HasSubstr(test_case.refusal)));
}

constexpr char kHeld[] = "the package holds a file of that name";
constexpr char kUnsigned[] = "Failed verifying signature of the additional file";

INSTANTIATE_TEST_SUITE_P(
    PlainFiles,
    InstallPlainFileTest,
    testing::Values(
        PlainFileCase{"package_file", L"velta.exe", false, "text", kHeld},
        PlainFileCase{"package_file_upper_case", L"VELTA.EXE", true, "velta", kHeld},
        PlainFileCase{"package_file_trailing_dot", L"velta.exe.", false, "text", kHeld},
        PlainFileCase{"package_file_other_separator", L"Resources/en-us.pak", false, "text",
                      kHeld},
        PlainFileCase{"installer_library", L"velta_installer.dll", false, "text", kHeld},
        PlainFileCase{"package_archive", L"velta_package", false, "text", kHeld},
        PlainFileCase{"files_list", L"files_list", false, "text", kHeld},
        PlainFileCase{"ready_marker", L"Ready", false, "text", kHeld},
        PlainFileCase{"short_name_of_a_package_file", L"VELTA_~1.DLL", false, "text", kHeld},
        PlainFileCase{"short_name_of_a_package_folder", L"resour~1/en-US.pak", false, "text",
                      kHeld},
        PlainFileCase{"hashed_short_name_of_a_package_file", L"VE4F2A~1.DLL", false, "text",
                      kHeld},
        PlainFileCase{"short_name_shape_of_no_package_file", L"notes~1.txt", false, "text", ""},
        // Names the fetch itself writes into the package folder.
        PlainFileCase{"preference_default_overrides", L"pref_default_overrides", false, "text",
                      kHeld},
        PlainFileCase{"temporary_download", L"additional_file3.tmp", false, "text", kHeld},
        PlainFileCase{"running_archive", L"partner_sfx.exe", true, "velta", kHeld},
        PlainFileCase{"unsigned_program", L"tool.exe", true, "unsigned", kUnsigned},
        PlainFileCase{"unsigned_library", L"tools\\helper.DLL", true, "unsigned", kUnsigned},
        PlainFileCase{"text_named_as_a_program", L"tool.exe.", true, "text", kUnsigned},
        PlainFileCase{"program_of_another_company", L"tool.exe", true, "other", kUnsigned},
        PlainFileCase{"program_signed_by_the_company", L"tools/tool.exe", true, "velta", ""},
        PlainFileCase{"unsigned_program_under_an_unsigned_installer", L"tool.exe", false,
                      "unsigned", ""},
        PlainFileCase{"text_under_a_signed_installer", L"partner_bookmarks.json", true, "text",
                      ""},
        // A program under any name needs the signature...
        PlainFileCase{"unsigned_screen_saver", L"saver.scr", true, "unsigned", kUnsigned},
        PlainFileCase{"unsigned_control_panel_item", L"tools\\panel.CPL", true, "unsigned",
                      kUnsigned},
        PlainFileCase{"unsigned_program_under_a_data_name", L"partner_data.bin", true, "unsigned",
                      kUnsigned},
        PlainFileCase{"unsigned_program_without_extension", L"partner_tool", true, "unsigned",
                      kUnsigned},
        PlainFileCase{"program_of_another_company_under_a_data_name", L"logo.png", true, "other",
                      kUnsigned},
        PlainFileCase{"program_signed_by_the_company_under_a_data_name", L"partner_data.bin",
                      true, "velta", ""},
        PlainFileCase{"screen_saver_signed_by_the_company", L"saver.scr", true, "velta", ""},
        // ...and what Windows runs or loads by its name, without a PE
        // image's signature, is refused.
        PlainFileCase{"dos_program", L"tool.com ", true, "text", kUnsigned},
        PlainFileCase{"driver", L"drivers\\filter.sys", true, "text", kUnsigned},
        PlainFileCase{"control", L"player.ocx", true, "text", kUnsigned},
        PlainFileCase{"installer_package", L"setup.msi", true, "text", kUnsigned},
        PlainFileCase{"batch_file", L"SETUP.CMD", true, "text", kUnsigned},
        PlainFileCase{"powershell_script", L"setup.ps1", true, "text", kUnsigned},
        PlainFileCase{"script", L"setup.vbs", true, "text", kUnsigned},
        PlainFileCase{"javascript", L"setup.js", true, "text", kUnsigned},
        PlainFileCase{"html_application", L"offer.hta", true, "text", kUnsigned},
        PlainFileCase{"shortcut", L"Partner.lnk", true, "text", kUnsigned},
        PlainFileCase{"application_manifest", L"launcher.exe.manifest", true, "text", kUnsigned},
        PlainFileCase{"library_redirection", L"launcher.exe.local", true, "text", kUnsigned},
        PlainFileCase{"script_under_an_unsigned_installer", L"setup.bat", false, "text", ""},
        // What else Windows runs or opens as code, in any case.
        PlainFileCase{"compiled_help", L"manual.chm", true, "text", kUnsigned},
        PlainFileCase{"java_archive", L"tools\\Partner.JAR", true, "text", kUnsigned},
        PlainFileCase{"script_component", L"offer.wsc", true, "text", kUnsigned},
        PlainFileCase{"scriptlet", L"offer.sct", true, "text", kUnsigned},
        PlainFileCase{"click_once_reference", L"Partner.appref-ms", true, "text", kUnsigned},
        PlainFileCase{"click_once_application", L"partner.application", true, "text",
                      kUnsigned},
        PlainFileCase{"settings_shortcut", L"open.settingcontent-ms", true, "text", kUnsigned},
        PlainFileCase{"shell_library", L"Partner.library-ms", true, "text", kUnsigned},
        PlainFileCase{"search_connector", L"partner.searchConnector-ms", true, "text",
                      kUnsigned},
        PlainFileCase{"troubleshooting_pack", L"fix.diagcab", true, "text", kUnsigned},
        PlainFileCase{"powershell_types", L"partner.ps1xml", true, "text", kUnsigned},
        PlainFileCase{"powershell_console", L"partner.psc1", true, "text", kUnsigned},
        PlainFileCase{"pinned_site", L"partner.website", true, "text", kUnsigned},
        PlainFileCase{"browser_application", L"partner.xbap", true, "text", kUnsigned},
        // A type hidden behind what the file system drops or shortens.
        PlainFileCase{"short_name_ends_in_a_batch_type", L"setup.batx", true, "text", kUnsigned},
        PlainFileCase{"short_name_ends_in_a_program_type", L"tools/setup.EXE_old", true, "text",
                      kUnsigned},
        PlainFileCase{"dots_and_spaces_after_the_type", L"tool.bat. . ", true, "text",
                      kUnsigned},
        PlainFileCase{"type_before_a_nul", L"tool.bat.\0"sv, true, "text", kUnsigned},
        PlainFileCase{"type_before_a_nul_and_more", L"tool.bat\0.txt"sv, true, "text",
                      kUnsigned},
        PlainFileCase{"package_file_before_a_nul", L"velta.exe\0"sv, true, "velta", kHeld},
        PlainFileCase{"package_file_in_a_folder_before_a_nul", L"resources\\en-US.pak\0x"sv,
                      false, "text", kHeld},
        PlainFileCase{"package_folder_with_a_trailing_dot", L"resources.\\en-US.pak", false,
                      "text", kHeld},
        // A program signed by the company is installed under these types too.
        PlainFileCase{"help_signed_by_the_company", L"manual.chm", true, "velta", ""},
        PlainFileCase{"short_name_type_signed_by_the_company", L"setup.batx", true, "velta", ""},
        // A data name is placed and listed as the file system keeps it.
        PlainFileCase{"data_name_with_trailing_dots", L"notes/readme.txt. .", true, "text", ""},
        PlainFileCase{"data_name_with_a_nine_letter_type", L"partner.bookmarks", true, "text",
                      ""}),
    [](const testing::TestParamInfo<PlainFileCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace velta
