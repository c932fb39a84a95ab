# shellcheck shell=bash
# Chooses, once, the Wine loader every Windows program here starts through, and tells whether
# this machine runs 32-bit Windows programs at all. Sourced by tools/wine-env.sh and by what
# must know about 32-bit programs (the judge, the 32-bit smoke run, the release suite).
#
# Debian's `wine` wrapper starts the 32-bit loader whenever wine32 is installed. Some kernels
# execute no 32-bit programs (no IA32 emulation): there that loader fails with "Exec format
# error", and so does everything started through the wrapper, 64-bit programs and wineboot
# included. The 64-bit loader runs 64-bit programs in a win64 prefix on either kind of machine.
#
# Sets:
#   TU_WINE             the loader: `wine` where 32-bit programs run, else the 64-bit loader
#   TU_WINE_RUNS_32BIT  1 where 32-bit Windows programs can run here, else 0
#   TU_WINE_NO_32BIT_REASON  why not, in the words the suites print
#
# TU_WINE_ASSUME_NO_32BIT=1 takes the 64-bit-only way on a machine that runs 32-bit programs,
# to try it there; CI never sets it. TU_WINE32_LOADER names the 32-bit loader to probe (the
# judge's own test points it at stand-ins).
TU_WINE_NO_32BIT_REASON="this machine runs no 32-bit programs"
tu_wine32_loader=${TU_WINE32_LOADER:-/usr/lib/wine/wine}
tu_wine64_loader=/usr/lib/wine/wine64
if [ "${TU_WINE_ASSUME_NO_32BIT:-}" != 1 ] && "$tu_wine32_loader" --version >/dev/null 2>&1; then
  TU_WINE_RUNS_32BIT=1
  TU_WINE=wine
else
  TU_WINE_RUNS_32BIT=0
  TU_WINE=$tu_wine64_loader
  # Programs that Wine starts from inside (cmd, wineboot's helpers, the tests' own children)
  # go through the same loader.
  export WINELOADER=$tu_wine64_loader
fi
export TU_WINE TU_WINE_RUNS_32BIT TU_WINE_NO_32BIT_REASON
