// Copyright 2026 Velta Software. All rights reserved.

// A stand-in for the programs an installation starts (the browser's
// launcher, the pinning helpers, a package's installer.exe), copied under
// their names into test packages and installation folders. It records how it
// was called and does what its side files say, so that a test can both
// check the call and steer the caller:
//   <own path>.calls   each run appends its command line as one UTF-8 line;
//   <own path>.touch   names files (one per line, relative to the program's
//                      own folder) that the run creates, empty;
//   <own path>.exit    holds the run's exit code in decimal (else 0).
// Plain Win32, no product code: what it records does not depend on what it
// stands in for.

#include <windows.h>

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& text) {
  if (text.empty())
    return std::wstring();
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

std::wstring OwnPath() {
  wchar_t buffer[32768];
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 32768);
  return std::wstring(buffer, length);
}

bool ReadFile(const std::wstring& path, std::string* contents) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in)
    return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *contents = buffer.str();
  return true;
}

}  // namespace

int wmain() {
  const std::wstring own = OwnPath();
  const std::wstring folder = own.substr(0, own.find_last_of(L'\\') + 1);
  {
    std::ofstream calls((own + L".calls").c_str(), std::ios::binary | std::ios::app);
    calls << ToUtf8(::GetCommandLineW()) << "\n";
  }
  std::string text;
  if (ReadFile(own + L".touch", &text)) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      if (!line.empty())
        std::ofstream((folder + ToWide(line)).c_str(), std::ios::binary);
    }
  }
  if (ReadFile(own + L".exit", &text))
    return static_cast<int>(strtoul(text.c_str(), nullptr, 10));
  return 0;
}
