// Copyright 2026 Velta Software. All rights reserved.

// A silent network installation by the real installer.exe, run from a
// folder that holds no package: it asks the loopback server for the package
// metadata, downloads the package (the test package packed with 7zz at build
// time, behind the installer as a stub), checks its SHA-256, signature and
// version, fetches the additional files, and hands the package to its own
// backend, which installs it. Two roads: an unsigned installer and package
// over plain HTTP, and a signed installer and package over HTTPS with
// additional components and a package download cut halfway; and a minimal
// package whose resource packs for the chosen language come as additional
// files.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/threading/platform_thread.h"
#include "base/values.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"
#include "e2e/process_tree.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using ::testing::HasSubstr;

// The relative names listed in the unpacked package's list file `name`.
std::vector<std::wstring> ListedFiles(const base::FilePath& package, const wchar_t* name) {
  std::string text;
  EXPECT_TRUE(base::ReadFileToString(package.Append(name), &text));
  std::vector<std::wstring> files;
  for (const std::string& line :
       base::SplitString(text, "\r\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    files.push_back(base::UTF8ToWide(line));
  }
  return files;
}

std::string Sha256Hex(const std::string& data) {
  return CalculateSha256Hex(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

// The relative "/" names of the build's resource packs, sorted.
std::vector<std::string> PackNames() {
  const base::FilePath packs = test::FromBuildPath(VELTA_TEST_RESOURCE_PACKS_DIR);
  std::vector<std::string> names;
  base::FileEnumerator files(packs, true, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    base::FilePath relative;
    if (file.BaseName().value() == L"stamp" || !packs.AppendRelativePath(file, &relative))
      continue;
    std::string name = relative.AsUTF8Unsafe();
    base::ReplaceChars(name, "\\", "/", &name);
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// The "files" the status text records, as written.
std::vector<std::string> RecordedFiles(const std::string& status) {
  std::vector<std::string> files;
  std::optional<base::Value> value = base::JSONReader::Read(status);
  const base::Value* list = value ? value->FindListKey("files") : nullptr;
  EXPECT_TRUE(list) << status;
  if (!list)
    return files;
  for (const base::Value& file : list->GetList()) {
    if (file.is_string())
      files.push_back(file.GetString());
  }
  return files;
}

bool SameContent(const base::FilePath& a, const base::FilePath& b) {
  std::string first;
  std::string second;
  return base::ReadFileToString(a, &first) && base::ReadFileToString(b, &second) &&
         first == second;
}

struct NetworkCase {
  const char* name;
  // HTTPS, the signed installer and package, and the additional components
  // of make_network_install_files.py.
  bool signed_over_https;
  // The first package request is cut after half of the package.
  bool cut;
  // The minimal package (installer-use-minimal-package) and the packs.
  bool minimal = false;
};

void PrintTo(const NetworkCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class NetworkInstallTest : public ::testing::TestWithParam<NetworkCase> {
 protected:
  void TearDown() override {
    // A program a run left running would hold the test's output open.
    for (const std::wstring& program : test::EndProgramsIn(dir_.GetPath()))
      printf("Ended a program the runs left running: %ls\n", program.c_str());
  }

  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    temp_ = dir_.GetPath().Append(L"temp");
    bin_ = dir_.GetPath().Append(L"bin");
    ASSERT_TRUE(base::CreateDirectory(temp_));
    ASSERT_TRUE(GetParam().signed_over_https
                    ? test::CopyInstallerFiles(bin_, SignedFiles().Append(L"bin"))
                    : test::CopyInstallerFiles(bin_));
    ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
    server_ = std::make_unique<test::LocalHttpServer>(dir_.GetPath().Append(L"server"));
    ASSERT_TRUE(server_->Start(GetParam().signed_over_https
                                   ? test::LocalHttpServer::Scheme::kHttps
                                   : test::LocalHttpServer::Scheme::kHttp));
  }

  static base::FilePath SignedFiles() {
    return test::FromBuildPath(VELTA_TEST_SIGNED_NETWORK_DIR);
  }

  // Serves the package and metadata that names it: the packed test package,
  // or the signed files with their metadata.
  void ServePackage() {
    std::string metadata;
    if (GetParam().signed_over_https) {
      for (const char* name :
           {"velta_package.exe", "partner_content_sfx.exe", "partner_bookmarks.json",
            "assistant_sfx.exe"}) {
        std::string content;
        ASSERT_TRUE(base::ReadFileToString(
            SignedFiles().Append(L"server").AppendASCII(name), &content));
        ASSERT_TRUE(server_->AddFile(name, content));
      }
      ASSERT_TRUE(base::ReadFileToString(SignedFiles().Append(L"metadata_template.json"),
                                         &metadata));
      base::ReplaceSubstringsAfterOffset(&metadata, 0, "@SERVER@", server_->UrlUtf8(""));
      if (!extra_components_.GetList().empty()) {
        std::optional<base::Value> reply = base::JSONReader::Read(metadata);
        ASSERT_TRUE(reply && reply->FindListKey("components"));
        for (const base::Value& component : extra_components_.GetList())
          reply->FindListKey("components")->Append(component.Clone());
        ASSERT_TRUE(base::JSONWriter::Write(*reply, &metadata));
      }
    } else {
      base::Value reply(base::Value::Type::DICTIONARY);
      Offer(&reply, "installer", "velta_package.exe",
            test::FromBuildPath(VELTA_TEST_NETWORK_PACKAGE));
      if (GetParam().minimal) {
        Offer(&reply, "minimal_installer", "velta_minimal_package.exe",
              test::FromBuildPath(VELTA_TEST_MINIMAL_NETWORK_PACKAGE));
        reply.SetKey("components", OfferPacks());
      }
      ASSERT_TRUE(base::JSONWriter::Write(reply, &metadata));
    }
    ASSERT_TRUE(server_->AddFile("meta", metadata));
    std::string routes = R"([{"path": "/prefs", "reply": {"body": "{\"homepage\": 1}"}})";
    if (GetParam().cut) {
      int64_t size = 0;
      ASSERT_TRUE(base::GetFileSize(server_->root().Append(L"velta_package.exe"), &size));
      cut_after_ = size / 2;
      routes += R"(, {"path": "/velta_package.exe", "replies": [)"
                R"({"body_file": "velta_package.exe", "cut_after": )" +
                base::NumberToString(cut_after_) + R"(}, {"body_file": "velta_package.exe"}]})";
    }
    ASSERT_TRUE(server_->SetRoutes(routes + "]"));
  }

  // Serves `file` as `name`; `key` of `reply` names it, `key` + "_checksum"
  // holds its SHA-256.
  void Offer(base::Value* reply, const std::string& key, const std::string& name,
             const base::FilePath& file) {
    std::string content;
    ASSERT_TRUE(base::ReadFileToString(file, &content));
    ASSERT_TRUE(server_->AddFile(name, content));
    reply->SetStringKey(key, server_->UrlUtf8("/" + name));
    reply->SetStringKey(key + "_checksum", Sha256Hex(content));
  }

  // Serves `content` as /extra/<served_name> and lists it after the signed
  // road's components as a plain partner file named `file_name`.
  void OfferPlainFile(const std::string& file_name,
                      const std::string& served_name,
                      const std::string& content) {
    ASSERT_TRUE(server_->AddFile("extra/" + served_name, content));
    base::Value component(base::Value::Type::DICTIONARY);
    component.SetStringKey("location", server_->UrlUtf8("/extra/" + served_name));
    component.SetStringKey("type", "partner_content");
    component.SetBoolKey("archive", false);
    component.SetStringKey("checksum", Sha256Hex(content));
    component.SetStringKey("filename", file_name);
    extra_components_.Append(std::move(component));
  }

  // Every resource pack the minimal package left out, under /packs/, as the
  // metadata's downloadable resources in the order of their names.
  base::Value OfferPacks() {
    base::Value components(base::Value::Type::LIST);
    const base::FilePath packs = test::FromBuildPath(VELTA_TEST_RESOURCE_PACKS_DIR);
    for (const std::string& name : PackNames()) {
      std::string content;
      EXPECT_TRUE(
          base::ReadFileToString(packs.Append(base::FilePath::FromUTF8Unsafe(name)), &content));
      EXPECT_TRUE(server_->AddFile("packs/" + name, content));
      components.Append(
          test::DownloadableResourceComponent(server_->UrlUtf8("/packs/" + name), name, content));
    }
    return components;
  }

  test::ChildResult RunSilently() {
    test::ChildOptions options;
    options.timeout = base::TimeDelta::FromSeconds(240);
    options.launch = LaunchOptions();
    return test::RunChild(SilentCommandLine(), options);
  }

  // The silent run's environment: the test's own TEMP.
  base::LaunchOptions LaunchOptions() const {
    base::LaunchOptions options;
    options.environment[L"TEMP"] = temp_.value();
    options.environment[L"TMP"] = temp_.value();
    return options;
  }

  base::CommandLine SilentCommandLine() const {
    base::CommandLine command_line(bin_.Append(L"installer.exe"));
    command_line.AppendSwitch("silent");
    if (GetParam().signed_over_https)
      command_line.AppendSwitch("install-assistant");
    if (GetParam().minimal) {
      command_line.AppendSwitch("with-feature:installer-use-minimal-package");
      command_line.AppendSwitchASCII("language", "de");
    }
    command_line.AppendSwitchASCII("enable-installer-stats", "0");
    command_line.AppendSwitchPath("installfolder", InstallFolder());
    command_line.AppendSwitchNative("internal-package-server", server_->Url("/meta"));
    command_line.AppendSwitchNative("local-pref-default-overrides-server", server_->Url("/prefs"));
    return command_line;
  }

  // The installer's log files, for a failure's message.
  std::string Logs() const {
    std::string text;
    base::FileEnumerator logs(temp_.Append(L"Velta Installer"), false,
                              base::FileEnumerator::FILES, L"*.log");
    for (base::FilePath log = logs.Next(); !log.empty(); log = logs.Next()) {
      std::string content;
      base::ReadFileToString(log, &content);
      text += log.AsUTF8Unsafe() + ":\n" + content;
    }
    return text;
  }

  base::FilePath InstallFolder() const { return dir_.GetPath().Append(L"Velta"); }

  // The installation's version folders: all but the old status records and
  // the assistant's folder.
  std::vector<base::FilePath> VersionFolders() const {
    base::FileEnumerator folders(InstallFolder(), false, base::FileEnumerator::DIRECTORIES);
    std::vector<base::FilePath> version_folders;
    for (base::FilePath folder = folders.Next(); !folder.empty(); folder = folders.Next()) {
      if (folder.BaseName().value() != L"old_status" && folder.BaseName().value() != L"assistant")
        version_folders.push_back(folder);
    }
    return version_folders;
  }

  // "METHOD path" of every request, in order, with " range=<Range header>"
  // and " -> <status>" for package requests.
  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    for (const base::Value& entry : server_->ReadLog()) {
      std::string request = *entry.FindStringKey("method") + " " + *entry.FindStringKey("path");
      if (request == "GET /velta_package.exe" || request == "GET /velta_minimal_package.exe") {
        const std::string* range = entry.FindStringKey("range");
        if (range)
          request += " range=" + *range;
        request += " -> " + base::NumberToString(entry.FindIntKey("status").value_or(0));
      }
      requests.push_back(request);
    }
    return requests;
  }

  base::ScopedTempDir dir_;
  base::FilePath temp_;
  base::FilePath bin_;
  std::unique_ptr<test::LocalHttpServer> server_;
  int64_t cut_after_ = 0;
  // Components the signed road's metadata lists after its own.
  base::Value extra_components_{base::Value::Type::LIST};
};

TEST_P(NetworkInstallTest, SilentRunOutsideAPackageFetchesAndInstalls) {
  ServePackage();
  const test::ChildResult run = RunSilently();
  ASSERT_TRUE(run.exited);
  ASSERT_EQ(0u, run.exit_code) << Logs();

  // The metadata (for a minimal package with the packs it wants), the
  // package (a cut one resumed where it broke off), the additional files in
  // the metadata's order, then the preference default overrides for the new
  // installation.
  std::vector<std::string> requests = Requests();
  ASSERT_FALSE(requests.empty());
  std::vector<std::string> packs;
  std::vector<std::string> expected;
  if (GetParam().minimal) {
    // The language's pack first, then those of the display scales in use.
    const std::string query = "GET /meta?additional_files=";
    ASSERT_TRUE(base::StartsWith(requests[0], query, base::CompareCase::SENSITIVE))
        << requests[0];
    packs = base::SplitString(requests[0].substr(query.size()), ",", base::KEEP_WHITESPACE,
                              base::SPLIT_WANT_ALL);
    ASSERT_FALSE(packs.empty());
    EXPECT_EQ("localization/de.pak", packs[0]);
    expected = {requests[0], "GET /velta_minimal_package.exe -> 200"};
    std::vector<std::string> in_metadata_order = packs;
    std::sort(in_metadata_order.begin(), in_metadata_order.end());
    for (const std::string& pack : in_metadata_order)
      expected.push_back("GET /packs/" + pack);
  } else {
    expected = {"GET /meta"};
    if (GetParam().cut) {
      expected.push_back("GET /velta_package.exe -> 200");
      expected.push_back("GET /velta_package.exe range=bytes=" +
                         base::NumberToString(cut_after_) + "- -> 206");
    } else {
      expected.push_back("GET /velta_package.exe -> 200");
    }
  }
  if (GetParam().signed_over_https) {
    expected.push_back("GET /partner_bookmarks.json");
    expected.push_back("GET /partner_content_sfx.exe");
    expected.push_back("GET /assistant_sfx.exe");
  }
  EXPECT_THAT(requests.back(), HasSubstr(" /prefs"));
  requests.pop_back();
  if (GetParam().cut) {
    // After the cut reply Wine's WinINet now and then gives the next request
    // an empty body from its pooled connection ("below response size"): the
    // downloader asks again, which is the retry working, not an extra file.
    const auto first_additional =
        std::find(requests.begin(), requests.end(), "GET /partner_bookmarks.json");
    requests.erase(std::unique(first_additional, requests.end()), requests.end());
  }
  EXPECT_EQ(expected, requests) << Logs();

  // One version folder (beside the old status records and the assistant's
  // folder), holding every file of the package's list as packed.
  const base::FilePath package = test::FromBuildPath(
      GetParam().minimal ? VELTA_TEST_MINIMAL_PACKAGE_DIR : VELTA_TEST_PACKAGE_DIR);
  const std::vector<base::FilePath> version_folders = VersionFolders();
  ASSERT_EQ(1u, version_folders.size());
  for (const std::wstring& file : ListedFiles(package, L"files_list")) {
    EXPECT_TRUE(SameContent(package.Append(file), version_folders[0].Append(file)))
        << base::WideToUTF8(file);
  }
  for (const std::wstring& file : ListedFiles(package, L"root_files_list"))
    EXPECT_TRUE(base::PathExists(InstallFolder().Append(file))) << base::WideToUTF8(file);
  EXPECT_TRUE(base::PathExists(InstallFolder().Append(L"launcher.exe")));

  std::string status;
  ASSERT_TRUE(
      base::ReadFileToString(InstallFolder().Append(L"installation_status.json"), &status));
  EXPECT_THAT(status, HasSubstr(base::WideToUTF8(version_folders[0].BaseName().value())));
  const std::vector<std::string> recorded = RecordedFiles(status);
  // A minimal installation: the packs it asked for, as served, recorded
  // with its files; the others left for a repair, which the mark asks for.
  const base::FilePath served_packs = test::FromBuildPath(VELTA_TEST_RESOURCE_PACKS_DIR);
  for (const std::string& pack : GetParam().minimal ? PackNames() : std::vector<std::string>()) {
    const bool fetched = Has(packs, pack);
    const base::FilePath relative = base::FilePath::FromUTF8Unsafe(pack).NormalizePathSeparators();
    EXPECT_EQ(fetched, SameContent(served_packs.Append(relative),
                                   version_folders[0].Append(relative)))
        << pack;
    EXPECT_EQ(fetched, Has(recorded, relative.AsUTF8Unsafe())) << pack;
  }
  EXPECT_EQ(GetParam().minimal, base::PathExists(version_folders[0].Append(L"minimal_install")));
  if (!GetParam().signed_over_https)
    return;
  // The additional files went into the package's folder, and so into the
  // installation: the plain one as served, the component installer that the
  // self-extracting archive extracted (a copy of itself).
  const base::FilePath served = SignedFiles().Append(L"server");
  EXPECT_TRUE(SameContent(served.Append(L"partner_bookmarks.json"),
                          version_folders[0].Append(L"partner_bookmarks.json")));
  EXPECT_TRUE(SameContent(served.Append(L"partner_content_sfx.exe"),
                          version_folders[0].Append(L"partner_content_installer.exe")));
  EXPECT_FALSE(
      base::PathExists(version_folders[0].Append(L"partner_content_installer.exe_sfx.exe")));
  EXPECT_TRUE(Has(recorded, "partner_bookmarks.json"));
  EXPECT_TRUE(Has(recorded, "partner_content_installer.exe"));
  // The assistant's archive extracted its installer into a download folder
  // of its own; the installation ran it with the component's own folder and
  // recorded it as a component, and never among the browser's files.
  const base::FilePath assistant = InstallFolder().Append(L"assistant");
  std::string calls;
  ASSERT_TRUE(base::ReadFileToString(assistant.Append(L"component_calls"), &calls)) << Logs();
  const std::vector<std::string> runs =
      base::SplitString(calls, "\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  ASSERT_EQ(1u, runs.size()) << calls;
  const base::CommandLine run_line = base::CommandLine::FromString(base::UTF8ToWide(runs[0]));
  EXPECT_EQ(L"assistant_installer.exe", run_line.GetProgram().BaseName().value());
  EXPECT_EQ(assistant, run_line.GetSwitchValuePath("installfolder"));
  EXPECT_EQ("0", run_line.GetSwitchValueASCII("copyonly"));
  EXPECT_EQ("0", run_line.GetSwitchValueASCII("allusers"));
  std::optional<base::Value> record = base::JSONReader::Read(status);
  ASSERT_TRUE(record);
  const std::string* component = record->FindStringPath("components.assistant");
  ASSERT_TRUE(component) << status;
  EXPECT_EQ(assistant.AsUTF8Unsafe(), *component);
  EXPECT_FALSE(base::PathExists(version_folders[0].Append(L"assistant_installer.exe")));
  for (const std::string& file : recorded)
    EXPECT_THAT(file, ::testing::Not(HasSubstr("assistant"))) << file;
  // The metadata's welcome page reached the installer's preferences.
  std::string prefs;
  ASSERT_TRUE(base::ReadFileToString(InstallFolder().Append(L"installer_prefs.json"), &prefs));
  EXPECT_THAT(prefs, HasSubstr(server_->UrlUtf8("/welcome")));
}

// A plain file's name that hides what Windows makes of it: a NUL that cuts
// it, a character no name holds, or a type Windows runs or opens as code
// (also behind the short name it may give the file).
struct HiddenName {
  std::string_view file_name;
  const char* served;
  // The name the file would have had in the version folder.
  const char* kept;
  // The line of a name refused before its fetch; null for a type refused
  // once fetched.
  const char* refused_name_line;
};

using namespace std::literals;

constexpr HiddenName kHiddenNames[] = {
    {"tool.bat.\0"sv, "nul_script", "tool.bat",
     "Refusing the additional file name tool.bat.\\u0000"},
    {"velta_100_percent.pak\0"sv, "nul_pack", "velta_100_percent.pak",
     "Refusing the additional file name velta_100_percent.pak\\u0000"},
    {"partner|tool.txt", "bar", "partner|tool.txt",
     "Refusing the additional file name partner|tool.txt"},
    {"partner_help.chm", "chm", "partner_help.chm", nullptr},
    {"partner.jar", "jar", "partner.jar", nullptr},
    {"partner.wsc", "wsc", "partner.wsc", nullptr},
    {"partner.sct", "sct", "partner.sct", nullptr},
    {"partner.appref-ms", "appref", "partner.appref-ms", nullptr},
    {"partner.application", "application", "partner.application", nullptr},
    {"partner.settingcontent-ms", "settings", "partner.settingcontent-ms", nullptr},
    {"partner.library-ms", "library_ms", "partner.library-ms", nullptr},
    {"partner.searchConnector-ms", "search", "partner.searchConnector-ms", nullptr},
    {"partner_setup.batx", "batx", "partner_setup.batx", nullptr},
};

// The signed road, whose metadata also offers plain files that match their
// checksums but would replace the package's own files after its signature
// check or a file the fetch writes, or bring programs the company did not
// sign, under a program's name or another.
class SignedNetworkInstallTest : public NetworkInstallTest {};

TEST_P(SignedNetworkInstallTest, PlainFilesNeitherReplacePackageFilesNorBringUnsignedPrograms) {
  std::string signed_program;
  ASSERT_TRUE(base::ReadFileToString(
      SignedFiles().Append(L"server").Append(L"partner_content_sfx.exe"), &signed_program));
  OfferPlainFile("velta.exe", "browser", "not the browser\n");
  OfferPlainFile("Localization/DE.pak", "pack", "not the pack\n");
  OfferPlainFile("partner_tool.exe", "unsigned_tool", "MZ not signed\n");
  OfferPlainFile("partner_signed_tool.exe", "signed_tool", signed_program);
  OfferPlainFile("pref_default_overrides", "overrides", "{\"homepage\": 2}");
  OfferPlainFile("partner_setup.bat", "script", "@echo off\r\n");
  std::string unsigned_library;
  ASSERT_TRUE(base::ReadFileToString(SignedFiles().Append(L"bin").Append(L"velta_installer.dll"),
                                     &unsigned_library));
  OfferPlainFile("partner_data.bin", "library", unsigned_library);
  for (const HiddenName& hidden : kHiddenNames)
    OfferPlainFile(std::string(hidden.file_name), hidden.served, "@echo off\r\n");
  OfferPlainFile("partner_signed_help.chm", "signed_help", signed_program);
  OfferPlainFile("partner_empty.json", "empty", "");
  ServePackage();
  const test::ChildResult run = RunSilently();
  ASSERT_TRUE(run.exited);
  ASSERT_EQ(0u, run.exit_code) << Logs();

  // Each was fetched, then refused or installed; the rest went on.
  const std::vector<std::string> requests = Requests();
  for (const char* request :
       {"GET /extra/browser", "GET /extra/pack", "GET /extra/unsigned_tool",
        "GET /extra/signed_tool", "GET /extra/overrides", "GET /extra/script",
        "GET /extra/library"}) {
    EXPECT_TRUE(Has(requests, request)) << request;
  }
  const std::vector<base::FilePath> version_folders = VersionFolders();
  ASSERT_EQ(1u, version_folders.size());
  const base::FilePath installed = version_folders[0];
  const base::FilePath package = test::FromBuildPath(VELTA_TEST_PACKAGE_DIR);
  EXPECT_TRUE(SameContent(package.Append(L"velta.exe"), installed.Append(L"velta.exe")));
  EXPECT_TRUE(SameContent(package.Append(L"localization\\de.pak"),
                          installed.Append(L"localization\\de.pak")));
  for (const wchar_t* refused : {L"partner_tool.exe", L"partner_setup.bat", L"partner_data.bin"})
    EXPECT_FALSE(base::PathExists(installed.Append(refused))) << refused;
  EXPECT_TRUE(SameContent(SignedFiles().Append(L"server").Append(L"partner_content_sfx.exe"),
                          installed.Append(L"partner_signed_tool.exe")));
  EXPECT_TRUE(SameContent(SignedFiles().Append(L"server").Append(L"partner_bookmarks.json"),
                          installed.Append(L"partner_bookmarks.json")));

  std::string status;
  ASSERT_TRUE(
      base::ReadFileToString(InstallFolder().Append(L"installation_status.json"), &status));
  const std::vector<std::string> recorded = RecordedFiles(status);
  EXPECT_TRUE(Has(recorded, "partner_signed_tool.exe")) << status;
  EXPECT_TRUE(Has(recorded, "partner_bookmarks.json")) << status;
  for (const char* refused : {"partner_tool.exe", "Localization\\DE.pak",
                              "pref_default_overrides", "partner_setup.bat", "partner_data.bin"}) {
    EXPECT_FALSE(Has(recorded, refused)) << status;
  }

  // The preference default overrides are those the fetch asked for.
  std::string overrides;
  ASSERT_TRUE(
      base::ReadFileToString(InstallFolder().Append(L"pref_default_overrides"), &overrides));
  EXPECT_EQ("{\"homepage\": 1}", overrides);

  const std::string logs = Logs();
  EXPECT_THAT(logs, HasSubstr("Refusing the additional file velta.exe: the package holds a file "
                              "of that name"));
  EXPECT_THAT(logs, HasSubstr("Refusing the additional file Localization/DE.pak: the package "
                              "holds a file of that name"));
  EXPECT_THAT(logs,
              HasSubstr("Failed verifying signature of the additional file partner_tool.exe"));
  EXPECT_THAT(logs, HasSubstr("Refusing the additional file pref_default_overrides: the package "
                              "holds a file of that name"));
  EXPECT_THAT(logs, HasSubstr("Failed verifying signature of the additional file "
                              "partner_setup.bat, a type Windows runs or loads"));
  EXPECT_THAT(logs, HasSubstr("Failed verifying signature of the additional file "
                              "partner_data.bin, a program by its content"));

  // A name Windows would cut, or a type it runs, is refused with its line;
  // nothing of it lands, and a package file keeps its bytes.
  for (const HiddenName& hidden : kHiddenNames) {
    SCOPED_TRACE(hidden.served);
    const bool fetched = !hidden.refused_name_line;
    EXPECT_EQ(fetched, Has(requests, std::string("GET /extra/") + hidden.served));
    EXPECT_THAT(logs, HasSubstr(fetched ? std::string("Failed verifying signature of the "
                                                      "additional file ") +
                                              hidden.kept + ", a type Windows runs or loads"
                                        : hidden.refused_name_line));
    const base::FilePath kept = installed.AppendASCII(hidden.kept);
    if (base::PathExists(package.AppendASCII(hidden.kept))) {
      EXPECT_TRUE(SameContent(package.AppendASCII(hidden.kept), kept));
    } else {
      EXPECT_FALSE(base::PathExists(kept));
      EXPECT_FALSE(Has(recorded, hidden.kept)) << status;
    }
  }
  // A program the company signed is installed under such a type; an empty
  // file has the checksum of no bytes.
  EXPECT_TRUE(SameContent(SignedFiles().Append(L"server").Append(L"partner_content_sfx.exe"),
                          installed.Append(L"partner_signed_help.chm")));
  EXPECT_TRUE(Has(recorded, "partner_signed_help.chm")) << status;
  int64_t empty_size = -1;
  EXPECT_TRUE(base::GetFileSize(installed.Append(L"partner_empty.json"), &empty_size));
  EXPECT_EQ(0, empty_size);
  EXPECT_TRUE(Has(recorded, "partner_empty.json")) << status;
}

// What the runs left in the download folder ("Velta Installer" in TEMP):
// package folders and temporary files, by name relative to the folder.
std::vector<std::wstring> DownloadLeftovers(const base::FilePath& download_folder) {
  std::vector<std::wstring> names;
  base::FileEnumerator all(download_folder, /*recursive=*/true,
                           base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = all.Next(); !path.empty(); path = all.Next()) {
    const std::wstring relative = path.value().substr(download_folder.value().size() + 1);
    if (!base::EndsWith(relative, L".log", base::CompareCase::INSENSITIVE_ASCII))
      names.push_back(relative);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class KilledDownloadTest : public NetworkInstallTest {};

// A run killed while it downloads the package leaves its part of the
// package in the download folder; the next run, once that one has ended,
// removes it and installs.
TEST_P(KilledDownloadTest, NextRunRemovesWhatTheKilledOneLeft) {
  ServePackage();
  int64_t size = 0;
  ASSERT_TRUE(base::GetFileSize(server_->root().Append(L"velta_package.exe"), &size));
  const std::string stalled_routes =
      R"([{"path": "/prefs", "reply": {"body": "{\"homepage\": 1}"}},)"
      R"( {"path": "/velta_package.exe", "reply": {"body_file": "velta_package.exe",)"
      R"( "stall_after": )" + base::NumberToString(size / 2) + R"(, "stall_seconds": 120}}])";
  ASSERT_TRUE(server_->SetRoutes(stalled_routes));

  const base::FilePath download_folder = temp_.Append(L"Velta Installer");
  base::Process killed = base::LaunchProcess(SilentCommandLine(), LaunchOptions());
  ASSERT_TRUE(killed.IsValid());
  // Until the package's file is open and its request answered in part (the
  // server then stalls).
  auto downloading = [this, &download_folder] {
    base::FileEnumerator folders(download_folder, /*recursive=*/false,
                                 base::FileEnumerator::DIRECTORIES, L"velta_package_*");
    const base::FilePath folder = folders.Next();
    const std::vector<std::string> requests = Requests();
    return !folder.empty() && base::PathExists(folder.Append(L"velta_package")) &&
           std::any_of(requests.begin(), requests.end(), [](const std::string& request) {
             return base::StartsWith(request, "GET /velta_package.exe");
           });
  };
  for (int i = 0; i < 1200 && !downloading(); ++i)
    base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(50));
  ASSERT_TRUE(downloading());
  // The stalled reply's first half on its way.
  base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(500));
  for (const std::wstring& program : test::EndProgramsIn(bin_))
    printf("Ended the downloading run: %ls\n", program.c_str());
  uint32_t exit_code = 0;
  EXPECT_TRUE(test::WaitForChildExit(killed, base::TimeDelta::FromSeconds(30), &exit_code));
  const std::vector<std::wstring> left = DownloadLeftovers(download_folder);
  for (const std::wstring& n : DownloadLeftovers(temp_)) printf("TEMPTREE %ls\n", n.c_str());
  ASSERT_FALSE(left.empty());

  ServePackage();
  const test::ChildResult run = RunSilently();
  EXPECT_EQ(0u, run.exit_code) << Logs();
  EXPECT_EQ(1u, VersionFolders().size());
  EXPECT_EQ(std::vector<std::wstring>(), DownloadLeftovers(download_folder))
      << "left by the killed run: " << base::WideToUTF8(base::JoinString(left, L", "));
}

INSTANTIATE_TEST_SUITE_P(Roads,
                         KilledDownloadTest,
                         ::testing::Values(NetworkCase{"unsigned_over_http", false, false}),
                         [](const ::testing::TestParamInfo<NetworkCase>& info) {
                           return std::string(info.param.name);
                         });

INSTANTIATE_TEST_SUITE_P(Roads,
                         SignedNetworkInstallTest,
                         ::testing::Values(NetworkCase{"signed_over_https", true, false}),
                         [](const ::testing::TestParamInfo<NetworkCase>& info) {
                           return std::string(info.param.name);
                         });

INSTANTIATE_TEST_SUITE_P(
    Roads,
    NetworkInstallTest,
    ::testing::Values(NetworkCase{"unsigned_over_http", false, false},
                      NetworkCase{"signed_over_https_with_a_cut", true, true},
                      NetworkCase{"minimal_over_http", false, false, true}),
    [](const ::testing::TestParamInfo<NetworkCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
