#!/bin/bash
# Copyright 2026 Velta Software. All rights reserved.
#
# Times the 7z reader's extraction on one thread against 7zz's on one thread
# on the same archive, on an archive of many LZMA2 blocks with the threads of
# each against 7zz with its default threads, and the reader's LZMA decoder
# alone against 7zz and LzmaDec decoding the same raw LZMA stream: medians of
# interleaved runs (VELTA_BENCH_RUNS, default 7) with their spread, and the
# median per-run ratio (interleaved.py); then each extraction's peak memory
# (/usr/bin/time -v, one run each). Pin it to the cores it may use:
# taskset -c 2,3 compare_7zz.sh ...
#   compare_7zz.sh BUILD_DIR [ARCHIVE [RAW.lzma UNPACKED_SIZE]]
# Without ARCHIVE it makes build_dir/bench/bench.7z (~80 MB of /usr/lib and
# /usr/share files), bench_parts.7z (the same files packed on several threads)
# and bench.tar.lzma with testing/archives/make_test_archives.py.
# VELTA_BENCH_PARTS names another archive of many blocks.
set -euo pipefail

build=$(realpath "${1:?usage: compare_7zz.sh BUILD_DIR [ARCHIVE [RAW.lzma UNPACKED_SIZE]]}")
here=$(dirname "$(realpath "$0")")
bench_dir="$build/bench"
runs=${VELTA_BENCH_RUNS:-7}

if [[ $# -ge 2 ]]; then
  archive=$(realpath "$2")
else
  archive="$bench_dir/bench.7z"
  if [[ ! -f "$archive" || ! -f "$bench_dir/bench_parts.7z" ]]; then
    python3 "$here/../../testing/archives/make_test_archives.py" --bench --out "$bench_dir"
  fi
fi
parts=${VELTA_BENCH_PARTS:-$bench_dir/bench_parts.7z}
raw=${3:-$bench_dir/bench.tar.lzma}
raw_size=${4:-}
if [[ -z "$raw_size" && -f "$bench_dir/bench.tar" ]]; then
  raw_size=$(stat -c %s "$bench_dir/bench.tar")
fi

reader="$build/tools/bench/seven_zip_bench"
lzma_dec="$build/tools/bench/lzma_dec_bench"
dest="$bench_dir/out"
unpacked=$(7zz l "$archive" | tail -1 | awk '{print $3}')

interleaved() { python3 "$here/interleaved.py" --runs "$runs" "$@"; }
empty_dest="rm -rf '$dest' && mkdir -p '$dest'"

printf 'archive %s: %s bytes unpacked (7zz / ours above 1: ours is faster)\n' "$archive" "$unpacked"
interleaved --name "seven_zip_bench, 1 thread" --before "$empty_dest" \
  -- "$reader" "$archive" "$dest" 1 \
  --name "7zz x -mmt=1" --before "$empty_dest" -- 7zz x -mmt=1 -y -o"$dest" "$archive"
rm -rf "$dest"

if [[ -f "$parts" ]]; then
  printf 'archive of many blocks %s (7zz with its default threads)\n' "$parts"
  interleaved --name seven_zip_bench --before "$empty_dest" -- "$reader" "$parts" "$dest" \
    --name "7zz x" --before "$empty_dest" -- 7zz x -y -o"$dest" "$parts" \
    --name "seven_zip_bench, 1 thread" --before "$empty_dest" -- "$reader" "$parts" "$dest" 1
fi

# Peak memory (maximum resident set size) of one extraction each.
peak() {
  local name=$1
  shift
  rm -rf "$dest" && mkdir -p "$dest"
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -v name="$name" \
    '/Maximum resident set size/ { printf "%-40s %7.1f MB\n", name, $6 / 1024 }'
}
peak "seven_zip_bench, 1 thread $(basename "$archive")" "$reader" "$archive" "$dest" 1
peak "7zz x -mmt=1 $(basename "$archive")" 7zz x -mmt=1 -y -o"$dest" "$archive"
if [[ -f "$parts" ]]; then
  peak "seven_zip_bench $(basename "$parts")" "$reader" "$parts" "$dest"
  peak "seven_zip_bench, 1 thread $(basename "$parts")" "$reader" "$parts" "$dest" 1
  peak "7zz x $(basename "$parts")" 7zz x -y -o"$dest" "$parts"
fi
rm -rf "$dest"

if [[ -f "$raw" && -n "$raw_size" ]]; then
  printf 'raw LZMA %s: %s bytes\n' "$raw" "$raw_size"
  interleaved --name "our decoder alone" -- "$lzma_dec" "$raw" "$raw_size" \
    --name "7zz x -so" -- 7zz x -so "$raw" \
    --name "LzmaDec alone" -- "$lzma_dec" --decoder=lzmadec "$raw" "$raw_size"
fi
