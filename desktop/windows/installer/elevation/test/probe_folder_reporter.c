/* Copyright 2026 Velta Software. All rights reserved. */

/* A program for the runnable-folder probe's tests, which the probe copies
 * into its folder and runs: it writes the access list of the folder it runs
 * from, as SDDL, into "probe_folder_access.txt" in that folder's parent
 * (the probe's folder is gone once the probe ends). Ends with 2 when it
 * cannot. */

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

int wmain(void) {
  wchar_t path[MAX_PATH + 32];
  const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 2;
  wchar_t* last = wcsrchr(path, L'\\');
  if (!last)
    return 2;
  *last = 0;  /* The folder it runs from. */
  PSECURITY_DESCRIPTOR descriptor = NULL;
  LPWSTR sddl = NULL;
  if (GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, NULL,
                            NULL, &descriptor) != ERROR_SUCCESS ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, NULL)) {
    return 2;
  }
  char text[8192];
  const int size = WideCharToMultiByte(CP_UTF8, 0, sddl, -1, text, sizeof(text), NULL, NULL);
  if (size <= 1)
    return 2;
  last = wcsrchr(path, L'\\');
  if (!last)
    return 2;
  lstrcpyW(last + 1, L"probe_folder_access.txt");
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            NULL);
  if (file == INVALID_HANDLE_VALUE)
    return 2;
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, text, (DWORD)(size - 1), &written, NULL);
  CloseHandle(file);
  return wrote && written == (DWORD)(size - 1) ? 0 : 2;
}
