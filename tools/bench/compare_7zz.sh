#!/bin/bash
# Copyright 2026 Velta Software. All rights reserved.
#
# Prints the 7z reader's extraction speed next to 7zz's single-threaded one
# on the same archive, and the speed of LzmaDec alone next to 7zz decoding
# the same raw LZMA stream.
#   compare_7zz.sh BUILD_DIR [ARCHIVE [RAW.lzma UNPACKED_SIZE]]
# Without ARCHIVE it makes build_dir/bench/bench.7z (~80 MB of /usr/lib and
# /usr/share files) and bench.tar.lzma with testing/archives/make_test_archives.py.
set -euo pipefail

build=$(realpath "${1:?usage: compare_7zz.sh BUILD_DIR [ARCHIVE [RAW.lzma UNPACKED_SIZE]]}")
here=$(dirname "$(realpath "$0")")
bench_dir="$build/bench"
runs=3

if [[ $# -ge 2 ]]; then
  archive=$(realpath "$2")
else
  archive="$bench_dir/bench.7z"
  if [[ ! -f "$archive" ]]; then
    python3 "$here/../../testing/archives/make_test_archives.py" --bench --out "$bench_dir"
  fi
fi
raw=${3:-$bench_dir/bench.tar.lzma}
raw_size=${4:-}
if [[ -z "$raw_size" && -f "$bench_dir/bench.tar" ]]; then
  raw_size=$(stat -c %s "$bench_dir/bench.tar")
fi

reader="$build/tools/bench/seven_zip_bench"
lzma_dec="$build/tools/bench/lzma_dec_bench"
dest="$bench_dir/out"
unpacked=$(7zz l "$archive" | tail -1 | awk '{print $3}')

# Best of $runs wall-clock seconds for a command.
best_seconds() {
  local best=""
  for _ in $(seq $runs); do
    local start end s
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    s=$(echo "$end - $start" | bc -l)
    if [[ -z "$best" ]] || (( $(echo "$s < $best" | bc -l) )); then best=$s; fi
  done
  echo "$best"
}

extract_ours() { rm -rf "$dest"; mkdir -p "$dest"; "$reader" "$archive" "$dest"; }
extract_7zz() { rm -rf "$dest"; mkdir -p "$dest"; 7zz x -mmt=1 -y -o"$dest" "$archive"; }

ours=$(best_seconds extract_ours)
theirs=$(best_seconds extract_7zz)
rm -rf "$dest"
printf 'archive %s: %s bytes unpacked\n' "$archive" "$unpacked"
printf '  seven_zip_bench   %7.1f MB/s\n' "$(echo "$unpacked / $ours / 1000000" | bc -l)"
printf '  7zz x -mmt=1      %7.1f MB/s\n' "$(echo "$unpacked / $theirs / 1000000" | bc -l)"
printf '  ratio             %7.2f\n' "$(echo "$theirs / $ours" | bc -l)"

if [[ -f "$raw" && -n "$raw_size" ]]; then
  ours=$(best_seconds "$lzma_dec" "$raw" "$raw_size")
  theirs=$(best_seconds 7zz x -so "$raw")
  printf 'raw LZMA %s: %s bytes\n' "$raw" "$raw_size"
  printf '  LzmaDec alone     %7.1f MB/s\n' "$(echo "$raw_size / $ours / 1000000" | bc -l)"
  printf '  7zz x -so         %7.1f MB/s\n' "$(echo "$raw_size / $theirs / 1000000" | bc -l)"
  printf '  ratio             %7.2f\n' "$(echo "$theirs / $ours" | bc -l)"
fi
