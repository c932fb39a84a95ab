#!/usr/bin/env bash
# Builds the shipped exe for 64- and 32-bit Windows (the windows and windows-x86 presets, in
# their build folders; only the exe) from a committed tree and writes the release folder, named
# by the project's version (CMakeLists.txt):
#
#   tarvo-untarvo-<version>-x64.exe   tarvo-untarvo-<version>-x86.exe
#   tarvo-untarvo-<version>.zip       both exes, the NSIS include and its examples, the docs,
#                                     CHANGELOG.md and BUILDINFO, in tarvo-untarvo-<version>/
#   BUILDINFO                         the version, the commit, and the packages that built it
#   SHA256SUMS                        the sums of all of the above
#   SHA256SUMS.p7s                    when signing: a detached CMS signature of SHA256SUMS
#
# The same commit gives the same bytes from any folder of any machine of this kind. A tree
# with uncommitted changes (untracked files included: the build takes every source it finds)
# is refused, so that BUILDINFO's commit is what was built; CHANGELOG.md must start with this
# version. With SIGN_PKCS12 and SIGN_PASSWORD_FILE set, both exes are signed with SHA-256
# Authenticode (osslsigncode) and SHA256SUMS with the same certificate (openssl cms); without
# them nothing is signed, and the release says so.
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
    tarvo-untarvo-*-x64.exe | tarvo-untarvo-*-x86.exe | tarvo-untarvo-*.zip | BUILDINFO | SHA256SUMS | SHA256SUMS.p7s) ;;
    *) die "$dist holds ${f##*/}, which no release writes: give an empty or new folder" ;;
    esac
  done
  rm -rf "$dist"
fi

"$root/tools/install-deps.sh"

# What is released is a commit, whole: the sources as committed, nothing more and nothing less.
cd "$root"
[ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$root" ] ||
  die "$root is not a git checkout of its own: release from a clone of the commit to be released"
changes=$(git status --porcelain --untracked-files=all)
[ -z "$changes" ] || die "the tree has uncommitted changes; commit them or release from a fresh clone:
$changes"
commit=$(git rev-parse HEAD)
commit_time=$(git log -1 --format=%ct HEAD)

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
  # tools use algorithms that OpenSSL 3 keeps in its legacy provider). They are kept, for
  # the signature of SHA256SUMS.
  p12_part() {  # openssl pkcs12 options selecting the part, PEM label, output file
    local legacy
    for legacy in "" -legacy; do
      # shellcheck disable=SC2086
      if (umask 077 && openssl pkcs12 $legacy -in "$SIGN_PKCS12" -passin "file:$password" $1 -nodes -out "$3" 2>/dev/null) &&
        grep -q -- "-----BEGIN $2" "$3"; then
        return 0
      fi
    done
    return 1
  }
  p12_part -nocerts "PRIVATE KEY" "$scratch/key.pem" ||
    die "cannot open $SIGN_PKCS12 with the password in $SIGN_PASSWORD_FILE: wrong password, not a PKCS#12 file, or no private key in it"
  p12_part "-nokeys -clcerts" "CERTIFICATE" "$scratch/cert.pem" || die "$SIGN_PKCS12 holds no certificate"
  p12_part "-nokeys -cacerts" "CERTIFICATE" "$scratch/chain.pem" || : >"$scratch/chain.pem"
  sign=1
fi

# preset, machine in the file name
builds=("windows x64" "windows-x86 x86")
version=
for build in "${builds[@]}"; do
  read -r preset machine <<<"$build"
  cmake --preset "$preset" >/dev/null
  configured=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$preset/CMakeCache.txt")
  [ -n "$configured" ] || die "build/$preset names no project version"
  [ -z "$version" ] || [ "$version" = "$configured" ] || die "the presets disagree on the version: $version, $configured"
  version=$configured
done
[ "$(sed -n 's/^## \([^ ]*\).*/\1/p' CHANGELOG.md | head -n 1)" = "$version" ] ||
  die "CHANGELOG.md does not start with this version, $version: say what it changes first"
for build in "${builds[@]}"; do
  read -r preset machine <<<"$build"
  printf '== building the %s exe %s (%s preset)\n' "$machine" "$version" "$preset"
  cmake --build --preset "$preset" --target tarvo-untarvo
done

mkdir -p "$(dirname "$dist")"
stage=$(mktemp -d "$(dirname "$dist")/.release.XXXXXX")
trap 'rm -rf "$scratch" "$stage"' EXIT
exes=()
for build in "${builds[@]}"; do
  read -r preset machine <<<"$build"
  name=tarvo-untarvo-$version-$machine.exe
  exes+=("$name")
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

# What built it: enough to build the same bytes again. No path and no time of this machine.
{
  printf 'tarvo-untarvo %s\n' "$version"
  printf 'commit %s\n' "$commit"
  if [ "$sign" -eq 1 ]; then
    printf 'signed by %s\n' "$(openssl x509 -in "$scratch/cert.pem" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')"
  else
    printf 'unsigned\n'
  fi
  printf 'built on Debian %s with:\n' "$(cat /etc/debian_version)"
  dpkg-query -W -f '  ${Package} ${Version}\n' binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 cmake \
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix make mingw-w64-i686-dev mingw-w64-x86-64-dev zip
} >"$stage/BUILDINFO"

# The bundle an integrator unpacks: the files with the commit's time, in one order, without
# owners or extra attributes, so that the same commit gives the same archive.
bundle=tarvo-untarvo-$version
mkdir -p "$scratch/zip/$bundle"
cp "${exes[@]/#/$stage/}" "$stage/BUILDINFO" "$scratch/zip/$bundle/"
git ls-files -z -- README.md CHANGELOG.md docs nsis/README.md nsis/TarvoUntarvo.nsh nsis/examples |
  tar --null -T - -cf - | tar -xf - -C "$scratch/zip/$bundle"
find "$scratch/zip" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$scratch/zip" -exec touch -h -d "@$commit_time" {} +
(cd "$scratch/zip" && find "$bundle" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D "$stage/$bundle.zip" -@)

(cd "$stage" && sha256sum "${exes[@]}" "$bundle.zip" BUILDINFO >SHA256SUMS)
if [ "$sign" -eq 1 ]; then
  chain=()
  [ ! -s "$scratch/chain.pem" ] || chain=(-certfile "$scratch/chain.pem")
  openssl cms -sign -binary -md sha256 -in "$stage/SHA256SUMS" -signer "$scratch/cert.pem" -inkey "$scratch/key.pem" \
    "${chain[@]}" -outform DER -out "$stage/SHA256SUMS.p7s" 2>"$scratch/cms.log" || {
    cat "$scratch/cms.log" >&2
    die "signing SHA256SUMS failed; nothing was released"
  }
fi
chmod 644 "$stage"/*
chmod 755 "$stage"
mv "$stage" "$dist"

if [ "$sign" -eq 1 ]; then
  state="signed with the certificate in $SIGN_PKCS12"
  [ -n "${SIGN_TIMESTAMP_URL:-}" ] || state="$state, without a time stamp"
else
  state="UNSIGNED (set SIGN_PKCS12 and SIGN_PASSWORD_FILE to sign)"
fi
printf '\nrelease %s of commit %s in %s, %s:\n' "$version" "$commit" "$dist" "$state"
for f in "${exes[@]}" "$bundle.zip"; do
  printf '  %s  %s bytes\n' "$f" "$(stat -c %s "$dist/$f")"
done
cat "$dist/SHA256SUMS"
