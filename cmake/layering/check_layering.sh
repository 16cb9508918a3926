#!/bin/sh
# Usage: check_layering.sh CMAKE BUILD_TREE
# Builds layering_allowed (must compile) and layering_forbidden (must fail
# because the higher folder's header is not on transactions/'s include path).
cmake=$1 tree=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT

if ! "$cmake" --build "$tree" --target layering_allowed >"$out" 2>&1; then
  cat "$out"
  echo "FAILED: an include that transactions/ may use does not compile"
  exit 1
fi
if "$cmake" --build "$tree" --target layering_forbidden >"$out" 2>&1; then
  echo "FAILED: transactions/ can include the elevation/ folder above it"
  exit 1
fi
if ! grep -q "runnable_folder.h: No such file or directory" "$out"; then
  cat "$out"
  echo "FAILED: the forbidden include failed for another reason"
  exit 1
fi
echo "layering enforced: transactions/ cannot include desktop/windows/installer/elevation/runnable_folder.h"
