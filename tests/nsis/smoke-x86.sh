#!/usr/bin/env bash
# The 32-bit helper, for workstations that still run 32-bit Windows: builds it with the
# windows-x86 preset, reads it back (machine, subsystem, manifest, version, size, imports),
# builds the x86-unicode example uninstaller around it, and lets that uninstaller remove the
# LCkapta application with it under 32-bit Wine (a win32 prefix of its own).
#
# On a machine that runs no 32-bit programs the last two checks, which start 32-bit Windows
# programs, are named as not run; everything else runs there as well.
#
# Usage (from anywhere): tests/nsis/smoke-x86.sh
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=$root/build/windows-x86
PREFIX=$build/wineprefix-win32 WORK=$build/nsis-smoke
mkdir -p "$PREFIX"
. "$root/tests/nsis/lib.sh"
plan 6

exe=$build/tarvo-untarvo.exe
cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86 --target tarvo-untarvo
check "the x86 exe does not build" test $? -eq 0 -a -f "$exe"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
check "the x86 exe's machine, subsystem, manifest, version or size is wrong" \
  tools/check-exe-resources.sh "$exe" "$version" i686
check "the x86 exe imports what it must not" tools/check-exe.sh "$exe" i686
mkdir -p "$WORK/payload"
printf 'lc-kapta\n' >"$WORK/payload/lc-kapta.exe"
build_installer lckapta-x86-setup.exe "$root/nsis/examples/lckapta.nsi" -DTARVO_TARGET=x86-unicode \
  "-DTARVO_UNTARVO_EXE=$exe" "-DAPP_FILES=$WORK/payload"

if ! runs_32bit; then
  not_run "a 32-bit Wine prefix is made"
  not_run "the x86-unicode uninstaller removes LCkapta with the 32-bit helper (tests/nsis/real-client-test.sh --smoke)"
  finish
fi

export TU_WINEARCH=win32
tools/wine-prefix.sh init "$PREFIX"
# A 64-bit prefix would run the 32-bit exe as well, under WoW64: make sure this one is not.
check "$PREFIX is not a 32-bit prefix" test ! -d "$PREFIX/drive_c/windows/syswow64"
# The whole removal is a counted suite of its own, judged on its own; its lines are indented
# so that its plan and its closing count are not taken for this suite's.
tools/judge.sh checks tests/nsis/real-client-test.sh "$PREFIX" "$WORK/real-client" "$exe" x86-unicode --smoke \
  2>&1 | sed 's/^/  | /'
check "the x86-unicode uninstaller did not remove LCkapta with the 32-bit helper" test "${PIPESTATUS[0]}" -eq 0
tools/wine-prefix.sh stop "$PREFIX"
finish
