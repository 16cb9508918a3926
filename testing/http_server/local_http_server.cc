// Copyright 2026 Velta Software. All rights reserved.

#include "testing/http_server/local_http_server.h"

#include <winsock2.h>
#include <windows.h>

#include <stdlib.h>

#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/time/time.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

namespace {

// Quotes one argument for a Unix child: Wine splits its command line the
// Windows way, so double quotes around each argument are enough.
std::wstring Quote(std::string_view text) {
  return L"\"" + base::UTF8ToWide(text) + L"\"";
}

}  // namespace

uint16_t UnusedLoopbackPort() {
  WSADATA wsa;
  if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
    ADD_FAILURE() << "WSAStartup failed";
    return 0;
  }
  SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  uint16_t port = 0;
  if (probe != INVALID_SOCKET &&
      ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  } else {
    ADD_FAILURE() << "Cannot bind a loopback socket: " << ::WSAGetLastError();
  }
  if (probe != INVALID_SOCKET)
    ::closesocket(probe);
  ::WSACleanup();
  return port;
}

LocalHttpServer::LocalHttpServer(const base::FilePath& folder)
    : folder_(folder),
      root_(folder.Append(L"server_root")),
      rules_(folder.Append(L"server_rules.json")),
      log_(folder.Append(L"server_log.jsonl")) {}

LocalHttpServer::~LocalHttpServer() {
  Stop();
}

bool LocalHttpServer::Start(Scheme scheme) {
  scheme_ = scheme;
  if (!base::CreateDirectory(root_) || !base::CreateDirectory(folder_.Append(L"server_bodies"))) {
    ADD_FAILURE() << "Cannot make the server's folders in " << folder_.AsUTF8Unsafe();
    return false;
  }
  base::FilePath port_file = folder_.Append(L"server_port");
  base::DeleteFile(port_file);
  alive_file_ = folder_.Append(L"server_alive");
  if (!base::WriteFile(alive_file_, "")) {
    ADD_FAILURE() << "Cannot write " << alive_file_.AsUTF8Unsafe();
    return false;
  }
  std::wstring command = Quote(VELTA_PYTHON3) + L" " + Quote(VELTA_HTTP_SERVER_SCRIPT) +
                         L" --max-seconds 1200 --alive-file " + Quote(ToUnixPath(alive_file_)) +
                         L" --root " + Quote(ToUnixPath(root_)) +
                         L" --rules " + Quote(ToUnixPath(rules_)) + L" --log " +
                         Quote(ToUnixPath(log_)) + L" --bodies " +
                         Quote(ToUnixPath(folder_.Append(L"server_bodies"))) +
                         L" --port-file " + Quote(ToUnixPath(port_file));
  if (scheme == Scheme::kHttps) {
    std::string ca = VELTA_TEST_SERVER_CA_DIR;
    command += L" --tls-cert " + Quote(ca + "/server_chain.pem") + L" --tls-key " +
               Quote(ca + "/server_key.pem");
  }

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  // Wine starts a Unix program as a Unix process, double-forked: no process
  // handle comes back, and a pipe to it reads as ended at once. The port
  // comes through a file, and Stop() removes the alive file.
  BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process);
  DWORD error = ::GetLastError();
  // For a Unix program Wine reports success with a null process handle and
  // leaves stray values in the other fields: closing that "thread handle"
  // closed whatever handle of ours had that number (a message pump's event,
  // an open file). Only a real process handle vouches for the thread's.
  if (started && process.hProcess) {
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  if (!started) {
    ADD_FAILURE() << "Cannot start the test server: " << error;
    return false;
  }
  // The server writes the file whole (through a rename) once it listens.
  std::string text;
  base::TimeTicks deadline = base::TimeTicks::Now() + base::TimeDelta::FromSeconds(60);
  while (!base::ReadFileToString(port_file, &text) && base::TimeTicks::Now() < deadline)
    ::Sleep(10);
  unsigned port = 0;
  if (!base::StringToUint(base::TrimWhitespaceASCII(text, base::TRIM_ALL), &port) || port == 0 ||
      port > 65535) {
    ADD_FAILURE() << "The test server did not start listening: '" << text << "'";
    Stop();
    return false;
  }
  port_ = static_cast<uint16_t>(port);
  return true;
}

void LocalHttpServer::Stop() {
  if (!alive_file_.empty())
    base::DeleteFile(alive_file_);
  alive_file_.clear();
  port_ = 0;
}

std::string LocalHttpServer::UrlUtf8(std::string_view path) const {
  return std::string(scheme_ == Scheme::kHttps ? "https" : "http") + "://127.0.0.1:" +
         base::NumberToString(static_cast<unsigned>(port_)) + std::string(path);
}

std::wstring LocalHttpServer::Url(std::string_view path) const {
  return base::UTF8ToWide(UrlUtf8(path));
}

bool LocalHttpServer::SetRoutes(std::string_view routes_json) {
  std::string text = "{\"routes\": " + std::string(routes_json) + "}";
  if (!base::JSONReader::Read(text)) {
    ADD_FAILURE() << "Routes are not JSON: " << routes_json;
    return false;
  }
  base::FilePath temporary = rules_.AddExtension(L"tmp");
  return base::WriteFile(temporary, text) && base::Move(temporary, rules_);
}

bool LocalHttpServer::AddFile(std::string_view name, std::string_view content) {
  base::FilePath path = root_.AppendASCII(name);
  return base::CreateDirectory(path.DirName()) && base::WriteFile(path, content);
}

std::vector<base::Value> LocalHttpServer::ReadLog() const {
  std::vector<base::Value> entries;
  std::string text;
  if (!base::ReadFileToString(log_, &text))
    return entries;
  for (const std::string& line :
       base::SplitString(text, "\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    std::optional<base::Value> entry = base::JSONReader::Read(line);
    if (entry && entry->is_dict())
      entries.push_back(std::move(*entry));
  }
  return entries;
}

}  // namespace velta::test
