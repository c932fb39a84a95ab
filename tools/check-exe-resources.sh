#!/usr/bin/env bash
# Reads back from a built tarvo-untarvo.exe what makes it a well-behaved Windows tool: the
# machine, the GUI subsystem, no symbols or debugging information, the embedded application
# manifest (asInvoker, long-path aware, Windows 7 to 11, the version), the version information and a size
# of at most 128 KiB. The
# import table is checked by tools/check-exe.sh. Needs binutils-mingw-w64 (objdump, windres).
#
# Usage: tools/check-exe-resources.sh EXE [VERSION] [x86_64|i686]
#   VERSION: the project version (major.minor.patch) the version information must carry.
set -u
exe=$1
version=${2:-}
machine=${3:-x86_64}
case "$machine" in
x86_64) format=pei-x86-64 ;;
i686) format=pei-i386 ;;
*) echo "unknown machine: $machine" >&2; exit 2 ;;
esac
# The x86-64 tools read 32-bit images too, so a wrong machine is reported, not a tool error.
objdump=x86_64-w64-mingw32-objdump
windres=x86_64-w64-mingw32-windres

failures=0
fail() {
  failures=$((failures + 1))
  printf 'FAIL: %s\n' "$*"
}
[ -f "$exe" ] || { echo "no such file: $exe" >&2; exit 2; }

headers=$("$objdump" -p "$exe") || { echo "$objdump cannot read $exe" >&2; exit 2; }
grep -q "file format $format\$" <<<"$headers" || fail "not a $format image"
grep -qE '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  fail "subsystem is not Windows GUI: $(grep '^Subsystem' <<<"$headers")"
grep -q 'symbols stripped' <<<"$headers" || fail "symbols are not stripped"
"$objdump" -t "$exe" | grep -q '^no symbols$' || fail "the image has a symbol table"
! "$objdump" -h "$exe" | grep -qE '[[:space:]]\.debug_' || fail "the image has debugging sections"

# windres decompiles the resources of an image into resource-script text.
resources=$("$windres" -J coff -O rc -i "$exe" 2>&1) || fail "cannot read the resources: $resources"

# The manifest: resource 1 of type 24, its text as string literals ("" for ", \n for LF).
manifest=$(awk '
  /^1 24 / { inside = 1; next }
  inside && /^END/ { exit }
  inside && /^  "/ { line = substr($0, 4); sub(/"$/, "", line); print line }
' <<<"$resources" | sed -e 's/""/"/g' -e 's/\\n$//')
if [ -z "$manifest" ]; then
  fail "no application manifest (resource 1 of type RT_MANIFEST)"
else
  expect_manifest() {  # description, extended regular expression
    grep -qE -- "$2" <<<"$manifest" || fail "manifest: $1"
  }
  expect_manifest "runs as invoker" '<requestedExecutionLevel level="asInvoker"'
  expect_manifest "long-path aware" \
    '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>'
  expect_manifest "supports Windows 7" 'supportedOS Id="\{35138b9a-5d96-4fbd-8e2d-a2440225f93a\}"'
  expect_manifest "supports Windows 8" 'supportedOS Id="\{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38\}"'
  expect_manifest "supports Windows 8.1" 'supportedOS Id="\{1f676c76-80e1-4239-95bb-83d0f6d0da78\}"'
  expect_manifest "supports Windows 10 and 11" 'supportedOS Id="\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}"'
  grep -qE '^<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">' <<<"$manifest" ||
    fail "manifest: no asm.v1 assembly element"
  [ "$(grep -c '</assembly>' <<<"$manifest")" -eq 1 ] || fail "manifest: not one whole assembly element"
  [ -z "$version" ] || expect_manifest "identity version $version.0" \
    "<assemblyIdentity type=\"win32\" name=\"Tarvo.TarvoUntarvo\" version=\"${version//./\\.}\\.0\"/>"
fi

# The version information: the fixed part and the U.S. English, Unicode string table.
version_value() {  # name
  sed -n "s/^ *VALUE \"$1\", \"\\(.*\\)\"\$/\\1/p" <<<"$resources" | head -1
}
grep -qE '^1 VERSIONINFO' <<<"$resources" || fail "no version information"
grep -q 'BLOCK "040904B0"' <<<"$resources" || fail "version information: no U.S. English Unicode strings"
[ "$(version_value OriginalFilename)" = "tarvo-untarvo.exe" ] ||
  fail "OriginalFilename is '$(version_value OriginalFilename)'"
[ "$(version_value InternalName)" = "tarvo-untarvo" ] || fail "InternalName is '$(version_value InternalName)'"
[ -n "$(version_value FileDescription)" ] || fail "no FileDescription"
[ -n "$(version_value ProductName)" ] || fail "no ProductName"
if [ -n "$version" ]; then
  [ "$(version_value FileVersion)" = "$version.0" ] || fail "FileVersion is '$(version_value FileVersion)', not $version.0"
  [ "$(version_value ProductVersion)" = "$version" ] ||
    fail "ProductVersion is '$(version_value ProductVersion)', not $version"
  numbers=$(tr '.' ',' <<<"$version.0" | sed 's/,/, /g')
  grep -qx " FILEVERSION $numbers" <<<"$resources" || fail "FILEVERSION is not $numbers"
  grep -qx " PRODUCTVERSION $numbers" <<<"$resources" || fail "PRODUCTVERSION is not $numbers"
fi
grep -qx ' FILETYPE 0x1' <<<"$resources" || fail "FILETYPE is not VFT_APP"

# At most 128 KiB: the helper ships inside every uninstaller of every application.
size=$(stat -c %s "$exe")
ceiling=131072
[ "$size" -le "$ceiling" ] || fail "$size bytes, more than $ceiling"

printf '%s: %s bytes, %s, version %s\n' "$(basename "$exe")" "$size" \
  "$(sed -n 's/.*file format //p' <<<"$headers" | head -1)" \
  "$(version_value FileVersion)"
if [ "$failures" -ne 0 ]; then
  printf '%d check(s) failed\n' "$failures"
  exit 1
fi
