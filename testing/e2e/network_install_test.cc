// Copyright 2026 Velta Software. All rights reserved.

// A silent network installation by the real installer.exe, run from a
// folder that holds no package: it asks the loopback server for the package
// metadata, downloads the package (the test package packed with 7zz at build
// time, behind the installer as a stub), checks its SHA-256, signature and
// version, and hands it to its own backend, which installs it.

#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/child_process.h"
#include "testing/http_server/local_http_server.h"

namespace velta {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
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

class NetworkInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    temp_ = dir_.GetPath().Append(L"temp");
    bin_ = dir_.GetPath().Append(L"bin");
    ASSERT_TRUE(base::CreateDirectory(temp_));
    ASSERT_TRUE(base::CreateDirectory(bin_));
    for (const wchar_t* name : {L"installer.exe", L"velta_installer.dll"}) {
      ASSERT_TRUE(
          base::CopyFile(test::GetPathBesideTestExecutable(name), bin_.Append(name)));
    }
    ASSERT_TRUE(base::CreateDirectory(dir_.GetPath().Append(L"server")));
    server_ = std::make_unique<test::LocalHttpServer>(dir_.GetPath().Append(L"server"));
    ASSERT_TRUE(server_->Start());
  }

  // Serves the packed test package and metadata that names it.
  void ServePackage() {
    std::string package;
    ASSERT_TRUE(base::ReadFileToString(test::FromBuildPath(VELTA_TEST_NETWORK_PACKAGE), &package));
    ASSERT_TRUE(server_->AddFile("velta_package.exe", package));
    ASSERT_TRUE(server_->AddFile(
        "meta", "{\"installer\": \"" + server_->UrlUtf8("/velta_package.exe") +
                    "\", \"installer_checksum\": \"" +
                    CalculateSha256Hex(reinterpret_cast<const uint8_t*>(package.data()),
                                       package.size()) +
                    "\"}"));
    ASSERT_TRUE(
        server_->SetRoutes(R"([{"path": "/prefs", "reply": {"body": "{\"homepage\": 1}"}}])"));
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

  // "METHOD path" of every request, in order.
  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    for (const base::Value& entry : server_->ReadLog())
      requests.push_back(*entry.FindStringKey("method") + " " + *entry.FindStringKey("path"));
    return requests;
  }

  base::ScopedTempDir dir_;
  base::FilePath temp_;
  base::FilePath bin_;
  std::unique_ptr<test::LocalHttpServer> server_;
};

TEST_F(NetworkInstallTest, SilentRunOutsideAPackageFetchesAndInstalls) {
  ServePackage();
  const test::ChildResult run = RunSilently();
  ASSERT_TRUE(run.exited);
  ASSERT_EQ(0u, run.exit_code) << Logs();

  // The metadata, the whole package in one request, then the preference
  // default overrides for the new installation.
  const std::vector<std::string> requests = Requests();
  ASSERT_GE(requests.size(), 3u);
  EXPECT_EQ("GET /meta", requests[0]);
  EXPECT_EQ("GET /velta_package.exe", requests[1]);
  EXPECT_THAT(requests[2], HasSubstr(" /prefs"));
  EXPECT_EQ(3u, requests.size());

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
}

}  // namespace
}  // namespace velta
