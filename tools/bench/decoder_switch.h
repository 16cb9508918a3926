// Copyright 2026 Velta Software. All rights reserved.

#ifndef TOOLS_BENCH_DECODER_SWITCH_H_
#define TOOLS_BENCH_DECODER_SWITCH_H_

#include <cstdio>
#include <cstring>

#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"

// Takes "--decoder=stream|lzmadec" when it is the first argument, dropping
// it from `*argc` and `*argv` as the benchmarks' argument counts expect:
// LzmaStreamDecoder (the reader's, the default) or LzmaDec, its reference.
// False, with a message, for another name.
inline bool TakeDecoderSwitch(int* argc, char*** argv, velta::seven_zip::LzmaEngine* engine) {
  using velta::seven_zip::LzmaEngine;
  *engine = LzmaEngine::kStreamDecoder;
  if (*argc < 2 || std::strncmp((*argv)[1], "--decoder=", 10) != 0)
    return true;
  const char* const name = (*argv)[1] + 10;
  if (std::strcmp(name, "lzmadec") == 0) {
    *engine = LzmaEngine::kLzmaDec;
  } else if (std::strcmp(name, "stream") != 0) {
    std::fprintf(stderr, "unknown decoder %s\n", name);
    return false;
  }
  --*argc;
  ++*argv;
  return true;
}

#endif  // TOOLS_BENCH_DECODER_SWITCH_H_
