#!/usr/bin/env bash
# Checks a built Windows exe the way it must ship: PE32+ for x86-64, GUI subsystem (no
# console window), and importing only DLLs that every Windows has in System32 (no
# libstdc++, libgcc or winpthread DLL beside it).
# Usage: tools/check-exe.sh EXE [OBJDUMP]
set -u
exe=${1:?usage: check-exe.sh EXE [OBJDUMP]}
objdump=${2:-x86_64-w64-mingw32-objdump}

if [ ! -f "$exe" ]; then
  echo "FAIL: $exe has not been built" >&2
  exit 1
fi
headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe" >&2; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -Eq '^Magic[[:space:]]+020b' <<<"$headers" || fail "not PE32+ (optional header magic is not 020b)"
grep -Eq 'file format pei-x86-64' <<<"$headers" || fail "not x86-64"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "subsystem is not Windows GUI: $(grep -E '^Subsystem' <<<"$headers")"

# System DLLs only, compared without regard to case as Windows does.
allowed='^(kernel32|kernelbase|ntdll|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|version|bcrypt|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers" | tr -d '\r')
[ -n "$dlls" ] || fail "no import table found"
while IFS= read -r dll; do
  [ -z "$dll" ] && continue
  if grep -Eiq "$allowed" <<<"$dll"; then
    echo "ok: imports $dll"
  else
    fail "imports a DLL that is not a Windows system DLL: $dll"
  fi
done <<<"$dlls"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "ok: $exe is PE32+ x86-64, GUI subsystem, system DLLs only"
