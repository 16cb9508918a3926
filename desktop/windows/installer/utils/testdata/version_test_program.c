/* Copyright 2026 Velta Software. All rights reserved. */

/* A program for the file version tests. Its build sets, in
 * version_test_values.h, what its version resource holds and what it prints
 * for --version and --stream; it exits 1 for anything it was given no text
 * for. */

#include <stdio.h>
#include <string.h>

#include "version_test_values.h"

int main(int argc, char** argv) {
  const char* argument = argc == 2 ? argv[1] : "";
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
