/* Copyright 2026 Velta Software. All rights reserved. */

/* A pinning helper that never gets its pin: it holds "<own path>.held" open
 * without sharing, so that a test can tell whether it still runs, and waits
 * (ten minutes at most, so that a broken test leaves nothing behind for
 * good) without ending by itself. */

#include <windows.h>

int wmain(void) {
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 2;
  lstrcpyW(path + length, L".held");
  HANDLE held = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            NULL);
  if (held == INVALID_HANDLE_VALUE)
    return 3;
  Sleep(10 * 60 * 1000);
  CloseHandle(held);
  return 0;
}
