/* Copyright 2026 Velta Software. All rights reserved. */

/* The smallest program the MinGW toolchains make: no C runtime, one section
   of code and one of read-only data, so that the PE reader's fuzzer starts
   from real headers in a few KiB. make_seeds.sh builds it. */

static const char kName[] = "velta pe seed";

int Entry(void) {
  return (int)sizeof(kName);
}
