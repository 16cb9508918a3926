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
#include "base/test/child_process.h"
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

}  // namespace
}  // namespace velta
