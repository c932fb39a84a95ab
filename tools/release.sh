#!/usr/bin/env bash
# Builds the shipped exe for 64- and 32-bit Windows (the windows and windows-x86 presets, in
# their build folders; only the exe) and writes the release folder:
#
#   tarvo-untarvo-x64.exe  tarvo-untarvo-x86.exe  SHA256SUMS
#
# The same sources give the same bytes from any folder of any machine of this kind. With
# SIGN_PKCS12 and SIGN_PASSWORD_FILE set, both exes are signed with SHA-256 Authenticode
# (osslsigncode) before the sums are written; without them they are left unsigned, and the
# release says so.
#
# Usage: tools/release.sh [DIST]    (DIST: the release folder, default dist/ in the sources)
#   SIGN_PKCS12         a PKCS#12 file holding the code-signing certificate, its key and chain
#   SIGN_PASSWORD_FILE  a file whose first line is the PKCS#12 file's password
#   SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server, so that the signature stays
#                       valid after the certificate expires (needs the network)
#
# Nothing is left half done: an earlier release in DIST is removed first, and the new one is
# put together in a scratch folder beside DIST and moved into place only when complete. After
# a failure DIST does not exist.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=${1:-$root/dist}

die() {
  printf 'release: %s\n' "$*" >&2
  exit 1
}

# An earlier release goes first, so that a failed run cannot leave it looking like this
# run's: DIST is replaced as a whole, and never a folder that holds anything else.
if [ -e "$dist" ]; then
  [ -d "$dist" ] || die "$dist exists and is not a folder"
  for f in "$dist"/* "$dist"/.[!.]*; do
    [ -e "$f" ] || continue
    case "${f##*/}" in
    tarvo-untarvo-x64.exe | tarvo-untarvo-x86.exe | SHA256SUMS) ;;
    *) die "$dist holds ${f##*/}, which no release writes: give an empty or new folder" ;;
    esac
  done
  rm -rf "$dist"
fi

"$root/tools/install-deps.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The signing inputs are checked before anything is built.
sign=0
if [ -n "${SIGN_PKCS12:-}" ] || [ -n "${SIGN_PASSWORD_FILE:-}" ]; then
  [ -n "${SIGN_PKCS12:-}" ] || die "SIGN_PASSWORD_FILE is set but SIGN_PKCS12 is not: set both to sign, neither for an unsigned release"
  [ -n "${SIGN_PASSWORD_FILE:-}" ] || die "SIGN_PKCS12 is set but SIGN_PASSWORD_FILE is not: set both to sign, neither for an unsigned release"
  { [ -f "$SIGN_PKCS12" ] && [ -r "$SIGN_PKCS12" ]; } || die "cannot read the PKCS#12 file $SIGN_PKCS12"
  { [ -f "$SIGN_PASSWORD_FILE" ] && [ -r "$SIGN_PASSWORD_FILE" ]; } || die "cannot read the password file $SIGN_PASSWORD_FILE"
  # The first line, without its line end, for openssl and osslsigncode alike.
  password=$scratch/password
  (umask 077 && head -n 1 "$SIGN_PASSWORD_FILE" | tr -d '\r\n' >"$password")
  # A key and a certificate must come out of it with that password (PKCS#12 files from older
  # tools use algorithms that OpenSSL 3 keeps in its legacy provider).
  p12_holds() {  # openssl pkcs12 option selecting the part, PEM label
    local legacy out
    for legacy in "" -legacy; do
      if out=$(openssl pkcs12 $legacy -in "$SIGN_PKCS12" -passin "file:$password" "$1" -nodes 2>/dev/null) &&
        grep -q -- "-----BEGIN $2" <<<"$out"; then
        return 0
      fi
    done
    return 1
  }
  p12_holds -nocerts "PRIVATE KEY" ||
    die "cannot open $SIGN_PKCS12 with the password in $SIGN_PASSWORD_FILE: wrong password, not a PKCS#12 file, or no private key in it"
  p12_holds -nokeys "CERTIFICATE" || die "$SIGN_PKCS12 holds no certificate"
  sign=1
fi

cd "$root"
# preset, machine in the file name
builds=("windows x64" "windows-x86 x86")
for build in "${builds[@]}"; do
  read -r preset machine <<<"$build"
  printf '== building the %s exe (%s preset)\n' "$machine" "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target tarvo-untarvo
done

mkdir -p "$(dirname "$dist")"
stage=$(mktemp -d "$(dirname "$dist")/.release.XXXXXX")
trap 'rm -rf "$scratch" "$stage"' EXIT
for build in "${builds[@]}"; do
  read -r preset machine <<<"$build"
  name=tarvo-untarvo-$machine.exe
  if [ "$sign" -eq 1 ]; then
    timestamp=()
    [ -z "${SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$SIGN_TIMESTAMP_URL")
    osslsigncode sign -pkcs12 "$SIGN_PKCS12" -readpass "$password" -h sha256 \
      -n "Tarvo uninstall helper" "${timestamp[@]}" \
      -in "build/$preset/tarvo-untarvo.exe" -out "$stage/$name" >"$scratch/sign.log" 2>&1 || {
      cat "$scratch/sign.log" >&2
      die "signing $name failed; nothing was released"
    }
  else
    cp "build/$preset/tarvo-untarvo.exe" "$stage/$name"
  fi
done
chmod 644 "$stage"/*.exe
(cd "$stage" && sha256sum tarvo-untarvo-x64.exe tarvo-untarvo-x86.exe >SHA256SUMS)
chmod 755 "$stage"
mv "$stage" "$dist"

if [ "$sign" -eq 1 ]; then
  state="signed with the certificate in $SIGN_PKCS12"
  [ -n "${SIGN_TIMESTAMP_URL:-}" ] || state="$state, without a time stamp"
else
  state="UNSIGNED (set SIGN_PKCS12 and SIGN_PASSWORD_FILE to sign)"
fi
printf '\nrelease in %s, %s:\n' "$dist" "$state"
for f in tarvo-untarvo-x64.exe tarvo-untarvo-x86.exe; do
  printf '  %s  %s bytes\n' "$f" "$(stat -c %s "$dist/$f")"
done
cat "$dist/SHA256SUMS"
