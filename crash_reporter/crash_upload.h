// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRASH_UPLOAD_H_
#define CRASH_REPORTER_CRASH_UPLOAD_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "crash_reporter/parameters_map.h"

namespace velta {

// One report on its way to the crash server: the parameters, the dump, and
// whether to compress the body and to delete the dump afterwards (whatever
// the upload's result).
class CrashUploadJob {
 public:
  CrashUploadJob(std::unique_ptr<WideParametersMap> parameters, base::FilePath dump,
                 bool compress, bool delete_dump);
  CrashUploadJob(const CrashUploadJob&) = delete;
  CrashUploadJob& operator=(const CrashUploadJob&) = delete;
  ~CrashUploadJob();

  const WideParametersMap& parameters() const { return *parameters_; }
  const base::FilePath& dump() const { return dump_; }
  bool compress() const { return compress_; }

 private:
  const std::unique_ptr<WideParametersMap> parameters_;
  const base::FilePath dump_;
  const bool compress_;
  const bool delete_dump_;
};

// Fixes the upload address: VELTA_ALTERNATIVE_CRASH_SERVER_URL when set,
// else the named URL "crash_collector". Called before any upload starts.
void SetUploadUrl();
// The crash handler's address, given on its command line.
void SetUploadUrlTo(const std::wstring& url);
const std::wstring& GetUploadUrl();

// Queues the upload (compressed) on the system thread pool; the process's
// pending-work counter holds one count until it has finished. False when it
// cannot be queued (the dump is then deleted at once when `delete_dump`).
bool UploadCrashReportAsync(const base::FilePath& dump,
                            std::unique_ptr<WideParametersMap> parameters, bool delete_dump);

// Sends the report now and deletes the dump. True only when the server
// answered 200.
bool UploadCrashReport(const base::FilePath& dump, std::unique_ptr<WideParametersMap> parameters,
                       bool compress);

bool SendCrashReport(const CrashUploadJob& job);

// The multipart form body of a report: one field per parameter in name
// order, then the dump as the file part "upload_file_minidump".
std::string BuildMultipartBody(const WideParametersMap& parameters, const std::string& file_name,
                               const std::string& dump, const std::string& boundary);

// `data` as a gzip stream; false when zlib fails.
bool GzipCompress(const std::string& data, std::string* compressed);

}  // namespace velta

#endif  // CRASH_REPORTER_CRASH_UPLOAD_H_
