// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_loader.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/status/installation_status_recovery.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kUntouched[] = "untouched";
constexpr char kRecoveredVersion[] = "recovered";
// The versions the status files of the folder say, each telling its file.
constexpr char kJsonVersion[] = "2.0.0.1";
constexpr char kXmlVersion[] = "2.0.0.2";
constexpr char kOld5Version[] = "2.0.0.5";
constexpr char kOld3Version[] = "2.0.0.3";
constexpr char kCorruptJson[] = "{\"version\": ";
constexpr char kCorruptXml[] = "<install_log version=";

// Stands in for the recovery from an old installation: always rebuilds a
// record that says where it came from.
class LoaderFakeRecovery : public InstallationStatusRecovery {
 public:
  void Recover(std::unique_ptr<InstallationStatus>* out, const base::FilePath& folder) override {
    *out = std::make_unique<InstallationStatus>(StatusSource::kFullyRecovered);
    (*out)->version = kRecoveredVersion;
    (*out)->path = folder;
  }
  void FindVersionFoldersMatching(std::vector<base::FilePath>*,
                                  const base::FilePath&,
                                  const base::Version&) override {}
  void FindVersionFolders(std::vector<base::FilePath>*, const base::FilePath&) override {}
};

std::string LegacyXmlStatus(const std::string& version) {
  return "<install_log version=\"" + version +
         "\" copy_only=\"False\" all_users=\"False\"><path>C:\\Velta</path>"
         "<files><file>a.dll</file></files></install_log>";
}

// A scratch installation folder with status files written the way the
// installer writes them, and the fake recovery in place.
class LoaderTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    ASSERT_TRUE(base::CreateDirectory(OldStatusFolder()));
  }

  base::FilePath Folder() const { return dir_.GetPath(); }
  base::FilePath OldStatusFolder() const { return Folder().Append(kOldStatusFolderName); }

  void WriteJsonStatus(const base::FilePath& file, const std::string& version) {
    InstallationStatus status(StatusSource::kGenerated);
    status.version = version;
    status.path = Folder();
    ASSERT_TRUE(WriteInstallationStatusJson(status, file));
  }

  void WriteText(const base::FilePath& file, const std::string& text) {
    ASSERT_TRUE(base::WriteFile(file, text));
  }

  // The folder's status as Load gives it, with `error_` and `content_`.
  std::unique_ptr<InstallationStatus> Load(StatusRecoveryMode recovery_mode) {
    std::unique_ptr<InstallationStatus> status;
    InstallationStatusLoader::GetInstance()->Load(&status, Folder(), recovery_mode, &error_,
                                                  &content_);
    return status;
  }

  std::string error_ = kUntouched;
  std::string content_ = kUntouched;
  LoaderFakeRecovery recovery_;
  std::optional<base::ProcessWide<InstallationStatusRecovery>::ScopedOverride> recovery_override_{
      std::in_place, &recovery_};

 private:
  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
};

enum class FileState { kMissing, kGood, kEmpty, kCutShort, kCorrupt };

struct FallbackCase {
  const char* name;
  FileState json;
  FileState xml;
  bool has_old_files;
  StatusRecoveryMode recovery_mode;
  // What the returned record says of itself.
  const char* version;
  StatusSource source;
  // The start and end of `error`, and `content` (null: untouched).
  const char* error_prefix;
  const char* error_suffix;
  const char* content;
};

// The rows' recovery modes; kOther is a value outside the enumeration, which
// the loader treats as neither mode.
constexpr StatusRecoveryMode kNone = StatusRecoveryMode::kNone;
constexpr StatusRecoveryMode kOldFiles = StatusRecoveryMode::kOldFiles;
constexpr StatusRecoveryMode kOther = static_cast<StatusRecoveryMode>(2);

constexpr char kJsonPrefix[] =
    "Velta JSON status file status file, Cannot parse the file as JSON: ";
constexpr char kXmlPrefix[] = "Velta legacy XML status file status file, ";

const FallbackCase kFallbackCases[] = {
    {"GoodJsonWinsOverStaleXml", FileState::kGood, FileState::kGood, true, kOldFiles, kJsonVersion,
     StatusSource::kPrimary, kUntouched, kUntouched, nullptr},
    {"NoJsonReadsXml", FileState::kMissing, FileState::kGood, true, kNone, kXmlVersion,
     StatusSource::kLegacyXml, kUntouched, kUntouched, nullptr},
    {"NoJsonCorruptXmlRecovers", FileState::kMissing, FileState::kCorrupt, true, kNone,
     kRecoveredVersion, StatusSource::kFullyRecovered, kXmlPrefix, "", kCorruptXml},
    {"NoJsonCorruptXmlReadsOldFiles", FileState::kMissing, FileState::kCorrupt, true, kOldFiles,
     kOld5Version, StatusSource::kRecoveredFromOldFiles, kXmlPrefix, "", kCorruptXml},
    {"NoFilesRecovers", FileState::kMissing, FileState::kMissing, true, kNone, kRecoveredVersion,
     StatusSource::kFullyRecovered, kUntouched, kUntouched, nullptr},
    {"NoFilesReadsOldFiles", FileState::kMissing, FileState::kMissing, true, kOldFiles,
     kOld5Version, StatusSource::kRecoveredFromOldFiles, kUntouched, kUntouched, nullptr},
    {"NoFilesOtherModeRecovers", FileState::kMissing, FileState::kMissing, true, kOther,
     kRecoveredVersion, StatusSource::kFullyRecovered, kUntouched, kUntouched, nullptr},
    {"NoFilesNoOldFilesRecovers", FileState::kMissing, FileState::kMissing, false, kOldFiles,
     kRecoveredVersion, StatusSource::kFullyRecovered, kUntouched, kUntouched, nullptr},
    {"CorruptJsonSkipsXml", FileState::kCorrupt, FileState::kGood, true, kNone, kRecoveredVersion,
     StatusSource::kFullyRecovered, kJsonPrefix, "", kCorruptJson},
    {"CorruptJsonReadsOldFiles", FileState::kCorrupt, FileState::kGood, true, kOldFiles,
     kOld5Version, StatusSource::kRecoveredFromOldFiles, kJsonPrefix, "", kCorruptJson},
    {"CorruptJsonOtherModeReadsOldFiles", FileState::kCorrupt, FileState::kMissing, true, kOther,
     kOld5Version, StatusSource::kRecoveredFromOldFiles, kJsonPrefix, "", kCorruptJson},
    {"CutShortJsonWithoutOldFilesRecovers", FileState::kCutShort, FileState::kGood, false,
     kOldFiles, kRecoveredVersion, StatusSource::kFullyRecovered, kJsonPrefix, "", nullptr},
    {"EmptyJsonRecovers", FileState::kEmpty, FileState::kGood, true, kNone, kRecoveredVersion,
     StatusSource::kFullyRecovered, kJsonPrefix, " Status file empty.", ""},
};

class StatusLoaderFallbackTest : public LoaderTestBase,
                                 public ::testing::WithParamInterface<FallbackCase> {
 protected:
  // Writes the file of `state`; the good one says `version`. Returns its text.
  std::string WriteStatusFile(const base::FilePath& file,
                              FileState state,
                              bool is_json,
                              const std::string& version) {
    std::string text;
    if (state == FileState::kMissing)
      return text;
    if (state == FileState::kGood && is_json)
      WriteJsonStatus(file, version);
    else if (state == FileState::kGood)
      WriteText(file, LegacyXmlStatus(version));
    else if (state == FileState::kCorrupt)
      WriteText(file, is_json ? kCorruptJson : kCorruptXml);
    else if (state == FileState::kEmpty)
      WriteText(file, "");
    if (state == FileState::kCutShort) {
      WriteJsonStatus(file, version);
      EXPECT_TRUE(base::ReadFileToString(file, &text));
      text.resize(text.size() / 2);
      WriteText(file, text);
    }
    EXPECT_TRUE(base::ReadFileToString(file, &text));
    return text;
  }
};

TEST_P(StatusLoaderFallbackTest, ReturnsTheRecordOfTheFirstUsableSource) {
  const FallbackCase& c = GetParam();
  std::string json_text =
      WriteStatusFile(Folder().Append(kInstallationStatusJsonFileName), c.json, true, kJsonVersion);
  WriteStatusFile(Folder().Append(kInstallationStatusXmlFileName), c.xml, false, kXmlVersion);
  if (c.has_old_files) {
    WriteJsonStatus(OldStatusFolder().Append(L"installation_status.json.5"), kOld5Version);
    WriteText(OldStatusFolder().Append(L"installation_status.xml.3"),
              LegacyXmlStatus(kOld3Version));
  }

  std::unique_ptr<InstallationStatus> status = Load(c.recovery_mode);

  ASSERT_TRUE(status);
  EXPECT_EQ(c.version, status->version);
  EXPECT_EQ(c.source, status->source);
  EXPECT_TRUE(error_.starts_with(c.error_prefix)) << error_;
  EXPECT_TRUE(error_.ends_with(c.error_suffix)) << error_;
  if (c.content)
    EXPECT_EQ(c.content, content_);
  else if (c.json == FileState::kCutShort)
    EXPECT_EQ(json_text, content_);
  else
    EXPECT_EQ(kUntouched, content_);
}

INSTANTIATE_TEST_SUITE_P(Folders,
                         StatusLoaderFallbackTest,
                         ::testing::ValuesIn(kFallbackCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoaderTestBase, TheDefaultRecoveryGivesNothingForAnUnlistedFolder) {
  recovery_override_.reset();
  EXPECT_FALSE(Load(StatusRecoveryMode::kOldFiles));
  EXPECT_EQ(kUntouched, error_);
}

struct OldStatusCase {
  const char* name;
  std::vector<const wchar_t*> files;
  // Empty when none is found.
  const wchar_t* newest;
  StatusSource source;
};

const OldStatusCase kOldStatusCases[] = {
    {"GreatestNumberWinsAcrossKinds",
     {L"installation_status.json.3", L"installation_status.xml.12", L"installation_status.json.9"},
     L"installation_status.xml.12",
     StatusSource::kLegacyXmlRecoveredFromOldFiles},
    {"JsonBeatsASmallerXml",
     {L"installation_status.xml.9", L"installation_status.json.17"},
     L"installation_status.json.17",
     StatusSource::kRecoveredFromOldFiles},
    {"ParkedCopiesKeepTheirNumber",
     {L"installation_status.json.12", L"installation_status.json.17.1.old",
      L"installation_status.xml.15.20.old"},
     L"installation_status.json.17.1.old",
     StatusSource::kRecoveredFromOldFiles},
    {"TheFinalExtensionIsTheNumber",
     {L"installation_status.json.18", L"installation_status.json.17.20"},
     L"installation_status.json.17.20",
     StatusSource::kRecoveredFromOldFiles},
    {"APlainCopyBeatsAParkedOneOfTheSameNumber",
     {L"installation_status.json.17.5.old", L"installation_status.xml.17",
      L"installation_status.json.17.6.1.old"},
     L"installation_status.xml.17",
     StatusSource::kLegacyXmlRecoveredFromOldFiles},
    {"AParkedCopyBeatsSmallerPlainOnes",
     {L"installation_status.json.16", L"installation_status.xml.17.5.old"},
     L"installation_status.xml.17.5.old",
     StatusSource::kLegacyXmlRecoveredFromOldFiles},
    {"UnnumberedAndOtherNamesAreIgnored",
     {L"installation_status.json", L"installation_status.json.0", L"installation_status.json.-4",
      L"installation_status.json.tmp", L"installation_status.json.99.bak",
      L"installation_status.json.98.old.txt", L"installation_status.json.97.old",
      L"settings.json.50", L"installation_status.xml.2"},
     L"installation_status.xml.2",
     StatusSource::kLegacyXmlRecoveredFromOldFiles},
    {"NothingNumbered", {L"installation_status.json", L"notes.txt.5"}, L"", StatusSource::kInvalid},
};

class OldStatusSearchTest : public LoaderTestBase,
                            public ::testing::WithParamInterface<OldStatusCase> {};

TEST_P(OldStatusSearchTest, FindsTheNewestNumberedFile) {
  for (const wchar_t* name : GetParam().files)
    WriteText(OldStatusFolder().Append(name), "x");
  // A folder is never a status file, whatever its number.
  ASSERT_TRUE(base::CreateDirectory(OldStatusFolder().Append(L"installation_status.json.900")));

  base::FilePath file;
  StatusSource source = StatusSource::kPrimary;
  bool found = internal::FindNewestOldStatusFile(Folder(), &file, &source);

  std::wstring newest = GetParam().newest;
  EXPECT_EQ(!newest.empty(), found);
  EXPECT_EQ(newest.empty() ? base::FilePath() : OldStatusFolder().Append(newest), file);
  EXPECT_EQ(GetParam().source, source);
}

INSTANTIATE_TEST_SUITE_P(Names,
                         OldStatusSearchTest,
                         ::testing::ValuesIn(kOldStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
