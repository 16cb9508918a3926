// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/test_fetch_support.h"

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/values.h"
#include "base/version.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "gtest/gtest.h"
#include "testing/http_server/local_http_server.h"

namespace velta::test {

bool FakeFileVersionUtils::GetVersionFromResources(const std::wstring& path,
                                                   base::Version* version,
                                                   base::Version* internal_version,
                                                   std::wstring* stream) {
  asked.push_back(base::FilePath(path));
  if (!found_in_resources)
    return false;
  *version = base::Version(this->version);
  *internal_version = base::Version(this->internal_version);
  if (stream)
    *stream = base::UTF8ToWide(this->stream);
  return true;
}

bool FakeFileVersionUtils::GetVersionFromExeOutput(const base::FilePath& exe,
                                                   base::Version* version,
                                                   base::Version* internal_version,
                                                   std::string* stream) {
  asked.push_back(exe);
  if (!found_in_output)
    return false;
  *version = base::Version(this->version);
  *internal_version = base::Version(this->internal_version);
  if (stream)
    *stream = this->stream;
  return true;
}

RecordingFetcherDelegate::RecordingFetcherDelegate() = default;
RecordingFetcherDelegate::~RecordingFetcherDelegate() = default;

void RecordingFetcherDelegate::OnPackageFetcherStatusChanged(uint32_t status) {
  statuses.push_back(status);
}

void RecordingFetcherDelegate::OnPackageReady(const base::FilePath& folder) {
  ready_folders.push_back(folder);
  if (run_loop_)
    run_loop_->Quit();
}

void RecordingFetcherDelegate::OnPackageFetcherError(uint32_t code,
                                                     const std::string& detail,
                                                     const std::vector<FetchDetails>& details) {
  ++errors;
  error_code = code;
  error_detail = detail;
  error_details = details;
  if (run_loop_)
    run_loop_->Quit();
}

void RecordingFetcherDelegate::SetTotalProgress(uint32_t total) {
  progress.push_back("total " + base::NumberToString(total));
}

void RecordingFetcherDelegate::SetCurrentProgress(uint32_t current) {
  progress.push_back("current " + base::NumberToString(current));
  if (awaited_bytes_ && current >= *awaited_bytes_ && run_loop_)
    run_loop_->Quit();
}

void RecordingFetcherDelegate::NotifyStalled() {
  progress.push_back("stalled");
}

bool RecordingFetcherDelegate::WaitForEnd() {
  const size_t ends = ready_folders.size() + errors;
  base::RunLoop run_loop;
  run_loop_ = &run_loop;
  // A fetch with a retry countdown takes several seconds.
  const bool quit = base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60));
  run_loop_ = nullptr;
  return quit && ready_folders.size() + errors > ends;
}

bool RecordingFetcherDelegate::WaitForBytes(uint32_t bytes) {
  base::RunLoop run_loop;
  run_loop_ = &run_loop;
  awaited_bytes_ = bytes;
  const bool quit = base::test::RunWithTimeout(&run_loop);
  awaited_bytes_.reset();
  run_loop_ = nullptr;
  return quit;
}

bool FakePayloadManager::WritePayloadToFile(const base::FilePath& path) const {
  return !write_fails && base::WriteFile(path, data);
}

void ServeBuiltInstallerPackage(LocalHttpServer* server) {
  std::string package;
  ASSERT_TRUE(
      base::ReadFileToString(GetPathBesideTestExecutable(L"installer.exe"), &package));
  ASSERT_TRUE(server->AddFile("package.exe", package));
  ASSERT_TRUE(server->AddFile(
      "meta", "{\"installer\": \"" + server->UrlUtf8("/package.exe") +
                  "\", \"installer_checksum\": \"" +
                  CalculateSha256Hex(reinterpret_cast<const uint8_t*>(package.data()),
                                     package.size()) +
                  "\"}"));
}

std::vector<std::string> RequestedPaths(const LocalHttpServer& server) {
  std::vector<std::string> paths;
  for (const base::Value& entry : server.ReadLog())
    paths.push_back(*entry.FindStringKey("method") + " " + *entry.FindStringKey("path"));
  return paths;
}

std::vector<base::FilePath> SubfoldersOf(const base::FilePath& folder) {
  std::vector<base::FilePath> folders;
  base::FileEnumerator enumerator(folder, false, base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = enumerator.Next(); !path.empty(); path = enumerator.Next())
    folders.push_back(path);
  return folders;
}

base::Value DownloadableResourceComponent(const std::string& location,
                                          const std::string& file_name,
                                          const std::string& content) {
  base::Value component(base::Value::Type::DICTIONARY);
  component.SetStringKey("location", location);
  component.SetStringKey("type", "downloadable_resource");
  component.SetBoolKey("archive", false);
  component.SetStringKey(
      "checksum",
      CalculateSha256Hex(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
  component.SetStringKey("filename", file_name);
  return component;
}

}  // namespace velta::test
