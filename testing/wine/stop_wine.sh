#!/bin/bash
# Stops the persistent wineservers of one build tree's prefixes (the test
# prefix and the named ones beside it) and every Wine process in them.
# Usage: stop_wine.sh <build dir>
set -u
build=${1:?build dir}
for prefix in "$build"/wine-prefix "$build"/wine-prefix-*; do
  [ -d "$prefix" ] || continue
  WINEPREFIX="$prefix" HOME="$build/wine-home" wineserver -k >/dev/null 2>&1 || true
  rm -f "$prefix.wineserver.pid"
done
