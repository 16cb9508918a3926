// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file_enumerator.h"

#include <windows.h>

#include "base/logging.h"

namespace base {

FileEnumerator::FileInfo::FileInfo() = default;
FileEnumerator::FileInfo::~FileInfo() = default;

bool FileEnumerator::FileInfo::IsDirectory() const {
  return (attributes_ & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FilePath FileEnumerator::FileInfo::GetName() const {
  return FilePath(name_);
}

int64_t FileEnumerator::FileInfo::GetSize() const {
  return size_;
}

Time FileEnumerator::FileInfo::GetLastModifiedTime() const {
  return last_modified_;
}

FileEnumerator::FileEnumerator(const FilePath& root_path, bool recursive, int file_type)
    : FileEnumerator(root_path, recursive, file_type, FilePath::StringType()) {}

FileEnumerator::FileEnumerator(const FilePath& root_path,
                               bool recursive,
                               int file_type,
                               const FilePath::StringType& pattern)
    : recursive_(recursive),
      file_type_(file_type),
      pattern_(pattern),
      find_handle_(INVALID_HANDLE_VALUE) {
  DCHECK(file_type_ & (FILES | DIRECTORIES));
  pending_paths_.push_back(root_path);
}

FileEnumerator::~FileEnumerator() {
  CloseFindHandle();
}

void FileEnumerator::CloseFindHandle() {
  if (find_handle_ != INVALID_HANDLE_VALUE) {
    ::FindClose(find_handle_);
    find_handle_ = INVALID_HANDLE_VALUE;
  }
}

FilePath FileEnumerator::Next() {
  WIN32_FIND_DATAW find_data;
  while (has_find_data_ || !pending_paths_.empty()) {
    if (!has_find_data_) {
      // Start listing the next folder.
      root_path_ = pending_paths_.back();
      pending_paths_.pop_back();
      const FilePath filter = root_path_.Append(pattern_.empty() ? L"*" : pattern_);
      find_handle_ = ::FindFirstFileExW(filter.value().c_str(), FindExInfoBasic, &find_data,
                                        FindExSearchNameMatch, nullptr, 0);
      has_find_data_ = true;
      if (find_handle_ == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A pattern that matches nothing is no error.
        error_ = error == ERROR_FILE_NOT_FOUND ? File::FILE_OK : File::OSErrorToFileError(error);
      }
    } else if (!::FindNextFileW(find_handle_, &find_data)) {
      CloseFindHandle();
    }

    if (find_handle_ == INVALID_HANDLE_VALUE) {
      has_find_data_ = false;
      // The pattern applies to the root only: matching subfolders are listed
      // whole.
      pattern_.clear();
      continue;
    }

    const std::wstring_view name(find_data.cFileName);
    if (name == L"." || name == L"..")
      continue;

    current_.name_ = std::wstring(name);
    current_.attributes_ = find_data.dwFileAttributes;
    ULARGE_INTEGER size;
    size.HighPart = find_data.nFileSizeHigh;
    size.LowPart = find_data.nFileSizeLow;
    current_.size_ = static_cast<int64_t>(size.QuadPart);
    current_.last_modified_ = Time::FromFileTime(find_data.ftLastWriteTime);

    const FilePath full_path = root_path_.Append(name);
    const bool is_directory = current_.IsDirectory();
    if (is_directory && recursive_ && !(find_data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      pending_paths_.push_back(full_path);
    if ((is_directory && (file_type_ & DIRECTORIES)) || (!is_directory && (file_type_ & FILES)))
      return full_path;
  }
  return FilePath();
}

FileEnumerator::FileInfo FileEnumerator::GetInfo() const {
  return current_;
}

}  // namespace base
