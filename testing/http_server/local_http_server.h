// Copyright 2026 Velta Software. All rights reserved.

#ifndef TESTING_HTTP_SERVER_LOCAL_HTTP_SERVER_H_
#define TESTING_HTTP_SERVER_LOCAL_HTTP_SERVER_H_

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "base/values.h"

namespace velta::test {

// The loopback test server (testing/http_server/http_server.py) as a real
// process started by a test under Wine, which runs the Linux python3 as a
// Unix child. It listens on 127.0.0.1 on a port the OS chose, serves the
// files of root(), answers as the rules file says and logs every request.
// Everything it uses lives in the test's own folder, so tests run in
// parallel. The server ends when its alive file goes: at Stop(), at
// destruction, or with the test's folder; a server whose test died ends
// after 20 minutes.
class LocalHttpServer {
 public:
  enum class Scheme { kHttp, kHttps };

  // `folder` is the test's scratch folder; the server's files go in it.
  explicit LocalHttpServer(const base::FilePath& folder);
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;
  ~LocalHttpServer();

  // Starts the server and waits until it listens. HTTPS uses the test CA's
  // server certificate (names 127.0.0.1 and localhost), which the prefix
  // trusts. False (with a test failure) when it cannot start.
  bool Start(Scheme scheme = Scheme::kHttp);
  void Stop();

  uint16_t port() const { return port_; }
  // The folder of files served for unmatched GET requests.
  const base::FilePath& root() const { return root_; }
  // "http://127.0.0.1:<port>" + path (path starts with "/").
  std::wstring Url(std::string_view path) const;
  std::string UrlUtf8(std::string_view path) const;

  // Replaces the rules: `routes_json` is the JSON list of routes (see the
  // script's description). Written whole through a rename.
  bool SetRoutes(std::string_view routes_json);
  // Writes a file under root().
  bool AddFile(std::string_view name, std::string_view content);

  // The request log so far: one dictionary per request, in order.
  std::vector<base::Value> ReadLog() const;

 private:
  base::FilePath folder_;
  base::FilePath root_;
  base::FilePath rules_;
  base::FilePath log_;
  base::FilePath alive_file_;
  uint16_t port_ = 0;
  Scheme scheme_ = Scheme::kHttp;
};

// A loopback port that nothing listens on: one the OS gave a socket that is
// closed again (0, with a test failure, when none can be had). For requests
// that must be refused.
uint16_t UnusedLoopbackPort();

}  // namespace velta::test

#endif  // TESTING_HTTP_SERVER_LOCAL_HTTP_SERVER_H_
