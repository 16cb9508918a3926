// Copyright 2026 Velta Software. All rights reserved.

// The jobs an installation's own installer.exe runs on it, end to end under
// Wine as real processes: the repair of missing resource packs (fetched from
// the loopback server), the protocol-handler registration of an all-users
// installation, an upgrade that cannot delete an earlier version's files,
// and the clean-up script an uninstall leaves for files in use.

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/json/json_writer.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/values.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "e2e/package_install_fixture.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using velta::test::ChildResult;

// The marker a minimal installation leaves in its version folder until its
// resource packs are all there.
constexpr wchar_t kMinimalInstallMarker[] = L"minimal_install";

// The package's files that are not resource packs.
bool IsResourcePack(const std::wstring& entry) {
  return entry != L"installer.exe" && entry != L"velta_installer.dll" && entry != L"velta.exe";
}

std::string AsJson(const base::Value& value) {
  std::string text;
  base::JSONWriter::WriteWithOptions(value, base::JSONWriter::OPTIONS_PRETTY_PRINT, &text);
  return text;
}

// The lines of `text` that start with `command` and a blank, trimmed.
std::vector<std::string> ScriptLines(const std::string& text, const std::string& command) {
  std::vector<std::string> lines;
  for (const std::string& line :
       base::SplitString(text, "\r\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    if (base::StartsWith(line, command + " ", base::CompareCase::INSENSITIVE_ASCII))
      lines.push_back(line);
  }
  return lines;
}

// `path` in double quotes, as the script names it.
std::string Quoted(const base::FilePath& path) {
  return "\"" + path.AsUTF8Unsafe() + "\"";
}

class InstallationJobsTest : public PackageInstallTest {
 protected:
  base::FilePath VersionFolder(const std::string& version) const {
    return target_.AppendASCII(version);
  }

  // The installation's own installer.exe, as the installation's shortcuts
  // and entries start it, with `switches`.
  ChildResult RunInstalled(const std::string& version, const std::vector<std::wstring>& switches) {
    return Run(VersionFolder(version).Append(L"installer.exe"), switches);
  }
};

// How the server offers the pack a repair asks for.
enum class Offer {
  kAsPackaged,
  // Listed with the packaged pack's checksum, served with other bytes.
  kCorrupt,
  // Listed, but the server has no such file (404).
  kNotFound,
  // Not listed at all: the metadata names only the other packs.
  kNotListed,
  // No metadata: the server answers its request with 500.
  kNoMetadata,
};

// "a/b.pak" for the files list's "a\b.pak".
std::string UrlPath(const std::wstring& entry) {
  std::string path = base::WideToUTF8(entry);
  base::ReplaceChars(path, "\\", "/", &path);
  return path;
}

// "METHOD path" of every request the server saw, in order.
std::vector<std::string> Requests(const test::LocalHttpServer& server) {
  std::vector<std::string> requests;
  for (const base::Value& entry : server.ReadLog())
    requests.push_back(*entry.FindStringKey("method") + " " + *entry.FindStringKey("path"));
  return requests;
}

class RepairTest : public InstallationJobsTest {
 protected:
  // Serves the resource packs of `package` under /packs/ and, at /meta, the
  // metadata that lists them; `pack` is offered as `offer` says.
  void ServePacks(test::LocalHttpServer* server,
                  const base::FilePath& package,
                  const std::string& pack,
                  Offer offer) {
    base::Value components(base::Value::Type::LIST);
    for (const std::wstring& entry : ListEntries(package.Append(kFilesListFileName))) {
      if (!IsResourcePack(entry))
        continue;
      const std::string name = UrlPath(entry);
      const bool asked = name == pack;
      if (asked && offer == Offer::kNotListed)
        continue;
      const std::string content = ReadText(package.Append(entry));
      if (!asked || offer == Offer::kAsPackaged) {
        ASSERT_TRUE(server->AddFile("packs/" + name, content));
      } else if (offer == Offer::kCorrupt) {
        ASSERT_TRUE(server->AddFile("packs/" + name, "not the pack " + content));
      }
      components.Append(
          test::DownloadableResourceComponent(server->UrlUtf8("/packs/" + name), name, content));
    }
    base::Value meta(base::Value::Type::DICTIONARY);
    meta.SetKey("components", std::move(components));
    std::string meta_text;
    ASSERT_TRUE(base::JSONWriter::Write(meta, &meta_text));
    ASSERT_TRUE(server->AddFile("meta", meta_text));
    if (offer == Offer::kNoMetadata) {
      ASSERT_TRUE(server->SetRoutes(R"([{"path": "/meta", "reply": {"status": 500}}])"));
    }
  }

  // The silent repair by the installation's own installer, from `server`.
  ChildResult Repair(const std::string& version, const test::LocalHttpServer& server) {
    return RunInstalled(version, {L"fix-downloadable-resources", L"silent",
                                  L"internal-package-server=" + server.Url("/meta")});
  }
};

struct RepairCase {
  const char* name;
  // The pack the minimal installation left out, or none.
  const wchar_t* missing;
};

class RepairJobTest : public RepairTest, public ::testing::WithParamInterface<RepairCase> {};

// A minimal installation (the marker saying so, and a resource pack left
// out) repaired by its own installer: it asks the server for the packs it
// lacks, gets only those, puts them into the version folder and takes the
// marker away. The status file already lists every pack: it stays as it was.
// The user's own files in the installation folder stay through it all.
TEST_P(RepairJobTest, FetchesOnlyTheMissingPacksAndDropsTheMarker) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  PlaceUsersOwnFiles(target_);
  InstallSuccessfully(L"package");
  const std::string version = GetProductVersion();
  const base::Value status = Status();
  ASSERT_TRUE(base::WriteFile(VersionFolder(version).Append(kMinimalInstallMarker), ""));
  std::string missing;
  if (GetParam().missing) {
    ASSERT_TRUE(base::DeleteFile(VersionFolder(version).Append(GetParam().missing)));
    missing = UrlPath(GetParam().missing);
  }

  // The server offers every pack of the package; the installer takes those
  // it asked for.
  ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
  test::LocalHttpServer server(dir_.GetPath().Append(L"server"));
  ASSERT_TRUE(server.Start());
  ServePacks(&server, package, missing, Offer::kAsPackaged);

  const ChildResult repair = Repair(version, server);
  const std::vector<std::string> logs = TakeLogs();
  EXPECT_EQ(0u, repair.exit_code) << base::JoinString(logs, "\n");

  if (GetParam().missing) {
    EXPECT_THAT(Requests(server), ElementsAre("GET /meta?additional_files=" + missing,
                                              "GET /packs/" + missing));
  } else {
    EXPECT_THAT(Requests(server), ElementsAre("GET /meta"));
  }
  ExpectInstalled(package, target_, version, Status());
  EXPECT_FALSE(base::PathExists(VersionFolder(version).Append(kMinimalInstallMarker)));
  const base::Value repaired = Status();
  EXPECT_EQ(status, repaired) << AsJson(status) << "\n" << AsJson(repaired);
  ExpectUsersOwnFiles(target_);

  UninstallSuccessfully(status);
  ExpectUsersOwnFiles(target_);
}

INSTANTIATE_TEST_SUITE_P(Installations,
                         RepairJobTest,
                         ::testing::Values(RepairCase{"MissingPack", L"localization\\de.pak"},
                                           RepairCase{"NothingMissing", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RepairFailureCase {
  const char* name;
  Offer offer;
  uint32_t exit_code;
  // How often the installer asks for the metadata and for the pack: a pack
  // that does not arrive whole is asked for three times in all.
  size_t metadata_requests;
  size_t pack_requests;
  // What the logs say about the pack.
  const char* log_line;
};

class RepairFailureTest : public RepairTest,
                          public ::testing::WithParamInterface<RepairFailureCase> {};

// A repair whose missing pack cannot be had leaves the installation as it
// was, with its marker, and no package folder behind; the log says which
// pack did not come. Without metadata the fetch is retried and then fails
// the run; a pack that did not come ends it as a repair that found nothing
// to do. A later run with the pack on offer completes the repair.
TEST_P(RepairFailureTest, KeepsTheMarkerAndTheStatusForALaterRun) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  InstallSuccessfully(L"package");
  const std::string version = GetProductVersion();
  const base::Value status = Status();
  const base::FilePath status_file = target_.Append(kInstallationStatusJsonFileName);
  const std::string status_text = ReadText(status_file);
  const base::FilePath marker = VersionFolder(version).Append(kMinimalInstallMarker);
  ASSERT_TRUE(base::WriteFile(marker, ""));
  const std::wstring missing = L"localization\\de.pak";
  ASSERT_TRUE(base::DeleteFile(VersionFolder(version).Append(missing)));

  ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
  test::LocalHttpServer server(dir_.GetPath().Append(L"server"));
  ASSERT_TRUE(server.Start());
  ServePacks(&server, package, UrlPath(missing), GetParam().offer);

  const ChildResult repair = Repair(version, server);
  // The download folder, which also holds the logs.
  const std::vector<std::wstring> left = NamesIn(temp_.Append(L"Velta Installer"));
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_EQ(GetParam().exit_code, repair.exit_code) << logs;
  EXPECT_THAT(left, ::testing::Each(::testing::StartsWith(L"velta_installer_")));
  std::vector<std::string> expected(GetParam().metadata_requests,
                                    "GET /meta?additional_files=" + UrlPath(missing));
  expected.insert(expected.end(), GetParam().pack_requests, "GET /packs/" + UrlPath(missing));
  EXPECT_EQ(expected, Requests(server)) << logs;
  EXPECT_TRUE(base::PathExists(marker));
  EXPECT_FALSE(base::PathExists(VersionFolder(version).Append(missing)));
  EXPECT_EQ(status_text, ReadText(status_file));
  std::string log_line = GetParam().log_line;
  base::ReplaceSubstringsAfterOffset(&log_line, 0, "PACK", UrlPath(missing));
  EXPECT_THAT(logs, HasSubstr(log_line));

  // The pack on offer again: the next repair finds the installation as the
  // failed one left it and completes it.
  ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"good_server")));
  test::LocalHttpServer good_server(dir_.GetPath().Append(L"good_server"));
  ASSERT_TRUE(good_server.Start());
  ServePacks(&good_server, package, UrlPath(missing), Offer::kAsPackaged);
  const ChildResult later = Repair(version, good_server);
  EXPECT_EQ(0u, later.exit_code) << base::JoinString(TakeLogs(), "\n");
  EXPECT_FALSE(base::PathExists(marker));
  ExpectInstalled(package, target_, version, Status());
  EXPECT_EQ(status, Status());

  UninstallSuccessfully(status);
}

INSTANTIATE_TEST_SUITE_P(Installations,
                         RepairFailureTest,
                         ::testing::Values(
                             RepairFailureCase{"WrongChecksum", Offer::kCorrupt, 0, 1, 3,
                                               "Additional file PACK not fetched"},
                             RepairFailureCase{"NotOnTheServer", Offer::kNotFound, 0, 1, 3,
                                               "Additional file PACK not fetched"},
                             RepairFailureCase{"NotListed", Offer::kNotListed, 0, 1, 0,
                                               "still missing: PACK;"},
                             RepairFailureCase{"NoMetadata", Offer::kNoMetadata, 119, 6, 0,
                                               "No fetch attempt left"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The URL associations key of the browser's registration for all users.
std::wstring UrlAssociationsKey() {
  return L"SOFTWARE\\Clients\\StartMenuInternet\\" +
         base::UTF8ToWide(GetBrandName() + GetChannelName()) + L"\\Capabilities\\URLAssociations";
}

// Whether the status file records `key` under HKLM.
bool RecordsHklmKey(const base::Value& status, const std::wstring& key) {
  const base::Value* keys = status.FindListPath("registry.HKLM");
  if (!keys)
    return false;
  for (const base::Value& entry : keys->GetList()) {
    const std::string* path = entry.FindStringKey("path");
    if (path && base::EqualsCaseInsensitiveASCII(*path, base::WideToUTF8(key)))
      return true;
  }
  return false;
}

struct ProtocolHandlerCase {
  const char* name;
  const wchar_t* all_users;
  bool written;
};

class ProtocolHandlerJobTest : public InstallationJobsTest,
                               public ::testing::WithParamInterface<ProtocolHandlerCase> {};

// The protocol-handler job writes the scheme only into the URL associations
// key the installation recorded under HKLM, which only an all-users
// installation does (under Wine every process is an administrator, so a
// silent all-users run keeps its choice); the uninstall takes the key away
// with the installation's other keys.
TEST_P(ProtocolHandlerJobTest, WritesOnlyTheRecordedAssociation) {
  CopyPackage(L"test_package", L"package");
  const std::wstring key = UrlAssociationsKey();
  ASSERT_FALSE(base::win::RegKey(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ).Valid());
  InstallSuccessfully(L"package", {std::wstring(L"allusers=") + GetParam().all_users});
  const base::Value status = Status();
  EXPECT_EQ(GetParam().written, RecordsHklmKey(status, key));

  const ChildResult run = RunInstalled(
      GetProductVersion(), {L"register-velta-as-protocol-handler=veltatest", L"silent"});
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_EQ(0u, run.exit_code) << logs;
  base::win::RegKey associations(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ);
  std::wstring client;
  EXPECT_EQ(GetParam().written,
            associations.Valid() && associations.ReadValue(L"veltatest", &client) == ERROR_SUCCESS)
      << logs;
  if (GetParam().written) {
    EXPECT_EQ(base::UTF8ToWide(GetBrandName() + GetChannelName()), client);
  }
  associations.Close();

  UninstallSuccessfully(status);
  EXPECT_FALSE(base::win::RegKey(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ).Valid());
}

INSTANTIATE_TEST_SUITE_P(Installations,
                         ProtocolHandlerJobTest,
                         ::testing::Values(ProtocolHandlerCase{"AllUsers", L"1", true},
                                           ProtocolHandlerCase{"CurrentUser", L"0", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The status records kept in old_status, as read.
std::vector<base::Value> OldStatusRecords(const base::FilePath& target) {
  std::vector<base::Value> records;
  for (const std::wstring& name : NamesIn(target.Append(kOldStatusFolderName))) {
    std::optional<base::Value> record = ReadJson(target.Append(kOldStatusFolderName).Append(name));
    EXPECT_TRUE(record) << base::WideToUTF8(name);
    if (record)
      records.push_back(std::move(*record));
  }
  return records;
}

// An upgrade while a file of the version before the last is in use (the
// browser may still run from there): that version's record cannot be acted
// on, so what was deleted of it comes back and the record stays in
// old_status. The next run, with the file free again, removes the files of
// both older versions and their records.
TEST_F(InstallationJobsTest, UpgradeKeepsTheRecordOfFilesInUseForTheNextRun) {
  const base::FilePath first = CopyPackage(L"test_package", L"package");
  const base::FilePath next = CopyPackage(L"test_package_next", L"next");
  CopyPackage(L"test_package_third", L"third");
  ASSERT_EQ(0u, Install(L"package").exit_code);
  TakeLogs();
  const base::Value first_status = Status();
  InstallSuccessfully(L"next");
  const base::Value next_status = Status();
  const base::FilePath first_folder = VersionFolder(GetProductVersion());
  const base::FilePath next_folder = VersionFolder(VELTA_TEST_PACKAGE_NEXT_VERSION);
  const base::FilePath held = first_folder.Append(L"localization\\de.pak");
  base::File open_file = HoldOpen(held);
  ASSERT_TRUE(open_file.IsValid());

  const std::vector<std::string> logs = InstallSuccessfully(L"third");
  open_file.Close();
  const base::Value third_status = Status();
  EXPECT_THAT(logs[2], HasSubstr("Cannot delete " + held.AsUTF8Unsafe()));
  for (const std::wstring& file : ListEntries(first.Append(kFilesListFileName))) {
    EXPECT_EQ(ReadText(first.Append(file)), ReadText(first_folder.Append(file)))
        << base::WideToUTF8(file);
  }
  const std::vector<base::Value> kept = OldStatusRecords(target_);
  ASSERT_EQ(2u, kept.size());
  EXPECT_EQ(first_status, kept[0]);
  EXPECT_EQ(next_status, kept[1]);
  ExpectInstalled(dir_.GetPath().Append(L"third"), target_, VELTA_TEST_PACKAGE_THIRD_VERSION,
                  third_status);

  // The same package again: a version folder of its own beside the first.
  InstallSuccessfully(L"third");
  const base::Value status = Status();
  const std::vector<std::pair<base::FilePath, base::FilePath>> older = {{first, first_folder},
                                                                         {next, next_folder}};
  for (const auto& [package, folder] : older) {
    for (const std::wstring& file : ListEntries(package.Append(kFilesListFileName)))
      EXPECT_FALSE(base::PathExists(folder.Append(file))) << folder.Append(file).AsUTF8Unsafe();
  }
  // Left: the record of the run before, moved aside by this run.
  const std::vector<base::Value> records = OldStatusRecords(target_);
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(third_status, records[0]);
  ExpectInstalled(dir_.GetPath().Append(L"third"), target_,
                  std::string(VELTA_TEST_PACKAGE_THIRD_VERSION) + "_0", status);

  UninstallSuccessfully(status);
}

// An uninstall while a file is in use leaves the file to the clean-up
// script it starts through "cmd.exe". A stand-in cmd.exe beside the running
// installer, where the search for a program looks first, records that call
// and leaves the script in place: it deletes the files and then their
// folders, deepest first. Run for real once the files are free, it completes
// the uninstall and deletes itself.
TEST_F(InstallationJobsTest, UninstallScriptDeletesTheHeldFileThenItsFolders) {
  CopyPackage(L"test_package", L"package");
  InstallSuccessfully(L"package");
  const base::Value status = Status();
  const base::FilePath version_folder = VersionFolder(GetProductVersion());
  const base::FilePath stand_in = version_folder.Append(L"cmd.exe");
  ASSERT_TRUE(base::CopyFile(
      test::GetPathBesideTestExecutable(L"recording_stand_in.exe"), stand_in));
  const base::FilePath held = version_folder.Append(L"localization\\de.pak");
  base::File open_file = HoldOpen(held);
  ASSERT_TRUE(open_file.IsValid());

  const ChildResult uninstall = RunInstalled(GetProductVersion(), {L"uninstall", L"silent"});
  open_file.Close();
  EXPECT_EQ(0u, uninstall.exit_code) << uninstall.output;
  TakeLogs();
  const base::FilePath script = target_.Append(L"k.bat");
  EXPECT_THAT(ReadText(stand_in.AddExtension(L"calls")),
              HasSubstr("/c " + Quoted(script)));
  // Besides the held file, the uninstall's own program and library, which
  // ran from the version folder. Its folders go up to the installation
  // folder, which holds the script.
  const std::string text = ReadText(script);
  EXPECT_THAT(ScriptLines(text, "del"),
              ElementsAre("del " + Quoted(version_folder.Append(L"installer.exe")),
                          "del " + Quoted(version_folder.Append(L"velta_installer.dll")),
                          "del " + Quoted(held), "del %0"));
  EXPECT_THAT(ScriptLines(text, "rmdir"), ElementsAre("rmdir " + Quoted(held.DirName()),
                                                      "rmdir " + Quoted(version_folder)));

  ASSERT_TRUE(base::DeleteFile(stand_in));
  ASSERT_TRUE(base::DeleteFile(stand_in.AddExtension(L"calls")));
  wchar_t system[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH));
  base::CommandLine command_line = base::CommandLine::FromString(
      base::FilePath(system).Append(L"cmd.exe").value() + L" /c \"" + script.value() + L"\"");
  test::ChildOptions quiet;
  quiet.capture_output = true;
  const ChildResult run = test::RunChild(command_line, quiet);
  EXPECT_TRUE(run.exited);
  EXPECT_FALSE(base::PathExists(script));
  EXPECT_FALSE(base::PathExists(held.DirName()));
  ExpectUninstalled(target_, status);
}

// What an edited or damaged status file says that lies outside the
// installation.
enum class Damage {
  // Files, a component, shortcuts and a registry key of someone else's
  // beside the installation's own records.
  kForeignRecords,
  // The same in a legacy XML file, with no JSON file beside it.
  kForeignRecordsInLegacyXml,
  // A subfolder that is a whole path, or one that leads out of the folder.
  kAbsoluteSubfolder,
  kSubfolderOutside,
};

enum class Job { kUninstall, kUpgrade, kRepair };

struct DamagedStatusCase {
  const char* name;
  Damage damage;
  Job job;
  uint32_t exit_code;
};

// `text` fit for an XML attribute or element.
std::string XmlEscaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string XmlFileList(const base::Value& status, const char* key, const char* element) {
  std::string xml = std::string("<") + element + ">";
  if (const base::Value* files = status.FindListKey(key)) {
    for (const base::Value& file : files->GetList())
      xml += "<file>" + XmlEscaped(file.GetString()) + "</file>";
  }
  return xml + "</" + element + ">";
}

// The legacy XML form of the JSON status `status`.
std::string LegacyXml(const base::Value& status) {
  std::string xml = "<install_log version=\"" + XmlEscaped(*status.FindStringKey("version")) +
                    "\" copy_only=\"False\" all_users=\"False\"><path subfolder=\"" +
                    XmlEscaped(*status.FindStringKey("_subfolder")) + "\">" +
                    XmlEscaped(*status.FindStringKey("path")) + "</path>" +
                    XmlFileList(status, "files", "files") +
                    XmlFileList(status, "root_files", "root_files");
  for (const char* hive : {"HKLM", "HKCU"}) {
    const base::Value* keys = status.FindListPath(std::string("registry.") + hive);
    if (!keys || keys->GetList().empty())
      continue;
    xml += std::string("<registry hive=\"") + hive + "\">";
    for (const base::Value& key : keys->GetList()) {
      xml += "<key path=\"" + XmlEscaped(*key.FindStringKey("path")) + "\" clean=\"" +
             std::to_string(*key.FindIntKey("clean")) + "\">";
      for (const base::Value& value : key.FindListKey("values")->GetList()) {
        const std::string* data = value.FindStringKey("data");
        xml += "<value name=\"" + XmlEscaped(*value.FindStringKey("name")) + "\" type=\"" +
               XmlEscaped(*value.FindStringKey("type")) + "\">" +
               XmlEscaped(data ? *data : std::string()) + "</value>";
      }
      xml += "</key>";
    }
    xml += "</registry>";
  }
  if (const base::Value* shortcuts = status.FindDictKey("shortcuts")) {
    for (const auto& [kind, path] : shortcuts->DictItems())
      xml += "<shortcut type=\"" + kind + "\">" + XmlEscaped(path.GetString()) + "</shortcut>";
  }
  if (const base::Value* components = status.FindDictKey("components")) {
    xml += "<components>";
    for (const auto& [name, path] : components->DictItems()) {
      xml += "<component><name>" + XmlEscaped(name) + "</name><path>" +
             XmlEscaped(path.GetString()) + "</path></component>";
    }
    xml += "</components>";
  }
  return xml + "</install_log>";
}

// A key of another program, three levels deep, that a forged record asks
// to delete.
constexpr wchar_t kForeignKey[] = L"Software\\Canary Vendor\\Canary Program";

class DamagedStatusTest : public RepairTest,
                          public ::testing::WithParamInterface<DamagedStatusCase> {
 protected:
  void SetUp() override {
    RepairTest::SetUp();
    outside_ = dir_.GetPath().Append(L"outside");
    ASSERT_TRUE(base::CreateDirectory(outside_));
    for (const wchar_t* name : {L"velta.exe", L"notes.txt", L"root.txt", L"thesis.docx"})
      ASSERT_TRUE(base::WriteFile(outside_.Append(name), "not the installation's"));
    ASSERT_TRUE(base::CopyFile(test::GetPathBesideTestExecutable(L"recording_stand_in.exe"),
                               outside_.Append(L"evil_installer.exe")));
    base::win::RegKey key(HKEY_CURRENT_USER, (std::wstring(kForeignKey) + L"\\Settings").c_str(),
                          KEY_WRITE);
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"Kept", L"yes"));
  }

  void TearDown() override {
    base::win::RegKey(HKEY_CURRENT_USER, L"Software", KEY_ALL_ACCESS).DeleteKey(L"Canary Vendor");
    RepairTest::TearDown();
  }

  // Writes the damage of this case into the status of the installation.
  void WriteDamagedStatus(const base::Value& status) {
    base::Value damaged = status.Clone();
    switch (GetParam().damage) {
      case Damage::kForeignRecords:
      case Damage::kForeignRecordsInLegacyXml: {
        damaged.FindListKey("files")->Append("..\\outside\\notes.txt");
        base::Value root_files(base::Value::Type::LIST);
        if (const base::Value* own = status.FindListKey("root_files"))
          root_files = own->Clone();
        root_files.Append(outside_.Append(L"root.txt").AsUTF8Unsafe());
        damaged.SetKey("root_files", std::move(root_files));
        base::Value foreign(base::Value::Type::DICTIONARY);
        foreign.SetStringKey("path", base::WideToUTF8(kForeignKey) + "\\Settings");
        foreign.SetIntKey("clean", 2);
        foreign.SetKey("values", base::Value(base::Value::Type::LIST));
        damaged.FindListPath("registry.HKCU")->Append(std::move(foreign));
        // The quick launch shortcut's record names a document instead: the
        // shortcut itself stays, unrecorded (the test takes it away).
        damaged.SetStringPath("shortcuts.SC_DEST_QUICK_LAUNCH",
                              outside_.Append(L"thesis.docx").AsUTF8Unsafe());
        damaged.SetStringPath("components.evil", outside_.AsUTF8Unsafe());
        break;
      }
      case Damage::kAbsoluteSubfolder:
        damaged.SetStringKey("_subfolder", outside_.AsUTF8Unsafe());
        break;
      case Damage::kSubfolderOutside:
        damaged.SetStringKey("_subfolder", "..\\outside");
        break;
    }
    const base::FilePath json = target_.Append(kInstallationStatusJsonFileName);
    if (GetParam().damage == Damage::kForeignRecordsInLegacyXml) {
      ASSERT_TRUE(base::DeleteFile(json));
      ASSERT_TRUE(
          base::WriteFile(target_.Append(kInstallationStatusXmlFileName), LegacyXml(damaged)));
    } else {
      ASSERT_TRUE(base::WriteFile(json, AsJson(damaged)));
    }
  }

  // Everything outside the installation is as SetUp made it.
  void ExpectOutsideUntouched() {
    for (const wchar_t* name : {L"velta.exe", L"notes.txt", L"root.txt", L"thesis.docx"}) {
      EXPECT_EQ("not the installation's", ReadText(outside_.Append(name)))
          << base::WideToUTF8(name);
    }
    EXPECT_FALSE(base::PathExists(outside_.Append(L"evil_installer.exe.calls")));
    base::win::RegKey key(HKEY_CURRENT_USER, (std::wstring(kForeignKey) + L"\\Settings").c_str(),
                          KEY_READ);
    std::wstring kept;
    EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"Kept", &kept));
    EXPECT_EQ(L"yes", kept);
  }

  base::FilePath outside_;
};

// A status file edited to name things outside the installation, read by an
// uninstall, an upgrade or a repair: the records that reach out are dropped
// (a version folder that is no folder of the installation makes the whole
// file unusable, and the installation is taken from what is on disk), the
// rest is acted on as before, and nothing outside is touched.
TEST_P(DamagedStatusTest, TouchesNothingOutsideTheInstallation) {
  const base::FilePath package = CopyPackage(L"test_package", L"package");
  CopyPackage(L"test_package_next", L"next");
  InstallSuccessfully(L"package");
  const std::string version = GetProductVersion();
  const base::Value status = Status();
  WriteDamagedStatus(status);
  const base::FilePath json = target_.Append(kInstallationStatusJsonFileName);
  const base::FilePath xml = target_.Append(kInstallationStatusXmlFileName);
  const std::string damaged = ReadText(base::PathExists(json) ? json : xml);

  ChildResult run;
  switch (GetParam().job) {
    case Job::kUninstall:
      run = RunInstalled(version, {L"uninstall", L"silent"});
      break;
    case Job::kUpgrade:
      run = Install(L"next");
      break;
    case Job::kRepair: {
      ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
      test::LocalHttpServer server(dir_.GetPath().Append(L"server"));
      ASSERT_TRUE(server.Start());
      ServePacks(&server, package, std::string(), Offer::kAsPackaged);
      run = Repair(version, server);
      break;
    }
  }
  const std::string logs = base::JoinString(TakeLogs(), "\n");
  EXPECT_EQ(GetParam().exit_code, run.exit_code) << logs;
  ExpectOutsideUntouched();

  // What is left of the installation goes, by its own record where the
  // damaged one is still in place. (An uninstall by a legacy record leaves
  // the legacy file.)
  if (!base::PathExists(VersionFolder(version).Append(L"installer.exe")) &&
      !base::PathExists(VersionFolder(VELTA_TEST_PACKAGE_NEXT_VERSION).Append(L"installer.exe"))) {
    base::DeleteFile(xml);
  }
  if (base::PathExists(xml) || (base::PathExists(json) && ReadText(json) == damaged)) {
    base::DeleteFile(xml);
    ASSERT_TRUE(base::WriteFile(json, AsJson(status)));
  }
  if (base::PathExists(json)) {
    const ChildResult uninstall = Uninstall(Status());
    EXPECT_EQ(0u, uninstall.exit_code) << base::JoinString(TakeLogs(), "\n");
  }
  ExpectOutsideUntouched();
  if (const std::string* quick_launch = status.FindStringPath("shortcuts.SC_DEST_QUICK_LAUNCH"))
    base::DeleteFile(base::FilePath::FromUTF8Unsafe(*quick_launch));
}

INSTANTIATE_TEST_SUITE_P(
    Statuses,
    DamagedStatusTest,
    ::testing::Values(
        DamagedStatusCase{"ForeignRecordsUninstall", Damage::kForeignRecords, Job::kUninstall, 0},
        DamagedStatusCase{"ForeignRecordsUpgrade", Damage::kForeignRecords, Job::kUpgrade, 0},
        DamagedStatusCase{"ForeignRecordsRepair", Damage::kForeignRecords, Job::kRepair, 0},
        DamagedStatusCase{"LegacyForeignRecordsUninstall", Damage::kForeignRecordsInLegacyXml,
                          Job::kUninstall, 0},
        DamagedStatusCase{"AbsoluteSubfolderUninstall", Damage::kAbsoluteSubfolder, Job::kUninstall,
                          0},
        DamagedStatusCase{"AbsoluteSubfolderUpgrade", Damage::kAbsoluteSubfolder, Job::kUpgrade, 0},
        DamagedStatusCase{"SubfolderOutsideUninstall", Damage::kSubfolderOutside, Job::kUninstall,
                          0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta::e2e
