// Copyright 2026 Velta Software. All rights reserved.

// A self-extracting component for the additional-file tests, as small as a
// real one can be. Run without arguments, as the fetch runs an archive, it
// "extracts" a copy of itself named VELTA_SFX_CONTENT into its own folder and
// exits with VELTA_SFX_EXIT_CODE (a failing extractor leaves what it wrote);
// built with VELTA_SFX_HANGS, it never exits after extracting.
// Run with --version or --stream, as the version check runs the extracted
// component installer, it prints VELTA_SFX_VERSION or VELTA_SFX_STREAM.
// Run with --installfolder=DIR, as the installation runs a component's
// installer, it makes DIR and appends its command line to DIR\component_calls.

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
    static const wchar_t kFolderSwitch[] = L"--installfolder=";
    const size_t prefix = wcslen(kFolderSwitch);
    if (wcsncmp(argv[1], kFolderSwitch, prefix) != 0)
      return 2;
    const wchar_t* folder = argv[1] + prefix;
    if (!::CreateDirectoryW(folder, nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
      return 5;
    wchar_t calls[MAX_PATH];
    if (_snwprintf(calls, MAX_PATH, L"%ls\\component_calls", folder) < 0)
      return 5;
    calls[MAX_PATH - 1] = L'\0';
    FILE* out = _wfopen(calls, L"a");
    if (!out)
      return 5;
    fputws(::GetCommandLineW(), out);
    fputws(L"\n", out);
    fclose(out);
    return 0;
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
#if defined(VELTA_SFX_HANGS)
  ::Sleep(INFINITE);
#endif
  return VELTA_SFX_EXIT_CODE;
}
