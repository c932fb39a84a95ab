#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix; the exit status is the program's.
# Usage: tools/wine-run.sh PREFIX_DIR PROGRAM.exe [ARGS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$1"
shift
exec "$TU_WINE" "$@"
