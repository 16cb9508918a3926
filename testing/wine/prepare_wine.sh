#!/bin/bash
# Makes sure $WINEPREFIX exists and is set up for the tests, and that one
# persistent wineserver serves it. Safe to call from many processes at once.
#
# - A build tree's prefixes are copies of one template prefix
#   ($VELTA_WINE_TEMPLATE), made once (wineboot -i, and again whenever the
#   settings below or the font script they run change) with the Schedule service
#   set to start automatically (else Task Scheduler 2.0 Connect fails with
#   0x80041315 in the first session), Windows 10 as the reported version and
#   no display for programs of the GUI subsystem. A copy shares the
#   template's programs and libraries through hard links (Wine only reads
#   them; about 1.3 GB a prefix otherwise) and has its own copy of every
#   other file (the registry, the .ini files). Without a template the prefix
#   is made in place the same way.
# - The wineserver and Wine's services are started detached from the caller's
#   output: otherwise ctest waits for them after each test (about 2.6 s a test).
# - Test certificate authorities (every *.cer in $VELTA_TEST_ROOTS) go into the
#   machine's Root store through the $VELTA_ADD_TEST_ROOT helper, which calls
#   CertAddEncodedCertificateToStore. Each certificate is added once per prefix
#   (a marker named by its SHA-1 thumbprint), so a prefix made before a root
#   existed gets it on its next use; a helper or root not built yet is skipped
#   and added by a later call.
# - The console programs built for the tests ($VELTA_WINE_PROGRAMS, a folder
#   for each architecture: tasklist.exe, find.exe) replace Wine's own in
#   system32 (x64) and syswow64 (x86): Wine 8's tasklist prints nothing and
#   its find refuses /c, so the wait loop of the uninstall's clean-up script
#   would end at once. The prefix's DllOverrides put them first ("native,
#   builtin"): without that a cmd started by a Windows program (the
#   uninstaller's clean-up script, a test's) still runs Wine's builtins (a
#   cmd that Wine starts directly does run the files), and with "native"
#   alone a prefix without them finds no find at all. A program whose copy in the prefix differs
#   (a new build, a new prefix) is copied again; the copy replaces the link
#   to the template's file rather than writing through it.
# - All of it runs under a lock: a cold prefix hit by `ctest -j` hangs otherwise.
set -eu
: "${WINEPREFIX:?}" "${HOME:?}"
script_dir=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$HOME" "$(dirname "$WINEPREFIX")"

exec 9>"$WINEPREFIX.lock"
flock 9

server_pid_file="$WINEPREFIX.wineserver.pid"
server_running() {
  [ -f "$server_pid_file" ] || return 1
  local pid
  pid=$(cat "$server_pid_file")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null &&
    grep -q wineserver "/proc/$pid/cmdline" 2>/dev/null
}

# Makes a new prefix in $WINEPREFIX: wineboot, then the tests' settings.
make_prefix() {
  rm -rf "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1 9>&-
  wine reg add 'HKLM\System\CurrentControlSet\Services\Schedule' /v Start /t REG_DWORD /d 2 /f \
    </dev/null >/dev/null 2>&1
  wine winecfg -v win10 </dev/null >/dev/null 2>&1
  # Programs of the GUI subsystem run without a display (no explorer desktop).
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  # The tests' console programs, put into system32 and syswow64 below, run
  # instead of Wine's own.
  for program in tasklist.exe find.exe; do
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v "$program" /d native,builtin /f \
      </dev/null >/dev/null 2>&1
  done
  # Fonts, as the window tests measure and draw their texts (fonts-wine and
  # the Noto fonts, tools/install_packages). This Wine does not load the fonts
  # of its own data folder: Tahoma (the dialogs' "MS Shell Dlg") and Marlett
  # (the title bar's buttons) are named here. Texts in "Segoe UI" take Tahoma.
  # What Tahoma lacks (Greek with accents, CJK, the Indic scripts, symbols
  # such as the error page's cross) comes from the Noto fonts through
  # Tahoma's font link, as on Windows. Bold is made from Tahoma: with Tahoma
  # Bold named, Wine draws bold texts without the link. Hebrew, Urdu's
  # letters, Thai and Sinhala go into Tahoma itself (tahoma_with_scripts.py
  # says why a link cannot bring them).
  /usr/bin/python3 "$script_dir/tahoma_with_scripts.py" /usr/share/wine/fonts/tahoma.ttf \
    /usr/share/fonts/truetype/noto "$WINEPREFIX/drive_c/windows/Fonts/tahoma.ttf"
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Tahoma (TrueType)' \
    /d 'C:\windows\Fonts\tahoma.ttf' /f </dev/null >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Marlett (TrueType)' \
    /d 'Z:\usr\share\wine\fonts\marlett.ttf' /f </dev/null >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'Segoe UI' \
    /d Tahoma /f </dev/null >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /f /d \
'NotoSans-Regular.ttf,Noto Sans\0'\
'NotoSansCJK-Regular.ttc,Noto Sans CJK JP\0'\
'NotoSansCJK-Regular.ttc,Noto Sans CJK SC\0'\
'NotoSansCJK-Regular.ttc,Noto Sans CJK TC\0'\
'NotoSansCJK-Regular.ttc,Noto Sans CJK KR\0'\
'NotoSansMalayalam-Regular.ttf,Noto Sans Malayalam\0'\
'NotoSansTamil-Regular.ttf,Noto Sans Tamil\0'\
'NotoSansTelugu-Regular.ttf,Noto Sans Telugu\0'\
'NotoSansKannada-Regular.ttf,Noto Sans Kannada\0'\
'NotoSansDevanagari-Regular.ttf,Noto Sans Devanagari\0'\
'NotoSansBengali-Regular.ttf,Noto Sans Bengali\0'\
'NotoSansGujarati-Regular.ttf,Noto Sans Gujarati\0'\
'NotoSansGurmukhi-Regular.ttf,Noto Sans Gurmukhi\0'\
'NotoSansOriya-Regular.ttf,Noto Sans Oriya\0'\
'NotoSansSinhala-Regular.ttf,Noto Sans Sinhala\0'\
'NotoSansThai-Regular.ttf,Noto Sans Thai\0'\
'NotoSansEthiopic-Regular.ttf,Noto Sans Ethiopic\0'\
'NotoSansSymbols2-Regular.ttf,Noto Sans Symbols2' </dev/null >/dev/null 2>&1
  wineserver -w
  echo "$setup_stamp" >"$WINEPREFIX/.velta-ready"
}

# A prefix is ready when it was made by this script's make_prefix as it is
# now: a change of the settings above remakes every prefix on its next use.
setup_stamp=$({ declare -f make_prefix; cat "$script_dir/tahoma_with_scripts.py"; } | sha1sum | cut -c1-40)
prefix_ready() {
  [ "$(cat "$1/.velta-ready" 2>/dev/null)" = "$setup_stamp" ]
}

# Copies the template prefix $1, made with $2 as its HOME, to $WINEPREFIX:
# Windows programs and libraries as hard links, everything else as files of
# its own; the user folders that Wine links to the home folder (Desktop,
# Documents, ...) link to $HOME instead.
copy_template() {
  local template=$1 template_home=$2 staging="$WINEPREFIX.copying" file target
  rm -rf "$WINEPREFIX" "$staging"
  cp -a --link "$template" "$staging"
  while IFS= read -r -d '' file; do
    cp -p --remove-destination "$template/${file#"$staging"/}" "$file"
  done < <(find "$staging" -type f -regextype posix-extended \
             ! -iregex '.*\.(dll|exe|nls|drv|sys|vxd|ocx|cpl|acm|tlb|ds|com|ax|msstyles)' -print0)
  while IFS= read -r -d '' file; do
    target=$(readlink "$file")
    case "$target" in
      "$template_home" | "$template_home"/*) ln -sfn "$HOME${target#"$template_home"}" "$file" ;;
    esac
  done < <(find "$staging/drive_c/users" -type l -print0)
  mv "$staging" "$WINEPREFIX"
}

if ! prefix_ready "$WINEPREFIX"; then
  # A prefix made by an earlier setup may still have its wineserver.
  if server_running; then
    wineserver -k >/dev/null 2>&1 || true
    rm -f "$server_pid_file"
  fi
  if [ -n "${VELTA_WINE_TEMPLATE:-}" ]; then
    template=$VELTA_WINE_TEMPLATE
    template_home="$template.home"
    mkdir -p "$template_home"
    # Made under an exclusive lock, copied under a shared one.
    exec 8>"$template.lock"
    flock 8
    if ! prefix_ready "$template"; then
      WINEPREFIX="$template" HOME="$template_home" make_prefix 8>&-
    fi
    flock -s 8
    copy_template "$template" "$template_home"
    exec 8>&-
  else
    make_prefix
  fi
fi

# What starts here outlives this script: it must not inherit the lock (fd 9),
# or every later caller waits for the lock forever.
if ! server_running; then
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 9>&- &
  echo $! > "$server_pid_file"
  # Start Wine's services now, detached, so that no test's output pipe holds them.
  setsid wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
  # The first program that touches the window station starts the desktop
  # process (explorer.exe /desktop), which inherits that program's handles and
  # holds its output pipe open: start it here, detached, instead.
  setsid wine explorer.exe /desktop </dev/null >/dev/null 2>&1 9>&- &
fi

if [ -d "${VELTA_WINE_PROGRAMS:-/nonexistent}" ]; then
  for pair in x64:system32 x86:syswow64; do
    arch=${pair%%:*}
    system_folder="$WINEPREFIX/drive_c/windows/${pair#*:}"
    [ -d "$system_folder" ] || continue
    for program in "$VELTA_WINE_PROGRAMS/$arch"/*.exe; do
      [ -f "$program" ] || continue
      installed="$system_folder/${program##*/}"
      cmp -s "$program" "$installed" && continue
      cp "$program" "$installed.velta-new" && mv -f "$installed.velta-new" "$installed" ||
        echo "prepare_wine.sh: cannot install $program into $system_folder" >&2
    done
  done
fi

if [ -d "${VELTA_TEST_ROOTS:-/nonexistent}" ] && [ -f "${VELTA_ADD_TEST_ROOT:-/nonexistent}" ]; then
  for certificate in "$VELTA_TEST_ROOTS"/*.cer; do
    [ -f "$certificate" ] || continue
    marker="$WINEPREFIX/.velta-root-$(sha1sum "$certificate" | cut -c1-40)"
    [ -f "$marker" ] && continue
    # The helper takes Windows paths: the Linux root is drive Z:.
    if wine "$VELTA_ADD_TEST_ROOT" "Z:${certificate//\//\\}" </dev/null >/dev/null 2>&1 9>&-; then
      touch "$marker"
    else
      echo "prepare_wine.sh: cannot add $certificate to the Root store" >&2
    fi
  done
fi
