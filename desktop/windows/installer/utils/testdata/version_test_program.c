/* Copyright 2026 Velta Software. All rights reserved. */

/* A program for the file version tests. Its build sets, in
 * version_test_values.h, what its version resource holds and what it prints
 * for --version and --stream; it exits 1 for anything it was given no text
 * for. VERSION_HANGS makes --version never end, VERSION_FLOODS makes it
 * print far more than any version. */

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "version_test_values.h"

int main(int argc, char** argv) {
  const char* argument = argc == 2 ? argv[1] : "";
#ifdef VELTA_TEST_VERSION_HANGS
  if (strcmp(argument, "--version") == 0)
    Sleep(INFINITE);
#endif
#ifdef VELTA_TEST_VERSION_FLOODS
  if (strcmp(argument, "--version") == 0) {
    for (int i = 0; i < 100000; ++i)
      fputs("1.2.3.4 ", stdout);
    return 0;
  }
#endif
#ifdef VELTA_TEST_VERSION_OUTPUT
  if (strcmp(argument, "--version") == 0) {
    fputs(VELTA_TEST_VERSION_OUTPUT, stdout);
    return 0;
  }
#endif
#ifdef VELTA_TEST_STREAM_OUTPUT
  if (strcmp(argument, "--stream") == 0) {
    fputs(VELTA_TEST_STREAM_OUTPUT, stdout);
    return 0;
  }
#endif
  (void)argument;
  return 1;
}
