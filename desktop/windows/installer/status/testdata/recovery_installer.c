/* Copyright 2026 Velta Software. All rights reserved. */

/* An old installation's installer.exe for the status recovery tests, which
 * run it with --version. What it does is in "<own path>.does":
 *   "hang"   it waits (ten minutes at most, so that a broken test leaves
 *            nothing behind for good) without printing or ending;
 *   "flood"  it prints a version again and again until its output is
 *            closed (256 MiB at most);
 *   other    it prints the file's text as it stands and ends.
 * A missing side file ends it with 2. */

#include <windows.h>

static int Print(HANDLE out, const char* text, DWORD size) {
  DWORD written = 0;
  return WriteFile(out, text, size, &written, NULL) && written == size;
}

int wmain(void) {
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 2;
  lstrcpyW(path + length, L".does");
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE)
    return 2;
  static char does[65536];
  DWORD size = 0;
  const BOOL read = ReadFile(file, does, sizeof(does), &size, NULL);
  CloseHandle(file);
  if (!read)
    return 2;

  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (size == 4 && memcmp(does, "hang", 4) == 0) {
    Sleep(10 * 60 * 1000);
    return 0;
  }
  if (size == 5 && memcmp(does, "flood", 5) == 0) {
    static char flood[11 * 6000];
    for (DWORD i = 0; i < sizeof(flood); i += 11)
      memcpy(flood + i, "12.0.345.6\n", 11);
    for (DWORD printed = 0; printed < 256u * 1024 * 1024; printed += sizeof(flood)) {
      if (!Print(out, flood, sizeof(flood)))
        return 0;
    }
    return 0;
  }
  return Print(out, does, size) ? 0 : 3;
}
