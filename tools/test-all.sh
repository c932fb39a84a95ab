#!/usr/bin/env bash
# Every test: the portable logic natively (AddressSanitizer and UBSan) against the fake
# platform, then the Windows build, whose tests run under Wine: the portable tests again,
# the Win32 layer on real files and processes, and end-to-end runs of the real exe.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
