// Copyright 2026 Velta Software. All rights reserved.

// The tests' find.exe for Wine, whose own refuses /c: FIND [/C] [/I] "text"
// reads its standard input and prints the lines that hold the text, or with
// /C only how many; /I compares ASCII letters without case. ERRORLEVEL 0
// when a line holds the text, 1 when none does, 2 for a command line it does
// not take (files to read are not taken). Installed into the test prefixes
// by prepare_wine.sh.

#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <string>

namespace {

char Fold(char c, bool ignore_case) {
  return ignore_case && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Holds(const std::string& line, const std::string& text, bool ignore_case) {
  if (text.size() > line.size())
    return false;
  for (size_t start = 0; start + text.size() <= line.size(); ++start) {
    size_t i = 0;
    while (i < text.size() && Fold(line[start + i], ignore_case) == Fold(text[i], ignore_case))
      ++i;
    if (i == text.size())
      return true;
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool count_only = false;
  bool ignore_case = false;
  const wchar_t* wide_text = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!_wcsicmp(argv[i], L"/C")) {
      count_only = true;
    } else if (!_wcsicmp(argv[i], L"/I")) {
      ignore_case = true;
    } else if (argv[i][0] != L'/' && !wide_text) {
      wide_text = argv[i];
    } else {
      fprintf(stderr, "FIND: Parameter format not correct\n");
      return 2;
    }
  }
  if (!wide_text) {
    fprintf(stderr, "FIND: Parameter format not correct\n");
    return 2;
  }
  char text_bytes[1024];
  if (!::WideCharToMultiByte(CP_OEMCP, 0, wide_text, -1, text_bytes, sizeof(text_bytes), nullptr,
                             nullptr)) {
    fprintf(stderr, "FIND: Parameter format not correct\n");
    return 2;
  }
  const std::string text = text_bytes;

  std::string input;
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  char buffer[4096];
  DWORD read = 0;
  while (in != INVALID_HANDLE_VALUE && ::ReadFile(in, buffer, sizeof(buffer), &read, nullptr) &&
         read) {
    input.append(buffer, read);
  }

  unsigned long matches = 0;
  size_t start = 0;
  while (start < input.size()) {
    size_t end = input.find('\n', start);
    const size_t next = end == std::string::npos ? input.size() : end + 1;
    if (end == std::string::npos)
      end = input.size();
    if (end > start && input[end - 1] == '\r')
      --end;
    const std::string line = input.substr(start, end - start);
    if (Holds(line, text, ignore_case)) {
      ++matches;
      if (!count_only)
        printf("%s\n", line.c_str());
    }
    start = next;
  }
  if (count_only)
    printf("%lu\n", matches);
  return matches ? 0 : 1;
}
