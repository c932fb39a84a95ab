#!/usr/bin/env bash
# Checks a built Windows exe the way it must ship: PE32+ for x86-64 (or PE32 for the 32-bit
# build), GUI subsystem (no console window), and importing only KERNEL32 and msvcrt, the two
# DLLs every supported Windows takes from its system folder whatever lies beside the exe (no
# libstdc++, libgcc or winpthread DLL, and no system DLL that a DLL planted in the staging
# folder could stand in for: the helper loads those itself, from the system folder).
# Usage: tools/check-exe.sh EXE [x86_64|i686]
set -u
exe=${1:?usage: check-exe.sh EXE [x86_64|i686]}
machine=${2:-x86_64}
# The x86-64 objdump reads 32-bit images too.
objdump=x86_64-w64-mingw32-objdump
case "$machine" in
x86_64) magic=020b format=pei-x86-64 kind="PE32+ x86-64" ;;
i686) magic=010b format=pei-i386 kind="PE32 x86" ;;
*) echo "unknown machine: $machine" >&2; exit 2 ;;
esac

if [ ! -f "$exe" ]; then
  echo "FAIL: $exe has not been built" >&2
  exit 1
fi
headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe" >&2; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -Eq "^Magic[[:space:]]+$magic" <<<"$headers" || fail "not $kind (optional header magic is not $magic)"
grep -Eq "file format $format\$" <<<"$headers" || fail "not $kind (file format is not $format)"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "subsystem is not Windows GUI: $(grep -E '^Subsystem' <<<"$headers")"

# Compared without regard to case, as Windows does.
allowed='^(kernel32|msvcrt)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers" | tr -d '\r')
[ -n "$dlls" ] || fail "no import table found"
while IFS= read -r dll; do
  [ -z "$dll" ] && continue
  if grep -Eiq "$allowed" <<<"$dll"; then
    echo "ok: imports $dll"
  else
    fail "imports a DLL other than KERNEL32 and msvcrt: $dll"
  fi
done <<<"$dlls"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "ok: $exe is $kind, GUI subsystem, KERNEL32 and msvcrt only"
