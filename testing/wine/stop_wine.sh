#!/bin/bash
# Stops the persistent wineserver of one build tree's prefix (and every Wine
# process in it). Usage: stop_wine.sh <build dir>
set -u
build=${1:?build dir}
export WINEPREFIX="$build/wine-prefix" HOME="$build/wine-home"
[ -d "$WINEPREFIX" ] || exit 0
wineserver -k >/dev/null 2>&1 || true
rm -f "$WINEPREFIX.wineserver.pid"
