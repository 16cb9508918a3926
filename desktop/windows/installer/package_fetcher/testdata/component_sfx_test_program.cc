// Copyright 2026 Velta Software. All rights reserved.

// A self-extracting component for the additional-file tests, as small as a
// real one can be. Run without arguments, as the fetch runs an archive, it
// "extracts" a copy of itself named VELTA_SFX_CONTENT into its own folder and
// exits with VELTA_SFX_EXIT_CODE (a failing extractor leaves what it wrote).
// Run with --version or --stream, as the version check runs the extracted
// component installer, it prints VELTA_SFX_VERSION or VELTA_SFX_STREAM.

#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) {
    if (wcscmp(argv[1], L"--version") == 0) {
      fputs(VELTA_SFX_VERSION, stdout);
      return 0;
    }
    if (wcscmp(argv[1], L"--stream") == 0) {
      fputs(VELTA_SFX_STREAM, stdout);
      return 0;
    }
    return 2;
  }
  wchar_t self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 3;
  wchar_t target[MAX_PATH];
  wcscpy(target, self);
  wchar_t* slash = wcsrchr(target, L'\\');
  if (!slash || (slash - target) + 1 + wcslen(VELTA_SFX_CONTENT) >= MAX_PATH)
    return 3;
  wcscpy(slash + 1, VELTA_SFX_CONTENT);
  if (!::CopyFileW(self, target, FALSE))
    return 4;
  return VELTA_SFX_EXIT_CODE;
}
