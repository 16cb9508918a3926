// Copyright 2026 Velta Software. All rights reserved.

// The tests' tasklist.exe for Wine, whose own prints nothing: the running
// processes, or with /FI "PID eq <n>" the one of that id, in Windows' table
// (a blank line, the header, one line a process, the image name first), or
// the INFO line when none matches. Exit code 0, or 1 for a switch or filter
// it does not know. Installed into the test prefixes by prepare_wine.sh.

#include <windows.h>
#include <tlhelp32.h>
#include <psapi.h>

#include <stdio.h>
#include <wchar.h>
#include <wctype.h>

namespace {

// `text` in the console's code page (what cmd's pipes carry).
void PrintOem(const wchar_t* text, char* out, int size) {
  if (!::WideCharToMultiByte(CP_OEMCP, 0, text, -1, out, size, nullptr, nullptr))
    out[0] = '\0';
}

// The id from a filter "PID eq <n>" (any case, spaces as cmd leaves them).
bool ParsePidFilter(const wchar_t* filter, DWORD* pid) {
  wchar_t field[16], op[8], value[32], rest[2];
  if (swscanf(filter, L" %15ls %7ls %31ls %1ls", field, op, value, rest) != 3 ||
      _wcsicmp(field, L"PID") || _wcsicmp(op, L"eq")) {
    return false;
  }
  wchar_t* end = nullptr;
  const unsigned long number = wcstoul(value, &end, 10);
  if (*end || !iswdigit(value[0]) || number > 0xffffffffUL)
    return false;
  *pid = static_cast<DWORD>(number);
  return true;
}

void PrintProcess(const PROCESSENTRY32W& entry) {
  char name[64];
  PrintOem(entry.szExeFile, name, sizeof(name));
  DWORD session = 0;
  ::ProcessIdToSessionId(entry.th32ProcessID, &session);
  char memory[32] = "N/A";
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
  if (process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (::K32GetProcessMemoryInfo(process, &counters, sizeof(counters)))
      snprintf(memory, sizeof(memory), "%llu K",
               static_cast<unsigned long long>(counters.WorkingSetSize / 1024));
    ::CloseHandle(process);
  }
  printf("%-25.25s %8lu %-16s %11lu %12s\n", name, entry.th32ProcessID,
         session ? "Console" : "Services", session, memory);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool filtered = false;
  DWORD pid = 0;
  for (int i = 1; i < argc; ++i) {
    if (!_wcsicmp(argv[i], L"/FI") && i + 1 < argc) {
      if (!ParsePidFilter(argv[++i], &pid)) {
        printf("ERROR: The search filter cannot be recognized.\n");
        return 1;
      }
      filtered = true;
    } else {
      char text[512];
      PrintOem(argv[i], text, sizeof(text));
      printf("ERROR: Invalid argument/option - '%s'.\nType \"TASKLIST /?\" for usage.\n", text);
      return 1;
    }
  }

  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    printf("ERROR: Cannot list the processes (error %lu).\n", ::GetLastError());
    return 1;
  }
  bool header = false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    if (filtered && entry.th32ProcessID != pid)
      continue;
    if (!header) {
      printf("\nImage Name                     PID Session Name        Session#    Mem Usage\n"
             "========================= ======== ================ =========== ============\n");
      header = true;
    }
    PrintProcess(entry);
  }
  ::CloseHandle(snapshot);
  if (!header)
    printf("INFO: No tasks are running which match the specified criteria.\n");
  return 0;
}
