// Copyright 2026 Velta Software. All rights reserved.

// The libraries that velta_installer.dll imports are loaded by every process
// the installer starts, before its first line runs: the version queries and
// the crash reporter included. Those that only some work needs are looked up
// when that work first calls them (BASE_WIN_LAZY_CALL) or are delay-loaded,
// and must stay off the import table.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/child_process.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_module.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The names of the libraries that `dll` imports, in lower case. The image is
// mapped without being started or having its imports loaded.
std::vector<std::string> ImportedLibraries(const base::FilePath& dll) {
  base::win::ScopedModule module(
      ::LoadLibraryExW(dll.value().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  if (!module.is_valid())
    return {};
  const auto* base = reinterpret_cast<const uint8_t*>(module.get());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  for (const auto* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       directory.VirtualAddress && entry->Name; ++entry) {
    names.push_back(Lower(reinterpret_cast<const char*>(base + entry->Name)));
  }
  return names;
}

TEST(ImportTableTest, LibrariesOnlySomeWorkNeedsAreNotImported) {
  const std::vector<std::string> imported =
      ImportedLibraries(velta::test::GetPathBesideTestExecutable(L"velta_installer.dll"));
  // The table is read at all: the base layer's own libraries are there.
  ASSERT_THAT(imported, ::testing::Contains("kernel32.dll"));
  for (const char* lazy : {
           "winhttp.dll",  // the crash report upload
           "wininet.dll",  // downloads and statistics
           "wintrust.dll",  // signature checks
           "crypt32.dll",   // signature checks
           "gdiplus.dll",   // the window's images
           "msimg32.dll",   // the window's blending and gradients
           "version.dll",   // version resources of packages and installed files
       }) {
    EXPECT_THAT(imported, ::testing::Not(::testing::Contains(lazy)));
  }
}

// The libraries every start loads. The system libraries that some work calls
// directly (the window, COM, the shell, hashes) are delay-loaded on their
// first call, so that a start that never calls them loads none of them.
TEST(ImportTableTest, ImportsOnlyWhatEveryStartNeeds) {
  EXPECT_THAT(
      ImportedLibraries(velta::test::GetPathBesideTestExecutable(L"velta_installer.dll")),
      ::testing::UnorderedElementsAre("kernel32.dll", "advapi32.dll", "msvcrt.dll"));
}


// The file names (lower case) of the libraries that a run of `command_line`
// loads from its start to its end, seen as its debugger; `ended` tells
// whether it ended within the time allowed.
std::vector<std::string> LibrariesLoadedBy(std::wstring command_line, bool* ended) {
  *ended = false;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW failed: " << ::GetLastError();
    return {};
  }
  base::win::ScopedHandle process(info.hProcess);
  base::win::ScopedHandle thread(info.hThread);
  std::vector<std::string> names;
  DEBUG_EVENT event;
  while (::WaitForDebugEvent(&event, 60000)) {
    DWORD status = DBG_CONTINUE;
    HANDLE file = nullptr;
    if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
      file = event.u.LoadDll.hFile;
    } else if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
      file = event.u.CreateProcessInfo.hFile;
    } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
               event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
      status = DBG_EXCEPTION_NOT_HANDLED;
    }
    if (file) {
      base::win::ScopedHandle owned(file);
      wchar_t path[MAX_PATH * 2];
      const DWORD length = ::GetFinalPathNameByHandleW(file, path, std::size(path), 0);
      if (length > 0 && length < std::size(path)) {
        names.push_back(Lower(base::WideToUTF8(base::FilePath(path).BaseName().value())));
      }
    }
    const bool exited = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    if (exited) {
      *ended = true;
      break;
    }
  }
  if (!*ended)
    ::TerminateProcess(process.get(), 1);
  return names;
}

struct StartCase {
  const char* name;
  const wchar_t* switches;
};

class LightStartTest : public ::testing::TestWithParam<StartCase> {};

// The starts that need no window, COM, shell or hashes load none of the
// libraries that serve those, nor run their start-up code.
TEST_P(LightStartTest, LoadsNoLibraryItDoesNotCall) {
  const base::FilePath installer = velta::test::GetPathBesideTestExecutable(L"installer.exe");
  bool ended = false;
  const std::vector<std::string> loaded =
      LibrariesLoadedBy(L"\"" + installer.value() + L"\" " + GetParam().switches, &ended);
  ASSERT_TRUE(ended);
  ASSERT_THAT(loaded, ::testing::Contains("velta_installer.dll"));
  for (const char* unused : {"user32.dll", "gdi32.dll", "comctl32.dll", "uxtheme.dll",
                             "shell32.dll", "ole32.dll", "combase.dll", "oleaut32.dll",
                             "bcrypt.dll"}) {
    EXPECT_THAT(loaded, ::testing::Not(::testing::Contains(unused)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Starts,
    LightStartTest,
    ::testing::Values(StartCase{.name = "version", .switches = L"--version"},
                      StartCase{.name = "internal_version", .switches = L"--internal-version"},
                      StartCase{.name = "stream", .switches = L"--stream"},
                      StartCase{.name = "crash_reporter_without_parent",
                                .switches = L"--crash-reporter-parent-id=0"}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
