// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_FILE_ENUMERATOR_H_
#define BASE_FILES_FILE_ENUMERATOR_H_

#include <stdint.h>

#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/time/time.h"

namespace base {

// Lists the files and folders below a folder, one at a time, in the order
// the file system gives them (not sorted). "." and ".." are never listed. In
// recursive mode each folder's own entries come before those of the folders
// found in it; folders that are reparse points (junctions, symbolic links)
// are listed but not entered, so a link cannot lead the walk outside the tree
// or round in a cycle. A pattern ("*.dll") filters the entries of the root
// folder only; the contents of matching subfolders are listed whole. Use on
// one sequence; it holds a find handle until done or destroyed.
class FileEnumerator {
 public:
  // What the last Next() found.
  class FileInfo {
   public:
    FileInfo();
    ~FileInfo();

    bool IsDirectory() const;
    // The base name only ("a.dll").
    FilePath GetName() const;
    int64_t GetSize() const;
    Time GetLastModifiedTime() const;
    // The FILE_ATTRIBUTE_* bits.
    uint32_t attributes() const { return attributes_; }

   private:
    friend class FileEnumerator;

    FilePath::StringType name_;
    uint32_t attributes_ = 0;
    int64_t size_ = 0;
    Time last_modified_;
  };

  enum FileType {
    FILES = 1 << 0,
    DIRECTORIES = 1 << 1,
  };

  // `file_type` is FILES, DIRECTORIES or both.
  FileEnumerator(const FilePath& root_path, bool recursive, int file_type);
  FileEnumerator(const FilePath& root_path,
                 bool recursive,
                 int file_type,
                 const FilePath::StringType& pattern);
  FileEnumerator(const FileEnumerator&) = delete;
  FileEnumerator& operator=(const FileEnumerator&) = delete;
  ~FileEnumerator();

  // The full path of the next entry (root_path joined with its relative
  // path), or an empty path when there are no more.
  FilePath Next();

  // About the entry Next() last returned.
  FileInfo GetInfo() const;

  // FILE_OK, or why the last folder opened could not be listed
  // (FILE_ERROR_NOT_FOUND for a missing root).
  File::Error GetError() const { return error_; }

 private:
  void CloseFindHandle();

  const bool recursive_;
  const int file_type_;
  FilePath::StringType pattern_;
  // The folder being listed and those still to list, last first.
  FilePath root_path_;
  std::vector<FilePath> pending_paths_;
  void* find_handle_;
  bool has_find_data_ = false;
  FileInfo current_;
  File::Error error_ = File::FILE_OK;
};

}  // namespace base

#endif  // BASE_FILES_FILE_ENUMERATOR_H_
