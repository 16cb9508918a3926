// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/rewrite_file_operation.h"

#include "base/files/file_util.h"
#include "base/files/important_file_writer.h"
#include "base/logging.h"
#include "desktop/windows/installer/transactions/operation_utils.h"

namespace velta {

RewriteFileOperation::RewriteFileOperation(const base::FilePath& path) : path_(path) {}

RewriteFileOperation::~RewriteFileOperation() = default;

bool RewriteFileOperation::Do(Transaction* /*nested*/, std::string* error) {
  existed_ = base::PathExists(path_);
  if (existed_ && !base::ReadFileToString(path_, &contents_)) {
    PLOG(ERROR) << "Cannot read " << path_ << " before it is rewritten";
    internal::SetError(error, "Cannot read the file to be rewritten: " + path_.AsUTF8Unsafe());
    existed_ = false;
    contents_.clear();
    return false;
  }
  done_ = true;
  return true;
}

void RewriteFileOperation::Rollback() {
  if (!done_)
    return;
  done_ = false;
  if (existed_) {
    if (!base::ImportantFileWriter::WriteFileAtomically(path_, contents_))
      LOG(ERROR) << "Cannot put back the earlier contents of " << path_;
  } else if (base::PathExists(path_) && !base::DeleteFile(path_)) {
    PLOG(ERROR) << "Cannot delete the rewritten file " << path_;
  }
  contents_.clear();
}

}  // namespace velta
