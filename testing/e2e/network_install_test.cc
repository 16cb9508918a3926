// Copyright 2026 Velta Software. All rights reserved.

// A silent network installation by the real installer.exe, run from a
// folder that holds no package: it asks the loopback server for the package
// metadata, downloads the package (the test package packed with 7zz at build
// time, behind the installer as a stub), checks its SHA-256, signature and
// version, fetches the additional files, and hands the package to its own
// backend, which installs it. Two roads: an unsigned installer and package
// over plain HTTP, and a signed installer and package over HTTPS with
// additional components and a package download cut halfway.

#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/child_process.h"
#include "testing/e2e/package_install_fixture.h"
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
};

void PrintTo(const NetworkCase& test_case, std::ostream* os) {
  *os << test_case.name;
}

class NetworkInstallTest : public ::testing::TestWithParam<NetworkCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    temp_ = dir_.GetPath().Append(L"temp");
    bin_ = dir_.GetPath().Append(L"bin");
    ASSERT_TRUE(base::CreateDirectory(temp_));
    ASSERT_TRUE(e2e::CopyInstallerFiles(GetParam().signed_over_https
                                            ? SignedFiles().Append(L"bin")
                                            : e2e::BuiltInstallerFolder(),
                                        bin_));
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
           {"velta_package.exe", "partner_content_sfx.exe", "partner_bookmarks.json"}) {
        std::string content;
        ASSERT_TRUE(base::ReadFileToString(
            SignedFiles().Append(L"server").AppendASCII(name), &content));
        ASSERT_TRUE(server_->AddFile(name, content));
      }
      ASSERT_TRUE(base::ReadFileToString(SignedFiles().Append(L"metadata_template.json"),
                                         &metadata));
      base::ReplaceSubstringsAfterOffset(&metadata, 0, "@SERVER@", server_->UrlUtf8(""));
    } else {
      std::string package;
      ASSERT_TRUE(
          base::ReadFileToString(test::FromBuildPath(VELTA_TEST_NETWORK_PACKAGE), &package));
      ASSERT_TRUE(server_->AddFile("velta_package.exe", package));
      metadata = "{\"installer\": \"" + server_->UrlUtf8("/velta_package.exe") +
                 "\", \"installer_checksum\": \"" +
                 CalculateSha256Hex(reinterpret_cast<const uint8_t*>(package.data()),
                                    package.size()) +
                 "\"}";
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

  test::ChildResult RunSilently() {
    base::CommandLine command_line(bin_.Append(L"installer.exe"));
    command_line.AppendSwitch("silent");
    command_line.AppendSwitchASCII("enable-installer-stats", "0");
    command_line.AppendSwitchPath("installfolder", InstallFolder());
    command_line.AppendSwitchNative("internal-package-server", server_->Url("/meta"));
    command_line.AppendSwitchNative("local-pref-default-overrides-server", server_->Url("/prefs"));
    test::ChildOptions options;
    options.timeout = base::TimeDelta::FromSeconds(240);
    options.launch.environment[L"TEMP"] = temp_.value();
    options.launch.environment[L"TMP"] = temp_.value();
    return test::RunChild(command_line, options);
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

  // "METHOD path" of every request, in order, with " range=<Range header>"
  // and " -> <status>" for package requests.
  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    for (const base::Value& entry : server_->ReadLog()) {
      std::string request = *entry.FindStringKey("method") + " " + *entry.FindStringKey("path");
      if (request == "GET /velta_package.exe") {
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
};

TEST_P(NetworkInstallTest, SilentRunOutsideAPackageFetchesAndInstalls) {
  ServePackage();
  const test::ChildResult run = RunSilently();
  ASSERT_TRUE(run.exited);
  ASSERT_EQ(0u, run.exit_code) << Logs();

  // The metadata, the package (a cut one resumed where it broke off), the
  // additional files in the metadata's order, then the preference default
  // overrides for the new installation.
  std::vector<std::string> expected = {"GET /meta"};
  if (GetParam().cut) {
    expected.push_back("GET /velta_package.exe -> 200");
    expected.push_back("GET /velta_package.exe range=bytes=" + base::NumberToString(cut_after_) +
                       "- -> 206");
  } else {
    expected.push_back("GET /velta_package.exe -> 200");
  }
  if (GetParam().signed_over_https) {
    expected.push_back("GET /partner_bookmarks.json");
    expected.push_back("GET /partner_content_sfx.exe");
  }
  std::vector<std::string> requests = Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_THAT(requests.back(), HasSubstr(" /prefs"));
  requests.pop_back();
  EXPECT_EQ(expected, requests) << Logs();

  // One version folder, holding every file of the package's list as packed.
  const base::FilePath package = test::FromBuildPath(VELTA_TEST_PACKAGE_DIR);
  base::FileEnumerator folders(InstallFolder(), false, base::FileEnumerator::DIRECTORIES);
  std::vector<base::FilePath> version_folders;
  for (base::FilePath folder = folders.Next(); !folder.empty(); folder = folders.Next()) {
    if (folder.BaseName().value() != L"old_status")
      version_folders.push_back(folder);
  }
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
  EXPECT_THAT(status, HasSubstr("\"partner_bookmarks.json\""));
  EXPECT_THAT(status, HasSubstr("\"partner_content_installer.exe\""));
  // The metadata's welcome page reached the installer's preferences.
  std::string prefs;
  ASSERT_TRUE(base::ReadFileToString(InstallFolder().Append(L"installer_prefs.json"), &prefs));
  EXPECT_THAT(prefs, HasSubstr(server_->UrlUtf8("/welcome")));
}

INSTANTIATE_TEST_SUITE_P(
    Roads,
    NetworkInstallTest,
    ::testing::Values(NetworkCase{"unsigned_over_http", false, false},
                      NetworkCase{"signed_over_https_with_a_cut", true, true}),
    [](const ::testing::TestParamInfo<NetworkCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
