#!/bin/bash
# Times a silent installation of a package of about 100 MB by installer.exe
# under the build tree's Wine prefix (its own prefix, the persistent
# wineserver the tests use) against `7zz x` of the same archive plus a copy
# of the unpacked files into the same place in the same prefix.
#
# Usage: compare_install.sh BUILD_DIR [RUNS] [MEGABYTES]
#
# The package is the unpacked test package with MEGABYTES (default 100) of
# bulk files (make_test_package.py --bulk-megabytes), packed by 7zz behind
# the build's installer.exe as the download servers carry it, as a packer on
# several threads writes it: each folder's LZMA2 stream in independent blocks
# of 32 MiB (the large folder's 111 MB in four). Each run times:
#   network   installer.exe outside the package, fetching it from the
#             loopback test server: metadata, download, SHA-256, unpacking
#             into the download folder, then the package's own installer
#             with every install step;
#   package   the package's installer.exe run in the unpacked package: the
#             install steps alone (the copy into the version folder first);
#   baseline  7zz x of the archive into a download folder in the prefix,
#             then cp -r of the unpacked files into the version folder.
# Every installation is uninstalled again (not timed). It prints the medians
# of RUNS (default 5) and the ratios to the baseline. Installations are
# checked (the largest file installed whole) before they count.
set -eu
build=$(cd "$1" && pwd)
runs=${2:-5}
megabytes=${3:-100}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin="$build/bin"
packs=${VELTA_RESOURCE_PACKS_DIR:-$build/desktop/windows/installer/utils/stand_in_resource_packs}
for needed in "$bin/installer.exe" "$bin/velta_installer.dll" "$bin/recording_stand_in.exe"; do
  [ -f "$needed" ] || { echo "compare_install: $needed is missing (build the tree)" >&2; exit 1; }
done
[ -d "$packs" ] || { echo "compare_install: no resource packs in $packs" >&2; exit 1; }
seven_zip=$(command -v 7zz || command -v 7z) || { echo "compare_install: no 7zz" >&2; exit 1; }

work="$build/bench/install"
prefix_root="$build/wine-prefix/drive_c/velta_bench"
download="$prefix_root/download"
server_dir=$(mktemp -d)
cleanup() {
  rm -f "$server_dir/alive"  # the server ends when its alive file goes
  sleep 0.3
  rm -rf "$server_dir" "$prefix_root"
}
trap cleanup EXIT
wine_path() { echo "Z:${1//\//\\}"; }
# The installer's threads (a folder's LZMA2 blocks, the folder decoded ahead)
# may use every core the benchmark runs on, as 7zz's do.
run() { VELTA_WINE_ALL_CORES=1 "$build/run_under_wine.sh" "$@"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The prefix's wineserver starts again, untimed, on the cores the benchmark
# runs on: one started earlier (by the tests) may use every core, and the
# installer's calls to it would then cost the timed cores nothing.
"$root/testing/wine/stop_wine.sh" "$build"
run hostname >/dev/null

echo "Making the package ($megabytes MB of bulk files) and its archive"
rm -rf "$work"
mkdir -p "$work"
python3 "$root/e2e/make_test_package.py" --bin "$bin" --resource-packs "$packs" \
  --out "$work/package" --bulk-megabytes "$megabytes"
(cd "$work/package" &&
  "$seven_zip" a -t7z -bd -mmt=4 -m0=LZMA2:c=32m "$work/package.7z" . '-x!ready' >/dev/null)
cat "$bin/installer.exe" "$work/package.7z" > "$server_dir/velta_package.exe"
checksum=$(sha256sum "$server_dir/velta_package.exe" | cut -d' ' -f1)
echo "  $(du -sm "$work/package" | cut -f1) MB unpacked in $(find "$work/package" -type f | wc -l)" \
  "files, archive $(($(stat -c %s "$work/package.7z") / 1048576)) MB"

echo '{"routes": [{"path": "/prefs", "replies": [{"body": "{}"}]}]}' > "$server_dir/rules.json"
touch "$server_dir/alive"
python3 "$root/testing/http_server/http_server.py" --root "$server_dir" \
  --rules "$server_dir/rules.json" --port-file "$server_dir/port" \
  --alive-file "$server_dir/alive" --max-seconds 7200 >/dev/null &
for _ in $(seq 100); do [ -s "$server_dir/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$server_dir/port")"
echo "{\"installer\": \"$url/velta_package.exe\", \"installer_checksum\": \"$checksum\"}" \
  > "$server_dir/meta"

# The version folder an installation made in `folder`.
version_folder() {
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["_subfolder"])' \
    "$1/installation_status.json"
}

# Uninstalls the installation in `folder` (silently, not timed) and removes
# what is left.
uninstall() {
  local folder=$1 subfolder
  subfolder=$(version_folder "$folder")
  run "$folder/$subfolder/installer.exe" --uninstall --silent --enable-installer-stats=0 >/dev/null 2>&1 || true
  for _ in $(seq 100); do [ -e "$folder/k.bat" ] || break; sleep 0.2; done
  rm -rf "$folder"
}

# Runs `installer.exe switches...` with a fresh download folder in the
# prefix, installing into `folder`; sets `elapsed` to the milliseconds it took.
# The logs go to the prefix user's temporary folder, "Velta Installer".
time_installation() {
  local folder=$1 program=$2 started code
  shift 2
  rm -rf "$folder" "$download"
  mkdir -p "$download"
  started=$(now_ms)
  set +e
  run "$program" --silent --enable-installer-stats=0 --launchvelta=0 \
    "--installfolder=$(wine_path "$folder")" \
    "--temp-folder=$(wine_path "$download")" \
    "--local-pref-default-overrides-server=$url/prefs" "$@" >"$work/run.out" 2>&1
  code=$?
  set -e
  elapsed=$(($(now_ms) - started))
  if [ "$code" -ne 0 ]; then
    echo "compare_install: installer.exe ended with $code (see its logs)" >&2
    rm -f "$server_dir/alive"
    trap - EXIT
    exit 1
  fi
}

# Sets `elapsed` to the milliseconds of 7zz x plus the copy, and `copied` to
# those of the copy alone.
time_baseline() {
  local folder=$1 started unpacked
  rm -rf "$folder" "$download"
  mkdir -p "$download"
  started=$(now_ms)
  "$seven_zip" x -bd -y "-o$download" "$work/package.7z" >/dev/null
  unpacked=$(now_ms)
  mkdir -p "$folder/bench_version"
  cp -r "$download/." "$folder/bench_version/"
  elapsed=$(($(now_ms) - started))
  copied=$(($(now_ms) - unpacked))
}

# Fails unless the installation in `folder` holds the package's largest file
# whole: a run that installed nothing must not count as fast.
check_installed() {
  local installed
  installed="$1/$(version_folder "$1")/velta_core.dll"
  if ! cmp -s "$installed" "$work/package/velta_core.dll"; then
    echo "compare_install: $installed is not the package's" >&2
    exit 1
  fi
}

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
spread() { printf '%s\n' "$@" | sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {print lo " to " hi}'; }

run true >/dev/null 2>&1 || true  # starts the prefix's wineserver
network=() package=() baseline=() copy=()
folder="$prefix_root/Velta Browser"
for i in $(seq "$runs"); do
  time_installation "$folder" "$bin/installer.exe" "--internal-package-server=$url/meta"
  check_installed "$folder"
  network+=("$elapsed")
  uninstall "$folder"
  time_installation "$folder" "$work/package/installer.exe"
  check_installed "$folder"
  package+=("$elapsed")
  uninstall "$folder"
  time_baseline "$folder"
  baseline+=("$elapsed")
  copy+=("$copied")
  rm -rf "$folder"
  echo "  run $i: network ${network[-1]} ms, package ${package[-1]} ms," \
    "baseline ${baseline[-1]} ms (copy ${copy[-1]} ms)"
done

ratio() { awk "BEGIN {printf \"%.2f\", $1 / $2}"; }
n=$(median "${network[@]}")
p=$(median "${package[@]}")
b=$(median "${baseline[@]}")
c=$(median "${copy[@]}")
echo "Medians of $runs interleaved runs (lowest to highest), $(basename "$build"):"
echo "  network installation   $n ms ($(spread "${network[@]}"))  $(ratio "$n" "$b") x baseline"
echo "  package installation   $p ms ($(spread "${package[@]}"))  $(ratio "$p" "$b") x baseline, $(ratio "$p" "$c") x the copy"
echo "  baseline (7zz x + cp)  $b ms ($(spread "${baseline[@]}"))  cp alone $c ms"
