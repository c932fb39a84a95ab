#!/usr/bin/env bash
# The 32-bit helper, for workstations that still run 32-bit Windows: builds it with the
# windows-x86 preset, reads its resources back, and lets an x86-unicode NSIS uninstaller
# remove the LCkapta application with it under 32-bit Wine (a win32 prefix of its own).
#
# Usage (from anywhere): tests/nsis/smoke-x86.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=build/windows-x86
prefix=$root/$build/wineprefix-win32

cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 --target tarvo-untarvo
exe=$root/$build/tarvo-untarvo.exe
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
tools/check-exe-resources.sh "$exe" "$version" i686

export TU_WINEARCH=win32
tools/wine-prefix.sh init "$prefix"
# A 64-bit prefix would run the 32-bit exe as well, under WoW64: make sure this one is not.
if [ -d "$prefix/drive_c/windows/syswow64" ]; then
  echo "$prefix is not a 32-bit prefix" >&2
  exit 1
fi
status=0
tests/nsis/real-client-test.sh "$prefix" "$root/$build/nsis-smoke" "$exe" x86-unicode --smoke || status=$?
tools/wine-prefix.sh stop "$prefix"
exit $status
