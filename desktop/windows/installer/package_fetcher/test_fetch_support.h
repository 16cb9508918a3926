// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_TEST_FETCH_SUPPORT_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_TEST_FETCH_SUPPORT_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/values.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/utils/file_version_utils.h"

namespace base {
class RunLoop;
}

namespace velta::test {

class LocalHttpServer;

// Answers every version read with the values set here, as the file's version
// resource or output would: the seam for packages whose version data the
// test chooses.
class FakeFileVersionUtils : public FileVersionUtils {
 public:
  bool GetVersionFromResources(const std::wstring& path,
                               base::Version* version,
                               base::Version* internal_version,
                               std::wstring* stream) override;
  bool GetVersionFromExeOutput(const base::FilePath& exe,
                               base::Version* version,
                               base::Version* internal_version,
                               std::string* stream) override;

  // False: the file has no version data.
  bool found_in_resources = true;
  bool found_in_output = true;
  std::string version = "7.2.1164.0";
  std::string internal_version;
  std::string stream;
  // The paths asked about, in order.
  std::vector<base::FilePath> asked;
};

// The controller's side of the fetch: records what arrives on the test's
// main thread.
class RecordingFetcherDelegate : public PackageFetcherDelegate {
 public:
  RecordingFetcherDelegate();
  ~RecordingFetcherDelegate() override;

  void OnPackageFetcherStatusChanged(uint32_t status) override;
  void OnPackageReady(const base::FilePath& folder) override;
  void OnPackageFetcherError(uint32_t code,
                             const std::string& detail,
                             const std::vector<FetchDetails>& details) override;
  void SetTotalProgress(uint32_t total) override;
  void SetCurrentProgress(uint32_t current) override;
  void NotifyStalled() override;

  // Runs the main thread's loop until the next ready or error report (false
  // on time-out).
  bool WaitForEnd();
  // Runs the main thread's loop until a download reports at least `bytes`
  // received (false on time-out).
  bool WaitForBytes(uint32_t bytes);

  std::vector<uint32_t> statuses;
  std::vector<base::FilePath> ready_folders;
  size_t errors = 0;
  uint32_t error_code = 0;
  std::string error_detail;
  std::vector<FetchDetails> error_details;
  // "total N", "current N", "stalled".
  std::vector<std::string> progress;

 private:
  base::RunLoop* run_loop_ = nullptr;
  // While WaitForBytes runs run_loop_, a progress report of this many bytes
  // ends it.
  std::optional<uint32_t> awaited_bytes_;
};

// A payload of the type and content the test chooses: the seam for an
// installer that carries its package.
class FakePayloadManager : public PayloadManager {
 public:
  PayloadType GetPayloadType() const override { return type; }
  std::string GetPayloadData() const override { return data; }
  bool WritePayloadToFile(const base::FilePath& path) const override;
  void SetPayload(const std::string& payload) override { data = payload; }

  PayloadType type = kPayloadTypeFullPackage;
  std::string data;
  bool write_fails = false;
};

// Serves the built installer.exe (beside the test executable; its version
// resource carries this build's version and stream, so it passes every
// check) on `server` as "/package.exe", and as "/meta" the metadata that
// names it and its SHA-256. Fails the running test when a file cannot be
// read or served.
void ServeBuiltInstallerPackage(LocalHttpServer* server);

// One entry of a package metadata's "components" list: the downloadable
// resource `file_name` at `location`, not an archive, with the SHA-256 of
// `content`.
base::Value DownloadableResourceComponent(const std::string& location,
                                          const std::string& file_name,
                                          const std::string& content);

// The requests `server` had, as "METHOD /path", in order.
std::vector<std::string> RequestedPaths(const LocalHttpServer& server);

// The folders directly inside `folder`.
std::vector<base::FilePath> SubfoldersOf(const base::FilePath& folder);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_TEST_FETCH_SUPPORT_H_
