#!/usr/bin/env bash
# Every test: the portable logic natively (AddressSanitizer and UBSan) against the fake
# platform; the fuzz targets, bounded; the same sources as a 32-bit exe in one whole removal
# under 32-bit Wine (named as not run where this machine runs no 32-bit programs); then the 64-bit Windows build, whose tests run under Wine: the portable
# tests again, the Win32 layer on real files and processes, the caller check with real
# processes, end-to-end runs of the real exe, and the real NSIS caller; last the release
# command, from here and from a copy of the sources elsewhere, unsigned and signed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

# The fuzz targets: every seed replayed, then about a minute of fuzzing shared among them.
# Like every suite, judged by the checks it ran, not only by its exit status.
tools/judge.sh checks tools/fuzz.sh

# For workstations that still run 32-bit Windows.
tools/judge.sh checks tests/nsis/smoke-x86.sh

cmake --preset windows
cmake --build --preset windows
ctest --preset windows

# The release: the same bytes from another folder, signing with a throwaway certificate,
# and the signing inputs it must refuse.
tools/judge.sh checks tests/release/release-test.sh
