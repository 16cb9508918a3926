#!/bin/sh
# Rebuilds the PE reader fuzzer's seeds beside this script from
# seed_program.c with Debian's MinGW-w64 compilers: a PE32+ program for
# x86-64, a PE32 program for x86 and a PE32+ library. Stripped, without the
# C runtime, aligned to 512 bytes in the file: 3 to 4 KiB each. The script
# and the source are seeds as well: bytes that are no PE file.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
flags="-Os -s -nostdlib -nostartfiles -Wl,--file-alignment=512 -Wl,--section-alignment=4096"
x86_64-w64-mingw32-gcc $flags -Wl,-e,Entry -o "$here/program_x64.exe" "$here/seed_program.c"
i686-w64-mingw32-gcc $flags -Wl,-e,_Entry -o "$here/program_x86.exe" "$here/seed_program.c"
x86_64-w64-mingw32-gcc $flags -shared -Wl,-e,Entry -o "$here/library_x64.dll" "$here/seed_program.c"
