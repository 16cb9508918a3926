// Copyright 2026 Velta Software. All rights reserved.

// installer.exe: loads velta_installer.dll from the executable's own folder
// and returns what its RunInstaller returns. All the work is in the library;
// this program only carries the resources the library loads from it.

#include <windows.h>

#include <stdint.h>

#include <string>

namespace {

// Returned when the library or its entry cannot be loaded. It lies outside
// every code the installer maps (0, and 100 + a result from 1 to 124), so a
// parent can tell "no library" from any installer result. Nothing is shown:
// without the library there are no strings to show.
constexpr int kLibraryNotLoadedExitCode = 99;

constexpr wchar_t kLibraryName[] = L"velta_installer.dll";

using RunInstallerFunction = uint32_t (*)();

std::wstring GetLibraryPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos)
    return std::wstring();
  return path.substr(0, separator + 1) + kLibraryName;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring library_path = GetLibraryPath();
  if (library_path.empty())
    return kLibraryNotLoadedExitCode;
  // Load from our own folder only, with that folder first in the search for
  // the library's own dependencies.
  HMODULE library =
      ::LoadLibraryExW(library_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library)
    return kLibraryNotLoadedExitCode;
  // Through void* : FARPROC and the entry's type differ in their result.
  auto run_installer = reinterpret_cast<RunInstallerFunction>(
      reinterpret_cast<void*>(::GetProcAddress(library, "RunInstaller")));
  if (!run_installer)
    return kLibraryNotLoadedExitCode;
  // The library is never unloaded: its threads may still run at exit.
  return static_cast<int>(run_installer());
}
