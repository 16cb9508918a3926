// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECKER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECKER_IMPL_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/package_fetcher/package_version_checker.h"

namespace velta {

class FileVersionUtils;
class LzmaUtil;

class PackageVersionCheckerImpl : public PackageVersionChecker {
 public:
  PackageVersionCheckerImpl(std::unique_ptr<FileVersionUtils> file_version_utils,
                            std::unique_ptr<LzmaUtil> lzma_util);
  PackageVersionCheckerImpl(const PackageVersionCheckerImpl&) = delete;
  PackageVersionCheckerImpl& operator=(const PackageVersionCheckerImpl&) = delete;
  ~PackageVersionCheckerImpl() override;

  bool CheckMainPackage(const base::FilePath& folder,
                        std::string* version,
                        std::string* stream) override;
  bool CheckAdditionalFile(const base::FilePath& folder, const std::wstring& name) override;

 private:
  enum class Result { kNoVersionData, kFailed, kPassed };

  Result CheckItem(const base::FilePath& path,
                   bool read_from_output,
                   std::string* version,
                   std::string* stream);
  bool CheckLegacyPackage(const base::FilePath& folder, std::string* version, std::string* stream);
  bool UnpackFile(const base::FilePath& archive, const std::wstring& name);

  std::unique_ptr<FileVersionUtils> file_version_utils_;
  std::unique_ptr<LzmaUtil> lzma_util_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECKER_IMPL_H_
