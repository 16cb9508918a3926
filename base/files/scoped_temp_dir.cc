// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/scoped_temp_dir.h"

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace base {
namespace {

constexpr wchar_t kScopedDirPrefix[] = L"scoped_dir";

}  // namespace

ScopedTempDir::ScopedTempDir() = default;

ScopedTempDir::ScopedTempDir(ScopedTempDir&& other) noexcept : path_(other.Take()) {}

ScopedTempDir& ScopedTempDir::operator=(ScopedTempDir&& other) {
  if (this != &other) {
    if (!path_.empty() && !Delete())
      LOG(WARNING) << "Could not delete temporary folder " << path_;
    path_ = other.Take();
  }
  return *this;
}

ScopedTempDir::~ScopedTempDir() {
  if (!path_.empty() && !Delete())
    LOG(WARNING) << "Could not delete temporary folder " << path_;
}

bool ScopedTempDir::CreateUniqueTempDir() {
  if (!path_.empty())
    return false;
  return CreateNewTempDirectory(kScopedDirPrefix, &path_);
}

bool ScopedTempDir::CreateUniqueTempDirUnderPath(const FilePath& base_path) {
  if (!path_.empty())
    return false;
  if (!CreateDirectory(base_path))
    return false;
  return CreateTemporaryDirInDir(base_path, kScopedDirPrefix, &path_);
}

bool ScopedTempDir::Set(const FilePath& path) {
  if (!path_.empty())
    return false;
  if (!DirectoryExists(path) && !CreateDirectory(path))
    return false;
  path_ = path;
  return true;
}

bool ScopedTempDir::Delete() {
  if (path_.empty())
    return false;
  const bool deleted = DeletePathRecursively(path_);
  if (deleted)
    path_.clear();
  return deleted;
}

FilePath ScopedTempDir::Take() {
  return std::exchange(path_, FilePath());
}

const FilePath& ScopedTempDir::GetPath() const {
  DCHECK(!path_.empty()) << "GetPath() called on a ScopedTempDir without a folder";
  return path_;
}

bool ScopedTempDir::IsValid() const {
  return !path_.empty();
}

}  // namespace base
