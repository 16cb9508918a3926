#!/bin/bash
# Times the installer's downloader against a plain WinINet read loop on the
# same file from the loopback test server, under the build tree's Wine
# prefix, and once more with the first answer cut in the middle (the
# downloader must resume). Usage: compare_wininet.sh BUILD_DIR [MEGABYTES] [RUNS]
set -eu
build=$(cd "$1" && pwd)
megabytes=${2:-100}
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root"
head -c "$((megabytes * 1024 * 1024))" /dev/urandom > "$work/root/big.bin"
sha256=$(sha256sum "$work/root/big.bin" | cut -d' ' -f1)
half=$((megabytes * 512 * 1024))
cat > "$work/rules.json" <<RULES
{"routes": [{"path": "/cut.bin", "then": "cycle", "replies": [
  {"body_file": "big.bin", "cut_after": $half}, {"body_file": "big.bin"}]}]}
RULES
python3 "$here/../../testing/http_server/http_server.py" --root "$work/root" \
  --rules "$work/rules.json" --port-file "$work/port" > /dev/null &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

echo "$megabytes MB from 127.0.0.1:$port, $(basename "$build")"
"$build/run_under_wine.sh" "$build/bin/wininet_bench.exe" \
  "http://127.0.0.1:$port/big.bin" "Z:${work//\//\\}\\out.bin" "$sha256" "$runs" \
  "http://127.0.0.1:$port/cut.bin"
