// Copyright 2026 Velta Software. All rights reserved.

#include "e2e/ui_driver/answer.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>

#include "base/strings/stringprintf.h"

namespace velta {

namespace {

constexpr int kFailed = 1;

}  // namespace

Answer::Answer(Mode mode) : mode_(mode) {}

Answer::~Answer() = default;

void Answer::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = base::StringPrintV(format, arguments);
  va_end(arguments);
  if (mode_ == Mode::kKept) {
    out_ += text;
    return;
  }
  fputs(text.c_str(), stdout);
  fflush(stdout);
}

int Answer::Fail(const char* what) {
  // Read before anything here can change it.
  const DWORD error = ::GetLastError();
  char line[512];
  snprintf(line, sizeof(line), "ui_driver: %s (error %lu)\n", what, error);
  Complain(line);
  return kFailed;
}

void Answer::Complain(const std::string& line) {
  if (mode_ == Mode::kKept) {
    err_ += line;
    return;
  }
  fputs(line.c_str(), stderr);
}

}  // namespace velta
