#!/usr/bin/env bash
# The release command, tools/release.sh: two folders that hold the same commit give the same
# bytes (both exes, each within its 128 KiB, the zip with the exes, the NSIS include, its
# examples and the docs, BUILDINFO and SHA256SUMS), named by the project's version; a tree with
# uncommitted changes is refused; a release signed with a throwaway certificate made here
# verifies (the exes and SHA256SUMS), differs from the unsigned one only by its signature and
# runs under Wine, alone and inside an uninstaller signed with the same certificate (the 32-bit
# exe only where this machine runs 32-bit programs); a missing PKCS#12 file, a wrong password,
# a file that is no PKCS#12 and a signing step that fails each stop the release with a message
# and leave no exe.
#
# A release is made from a commit only. So the two folders released from hold this checkout
# as one commit: where the checkout has no uncommitted changes (CI), the checkout itself and a
# clone of its HEAD; otherwise two copies of its working tree, each committed with the same
# names and dates, so that both hold the same commit.
#
# Usage (from anywhere): tests/release/release-test.sh [PREFIX]
#   PREFIX: the Wine prefix to run the signed exes in (default: the windows build's own)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=${1:-$root/build/windows/wineprefix}
work=$root/build/release-test
rm -rf "$work"
mkdir -p "$work" "$prefix"
# The NSIS test pieces (and with them the counted checks), for the signed uninstaller.
PREFIX=$(cd "$prefix" && pwd) WORK=$work/nsis
. "$root/tests/nsis/lib.sh"
ceiling=131072
version=$(sed -n 's/^project(tarvo_untarvo VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
exes=("tarvo-untarvo-$version-x64.exe" "tarvo-untarvo-$version-x86.exe")
bundle=tarvo-untarvo-$version

plan 53

# A folder holding this checkout's sources as one commit (see above).
clean=0
[ -n "$(git -C "$root" status --porcelain --untracked-files=all)" ] || clean=1
release_tree() {  # folder
  mkdir -p "$1"
  if [ "$clean" -eq 1 ]; then
    git clone -q --shared --no-checkout "$root" "$1" && git -C "$1" checkout -q --detach "$(git -C "$root" rev-parse HEAD)"
    return
  fi
  # Tracked files that are still there, and untracked ones that are not ignored.
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ ! -e "$f" ] || printf '%s\0' "$f"; done | tar --null -T - -cf -) |
    tar -xf - -C "$1"
  (cd "$1" && git -c init.defaultBranch=release init -q && git add -A &&
    GIT_AUTHOR_NAME="release test" GIT_AUTHOR_EMAIL=release-test@localhost GIT_AUTHOR_DATE=2000-01-01T00:00:00Z \
    GIT_COMMITTER_NAME="release test" GIT_COMMITTER_EMAIL=release-test@localhost \
    GIT_COMMITTER_DATE=2000-01-01T00:00:00Z git -c commit.gpgsign=false commit -q -m "the working tree under test")
}
if [ "$clean" -eq 1 ]; then
  first=$root
else
  first=$work/first/tarvo-untarvo
  release_tree "$first"
fi
second=$work/elsewhere/a-fresh-clone
release_tree "$second"
printf 'releasing %s from %s and %s\n' "$version" "$first" "$second"

release() {  # DIST LOG [VAR=value...]: runs the first folder's release command
  local dist=$1 log=$2
  shift 2
  env "$@" "$first/tools/release.sh" "$dist" >"$log" 2>&1
}
fails() { ! "$@"; }
said() {  # LOG, fixed text
  grep -qF -- "$2" "$1" || { cat "$1"; return 1; }
}

printf '== an unsigned release\n'
release "$work/dist" "$work/unsigned.log" SIGN_PKCS12= SIGN_PASSWORD_FILE=
check "the unsigned release failed (see $work/unsigned.log)" test $? -eq 0
check "the release does not say that it is unsigned" said "$work/unsigned.log" "UNSIGNED"
for exe in "${exes[@]}"; do
  size=$(stat -c %s "$work/dist/$exe" 2>/dev/null || echo none)
  printf '%s: %s bytes\n' "$exe" "$size"
  check "$exe: $size bytes, more than $ceiling" test "$size" != none -a "$size" -le "$ceiling"
done
expect_equal "SHA256SUMS lists" "${exes[*]} $bundle.zip BUILDINFO" "$(cut -d' ' -f3 "$work/dist/SHA256SUMS" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
check "SHA256SUMS does not match the files" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$work/dist"
check "BUILDINFO does not name the version and the commit" \
  test "$(head -n 2 "$work/dist/BUILDINFO" 2>/dev/null)" = "tarvo-untarvo $version
commit $(git -C "$first" rev-parse HEAD)"
# The zip: both exes, BUILDINFO and the integrator's files of the commit, in one folder.
expected=$({
  printf '%s\n' "${exes[@]}" BUILDINFO
  git -C "$first" ls-files -- README.md CHANGELOG.md docs nsis/README.md nsis/TarvoUntarvo.nsh nsis/examples
} | sed "s|^|$bundle/|" | LC_ALL=C sort)
expect_equal "what the zip holds" "$expected" "$(unzip -Z1 "$work/dist/$bundle.zip" 2>/dev/null | LC_ALL=C sort)"
for file in "${exes[@]}" BUILDINFO nsis/TarvoUntarvo.nsh; do
  if [ -e "$work/dist/$file" ]; then original=$work/dist/$file; else original=$first/$file; fi
  check "the zip's $file is not the released one" \
    bash -c 'unzip -p "$1" "$2" | cmp -s - "$3"' _ "$work/dist/$bundle.zip" "$bundle/$file" "$original"
done

printf '\n== the same release from another folder that holds the same commit\n'
"$second/tools/release.sh" "$second/dist" >"$work/second.log" 2>&1
check "the release from the second folder failed (see $work/second.log)" test $? -eq 0
for file in "${exes[@]}" "$bundle.zip" BUILDINFO SHA256SUMS; do
  check "$file differs between the two folders" cmp "$work/dist/$file" "$second/dist/$file"
done

printf '\n== a tree with uncommitted changes is refused\n'
uncommitted() {  # what, change, undo
  eval "$2"
  "$second/tools/release.sh" "$second/dist" >"$work/uncommitted.log" 2>&1
  check "$1: the release did not fail naming the uncommitted changes, or left a release (see $work/uncommitted.log)" \
    bash -c '[ $1 -ne 0 ] && grep -qF "the tree has uncommitted changes" "$2" && [ ! -e "$3" ]' _ $? \
    "$work/uncommitted.log" "$second/dist"
  eval "$3"
}
uncommitted "a changed file" 'printf "\n" >>"$second/README.md"' 'git -C "$second" checkout -q README.md'
uncommitted "a new file" 'printf "int x;\n" >"$second/src/app/extra.cpp"' 'rm "$second/src/app/extra.cpp"'

printf '\n== a signed release\n'
keys=$work/keys
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/key.pem" -out "$keys/cert.pem" -days 2 \
  -subj "/CN=Tarvo release test" -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
printf 'a pass phrase\n' >"$keys/password"
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/sign.p12" \
  -passout "file:$keys/password"
check "no PKCS#12 file was made" test -s "$keys/sign.p12"
signing=(SIGN_PKCS12="$keys/sign.p12" SIGN_PASSWORD_FILE="$keys/password")
release "$work/signed" "$work/signed.log" "${signing[@]}"
check "the signed release failed" test $? -eq 0
check "the release does not say that it is signed" said "$work/signed.log" "signed with the certificate in $keys/sign.p12"
for exe in "${exes[@]}"; do
  osslsigncode verify -CAfile "$keys/cert.pem" -in "$work/signed/$exe" >"$work/verify-$exe.log" 2>&1
  check "$exe: the signature does not verify (see $work/verify-$exe.log)" test $? -eq 0
  osslsigncode remove-signature -in "$work/signed/$exe" -out "$work/unsigned-again-$exe" >/dev/null 2>&1
  check "$exe: without its signature it is not the unsigned exe" cmp "$work/unsigned-again-$exe" "$work/dist/$exe"
  size=$(stat -c %s "$work/signed/$exe")
  check "$exe: $size bytes signed, more than $ceiling" test "$size" -le "$ceiling"
done
check "SHA256SUMS does not match the signed files" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$work/signed"
check "BUILDINFO does not name the signer" grep -qx 'signed by CN=Tarvo release test' "$work/signed/BUILDINFO"
# The detached signature of SHA256SUMS, checked as its README tells; a changed copy fails.
verify_sums() {  # SHA256SUMS
  openssl cms -verify -binary -inform DER -in "$work/signed/SHA256SUMS.p7s" -content "$1" \
    -CAfile "$keys/cert.pem" -purpose any -out /dev/null >>"$work/verify-sums.log" 2>&1
}
check "SHA256SUMS.p7s does not verify SHA256SUMS (see $work/verify-sums.log)" verify_sums "$work/signed/SHA256SUMS"
sed 's/^./0/' "$work/signed/SHA256SUMS" >"$work/changed-sums"
check "SHA256SUMS.p7s verifies a changed SHA256SUMS" fails verify_sums "$work/changed-sums"

# Without arguments the helper refuses at once with status 2 and writes nothing, signed or not.
"$root/tools/wine-prefix.sh" init "$prefix"
temp_logs="$prefix/drive_c/users/$(id -un)/Temp/tarvo2026-uninstall-logs"
for exe in "${exes[@]}"; do
  if [ "$exe" = "${exes[1]}" ] && ! runs_32bit; then
    not_run "signed $exe without arguments ends with status 2"
    not_run "signed $exe without arguments writes no log"
    continue
  fi
  before=$(find "$temp_logs" "$prefix/drive_c/Tarvo/logs" 2>/dev/null | sort)
  mkdir -p "$prefix/drive_c/release-test"
  cp "$work/signed/$exe" "$prefix/drive_c/release-test/tarvo-untarvo.exe"
  "$root/tools/wine-run.sh" "$prefix" 'C:\release-test\tarvo-untarvo.exe' </dev/null >/dev/null 2>&1
  status=$?
  check "signed $exe without arguments: status $status, not 2" test "$status" -eq 2
  check "signed $exe without arguments wrote a log" test "$(find "$temp_logs" "$prefix/drive_c/Tarvo/logs" 2>/dev/null | sort)" = "$before"
done
rm -rf "$prefix/drive_c/release-test"

# An uninstaller signed as TarvoUntarvo.nsh tells (!uninstfinalize), with the signed helper
# inside it, removes the municipal data-entry application.
mkdir -p "$WORK/payload"
printf 'lc-kapta\n' >"$WORK/payload/lc-kapta.exe"
build_installer signed-setup.exe "$root/nsis/examples/lckapta.nsi" -DTARVO_TARGET=amd64-unicode \
  "-DTARVO_UNTARVO_EXE=$work/signed/${exes[0]}" "-DAPP_FILES=$WORK/payload" \
  "-DSIGN_PKCS12=$keys/sign.p12" "-DSIGN_PASSWORD_FILE=$keys/password"
clean_installations
wine_run "$WORK/signed-setup.exe" /S
check "the installer with the signed uninstaller ended with $?" test $? -eq 0
osslsigncode verify -CAfile "$keys/cert.pem" -in "$install_dir/Zudeded2026.exe" >"$work/verify-uninstaller.log" 2>&1
check "the installed uninstaller's signature does not verify (see $work/verify-uninstaller.log)" test $? -eq 0
uninstall_in_place
check "the signed uninstaller and helper ended with $ran_status, not 0" test "$ran_status" -eq 0
expect_absent "$install_dir/LCkapta"
clean_installations
"$root/tools/wine-prefix.sh" stop "$prefix"

printf '\n== signing that cannot be done stops the release and leaves no exe\n'
printf 'not the pass phrase\n' >"$keys/wrong-password"
# A signing tool that writes half a file and fails.
mkdir -p "$work/broken-tool"
cat >"$work/broken-tool/osslsigncode" <<'EOF'
#!/bin/sh
while [ $# -gt 1 ]; do [ "$1" = -out ] && head -c 4096 /dev/zero >"$2"; shift; done
echo "osslsigncode: failed" >&2
exit 1
EOF
chmod +x "$work/broken-tool/osslsigncode"
refused() {  # name, expected message, VAR=value...
  local name=$1 message=$2
  shift 2
  mkdir -p "$work/$name"
  cp "$work/dist"/* "$work/$name/"  # an earlier release in the folder
  release "$work/$name" "$work/$name.log" "$@"
  check "$name: the release did not fail with '$message'" \
    bash -c '[ $1 -ne 0 ] && grep -qF -- "$3" "$2" || { cat "$2"; exit 1; }' _ $? "$work/$name.log" "$message"
  check "$name: an exe was left in the release folder" test -z "$(find "$work/$name" -name '*.exe' 2>/dev/null)"
}
refused missing-pkcs12 "cannot read the PKCS#12 file $keys/missing.p12" \
  SIGN_PKCS12="$keys/missing.p12" SIGN_PASSWORD_FILE="$keys/password"
refused wrong-password "wrong password" SIGN_PKCS12="$keys/sign.p12" SIGN_PASSWORD_FILE="$keys/wrong-password"
refused not-pkcs12 "not a PKCS#12 file" SIGN_PKCS12="$keys/cert.pem" SIGN_PASSWORD_FILE="$keys/password"
refused no-password-file "SIGN_PASSWORD_FILE is not" SIGN_PKCS12="$keys/sign.p12" SIGN_PASSWORD_FILE=
refused signing-fails "signing ${exes[0]} failed" "${signing[@]}" PATH="$work/broken-tool:$PATH"
check "the failed signing left a scratch folder" test -z "$(find "$work" -maxdepth 1 -name '.release.*')"

finish
