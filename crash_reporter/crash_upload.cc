// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_upload.h"

#include <windows.h>

#include <winhttp.h>
#include <zlib.h>

#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/guid.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/pending_work_counter.h"
#include "desktop/windows/installer/common/product/named_urls.h"

namespace velta {
namespace {

constexpr int kTimeoutMs = 15000;
constexpr DWORD kHttpOk = 200;
// A dump larger than this cannot be one of ours (the limit is 3072000).
constexpr int64_t kMaxDumpBytes = 64 * 1024 * 1024;

std::wstring& UploadUrl() {
  static base::NoDestructor<std::wstring> url;
  return *url;
}

// Closes a WinHTTP session, connection or request handle; the functions
// that open them return null on failure.
struct WinHttpHandleTraits {
  using Handle = HINTERNET;
  static bool CloseHandle(Handle handle) {
    return BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpCloseHandle)(handle) != FALSE;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};
using ScopedInternet = base::win::GenericScopedHandle<WinHttpHandleTraits>;

DWORD WINAPI RunUploadJob(void* context) {
  std::unique_ptr<CrashUploadJob> job(static_cast<CrashUploadJob*>(context));
  SendCrashReport(*job);
  job.reset();
  GetPendingWorkCounter().Decrement();
  return 0;
}

// POSTs `body` to `url`; the HTTP status, or 0 when no answer came.
DWORD Post(const std::wstring& url, const std::wstring& headers, const std::string& body) {
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  wchar_t host[256] = {};
  wchar_t path[2048] = {};
  wchar_t query[2048] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = ARRAYSIZE(host);
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = ARRAYSIZE(path);
  // The query ("?product=...") and any fragment come as the extra part.
  parts.lpszExtraInfo = query;
  parts.dwExtraInfoLength = ARRAYSIZE(query);
  if (!BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpCrackUrl)(url.c_str(), 0, 0, &parts)) {
    PLOG(ERROR) << "The crash server address is not usable";
    return 0;
  }
  std::wstring object = std::wstring(path) + query;
  // A fragment is never sent.
  object = object.substr(0, object.find(L'#'));
  ScopedInternet session(BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpOpen)(
      L"Velta Crash Reporter", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
      WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.get())
    return 0;
  const auto set_timeouts = BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpSetTimeouts);
  set_timeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
  ScopedInternet connection(
      BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpConnect)(session.get(), host, parts.nPort, 0));
  if (!connection.get())
    return 0;
  ScopedInternet request(BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpOpenRequest)(
      connection.get(), L"POST", object.c_str(), nullptr, WINHTTP_NO_REFERER,
      WINHTTP_DEFAULT_ACCEPT_TYPES,
      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!request.get())
    return 0;
  set_timeouts(request.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
  if (!BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpSendRequest)(
          request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
          const_cast<char*>(body.data()), static_cast<DWORD>(body.size()),
          static_cast<DWORD>(body.size()), 0) ||
      !BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpReceiveResponse)(request.get(), nullptr)) {
    PLOG(ERROR) << "The crash report could not be sent";
    return 0;
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpQueryHeaders)(
          request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return 0;
  }
  // The body is not kept, but read so the connection ends cleanly.
  char sink[4096];
  DWORD read = 0;
  const auto read_data = BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpReadData);
  while (read_data(request.get(), sink, sizeof(sink), &read) && read > 0) {
  }
  return status;
}

}  // namespace

CrashUploadJob::CrashUploadJob(std::unique_ptr<WideParametersMap> parameters,
                               base::FilePath dump, bool compress, bool delete_dump)
    : parameters_(std::move(parameters)),
      dump_(std::move(dump)),
      compress_(compress),
      delete_dump_(delete_dump) {}

CrashUploadJob::~CrashUploadJob() {
  if (delete_dump_)
    base::DeleteFile(dump_);
}

void SetUploadUrl() {
  const std::string alternative =
      GetEnvironmentUtf8(GetCrashEnvVarName("ALTERNATIVE_CRASH_SERVER_URL"));
  UploadUrl() = base::UTF8ToWide(alternative.empty() ? GetNamedUrl("crash_collector")
                                                     : alternative);
}

void SetUploadUrlTo(const std::wstring& url) {
  UploadUrl() = url;
}

const std::wstring& GetUploadUrl() {
  return UploadUrl();
}

bool UploadCrashReportAsync(const base::FilePath& dump,
                            std::unique_ptr<WideParametersMap> parameters, bool delete_dump) {
  auto job = std::make_unique<CrashUploadJob>(std::move(parameters), dump, true, delete_dump);
  GetPendingWorkCounter().Increment();
  if (!::QueueUserWorkItem(&RunUploadJob, job.get(), WT_EXECUTELONGFUNCTION)) {
    PLOG(ERROR) << "Cannot queue the crash upload";
    job.reset();
    GetPendingWorkCounter().Decrement();
    return false;
  }
  job.release();
  return true;
}

bool UploadCrashReport(const base::FilePath& dump, std::unique_ptr<WideParametersMap> parameters,
                       bool compress) {
  CrashUploadJob job(std::move(parameters), dump, compress, true);
  return SendCrashReport(job);
}

std::string BuildMultipartBody(const WideParametersMap& parameters, const std::string& file_name,
                               const std::string& dump, const std::string& boundary) {
  std::string body;
  for (const auto& [name, value] : parameters.entries()) {
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"" + base::WideToUTF8(name) + "\"\r\n\r\n";
    body += base::WideToUTF8(value) + "\r\n";
  }
  body += "--" + boundary + "\r\n";
  body += "Content-Disposition: form-data; name=\"upload_file_minidump\"; filename=\"" +
          file_name + "\"\r\n";
  body += "Content-Type: application/octet-stream\r\n\r\n";
  body += dump;
  body += "\r\n--" + boundary + "--\r\n";
  return body;
}

bool GzipCompress(const std::string& data, std::string* compressed) {
  z_stream stream = {};
  // 15 window bits plus 16: a gzip header and trailer.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return false;
  }
  compressed->resize(deflateBound(&stream, static_cast<uLong>(data.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(compressed->data());
  stream.avail_out = static_cast<uInt>(compressed->size());
  const int result = deflate(&stream, Z_FINISH);
  compressed->resize(stream.total_out);
  deflateEnd(&stream);
  return result == Z_STREAM_END;
}

bool SendCrashReport(const CrashUploadJob& job) {
  std::string dump;
  if (!base::ReadFileToStringWithMaxSize(job.dump(), &dump, kMaxDumpBytes)) {
    LOG(ERROR) << "Cannot read the dump " << job.dump().value();
    return false;
  }
  const std::string boundary = "----VeltaCrashBoundary" + base::GenerateGUID();
  std::string body = BuildMultipartBody(job.parameters(),
                                        base::WideToUTF8(job.dump().BaseName().value()), dump,
                                        boundary);
  std::wstring headers =
      L"Content-Type: multipart/form-data; boundary=" + base::UTF8ToWide(boundary) + L"\r\n";
  if (job.compress()) {
    std::string compressed;
    if (!GzipCompress(body, &compressed)) {
      LOG(ERROR) << "Cannot compress the crash report";
      return false;
    }
    body.swap(compressed);
    headers += L"Content-Encoding: gzip\r\n";
  }
  const DWORD status = Post(GetUploadUrl(), headers, body);
  if (status != kHttpOk) {
    LOG(ERROR) << "The crash server did not accept the report: status " << status;
    return false;
  }
  LOG(INFO) << "Crash report sent: " << job.dump().BaseName().value();
  return true;
}

}  // namespace velta
