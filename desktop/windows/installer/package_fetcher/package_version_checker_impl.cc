// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_version_checker_impl.h"

#include <set>
#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/version.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/version_verified_event.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/utils/file_version_utils.h"

namespace velta {

namespace {

bool Append(const std::string& detail) {
  return AppendInstallerError(detail, 0, std::wstring());
}

bool Record(const std::string& detail) {
  return SetInstallerError(1, detail, std::wstring());
}

void AppendFound(const std::string& stream, const std::string& version) {
  if (!stream.empty())
    Append("Stream: " + stream);
  if (!version.empty())
    Append("Version: " + version);
}

}  // namespace

PackageVersionCheckerImpl::PackageVersionCheckerImpl(
    std::unique_ptr<FileVersionUtils> file_version_utils,
    std::unique_ptr<LzmaUtil> lzma_util)
    : file_version_utils_(std::move(file_version_utils)), lzma_util_(std::move(lzma_util)) {}

PackageVersionCheckerImpl::~PackageVersionCheckerImpl() = default;

PackageVersionCheckerImpl::Result PackageVersionCheckerImpl::CheckItem(const base::FilePath& path,
                                                                       bool read_from_output,
                                                                       std::string* version,
                                                                       std::string* stream) {
  version->clear();
  if (stream)
    stream->clear();
  ProductInfo* product = ProductInfo::GetInstance();
  base::Version own_version(product->GetInternalVersion());
  base::Version product_version;
  base::Version comparison_version;
  std::string found_stream;
  bool read;
  if (read_from_output) {
    read = file_version_utils_->GetVersionFromExeOutput(path, &product_version, &comparison_version,
                                                        &found_stream);
  } else {
    std::wstring wide_stream;
    read = file_version_utils_->GetVersionFromResources(path.value(), &product_version,
                                                        &comparison_version, &wide_stream);
    found_stream = base::WideToUTF8(wide_stream);
  }
  if (!read) {
    Append("Version data not present in the file");
    return Result::kNoVersionData;
  }
  *version = product_version.IsValid() ? product_version.GetString() : std::string();
  VLOG(1) << "Downloaded item version: "
          << (comparison_version.IsValid() ? comparison_version.GetString() : "invalid");
  if (!comparison_version.IsValid() || comparison_version.CompareTo(own_version) < 0) {
    Record("Downloaded item is older than the installer");
    return Result::kFailed;
  }
  if (stream) {
    *stream = found_stream;
    VLOG(1) << "Downloaded item stream: " << found_stream;
    if (found_stream != product->GetChannelName()) {
      Record("Downloaded item is of a different stream than the installer");
      return Result::kFailed;
    }
  }
  return Result::kPassed;
}

bool PackageVersionCheckerImpl::CheckMainPackage(const base::FilePath& folder,
                                                 std::string* version,
                                                 std::string* stream) {
  bool passed = false;
  switch (CheckItem(folder.Append(kPackageFileName), false, version, stream)) {
    case Result::kPassed:
      return true;
    case Result::kFailed:
      AppendFound(*stream, *version);
      Append("Failed the package version check");
      break;
    case Result::kNoVersionData:
      passed = CheckLegacyPackage(folder, version, stream);
      break;
  }
  if (!passed)
    Append("Main component version check failed");
  return passed;
}

bool PackageVersionCheckerImpl::CheckLegacyPackage(const base::FilePath& folder,
                                                   std::string* version,
                                                   std::string* stream) {
  if (!UnpackFile(folder.Append(kPackageFileName), kPackageInstallerFileName)) {
    Append("Cannot unpack installer.exe for legacy version check");
    return false;
  }
  base::FilePath installer = folder.Append(kPackageInstallerFileName);
  bool passed = CheckItem(installer, true, version, stream) == Result::kPassed;
  if (passed) {
    if (!base::WriteFile(folder.Append(kPackageVersionFileName), *version)) {
      Record("Cannot write the package version file.");
      passed = false;
    }
  } else {
    AppendFound(*stream, *version);
    Append("Failed the version check");
  }
  base::DeleteFile(installer);
  return passed;
}

bool PackageVersionCheckerImpl::UnpackFile(const base::FilePath& archive,
                                           const std::wstring& name) {
  int result = lzma_util_->Open(archive);
  if (result != 0)
    return Record(base::StringPrintf("Archive opening failed with error %d", result));
  // The unpacker names wanted entries by their full output paths.
  result = lzma_util_->Unpack(archive.DirName(), {archive.DirName().Append(name)}, nullptr,
                              nullptr, nullptr);
  lzma_util_->Close();
  if (result != 0)
    return Record(base::StringPrintf("Archive unpacking failed with error %d", result));
  return true;
}

bool PackageVersionCheckerImpl::CheckAdditionalFile(const base::FilePath& folder,
                                                    const std::wstring& name) {
  base::FilePath name_path(name);
  std::wstring extension = name_path.Extension();
  std::wstring stem = name_path.RemoveExtension().value();
  base::FilePath executable = folder.Append(stem + L"_installer.exe" + extension);
  if (name == L"suite" && !base::PathExists(executable))
    executable = folder.Append(L"assistant_installer.exe");
  std::string version;
  if (CheckItem(executable, true, &version, nullptr) == Result::kPassed) {
    GetAvroStatsSender()->SendAvroMessage(
        std::make_unique<VersionVerifiedEvent>(version, std::string(), 1));
    return true;
  }
  if (!version.empty())
    Append("Version: " + version);
  Append("Additional file version invalid");
  return false;
}

}  // namespace velta
