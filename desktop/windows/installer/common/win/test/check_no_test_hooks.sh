#!/bin/sh
# Fails when a shipped binary carries test hooks: a symbol of a fake or of
# this folder, or the text of a fake switch. A stripped binary's symbols are
# read from its kept symbols file.
#   check_no_test_hooks.sh <objdump> <binary> [<symbols file>]
set -u
objdump=$1
binary=$2
symbols_file=${3:-$binary}
if ! symbols=$("$objdump" -t "$symbols_file"); then
  echo "cannot read the symbols of $binary" >&2
  exit 1
fi
if [ "$(printf '%s\n' "$symbols" | wc -l)" -lt 100 ]; then
  echo "$binary has almost no symbol table; the check would prove nothing" >&2
  exit 1
fi
found=$(printf '%s\n' "$symbols" | grep -E 'Fake|fake_hooks|InstallFakes|CrashIfAskedFor|HandOverToProcessWatcher' || true)
if [ -n "$found" ]; then
  echo "$binary carries test hooks:" >&2
  printf '%s\n' "$found" | head -20 >&2
  exit 1
fi
if grep -a -q 'velta-fake-' "$binary" ||
   grep -a -q -P 'V\x00E\x00L\x00T\x00A\x00_\x00T\x00E\x00S\x00T\x00_\x00C' "$binary"; then
  echo "$binary carries the text of a fake switch" >&2
  exit 1
fi
echo "no test hooks in $binary"
