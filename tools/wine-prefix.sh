#!/usr/bin/env bash
# Makes (once) and starts, or stops, the Wine prefix that the Windows tests run in.
# Usage: tools/wine-prefix.sh init|stop PREFIX_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
action=$1
. "$here/wine-env.sh" "$2"
case "$action" in
init)
  if [ ! -f "$WINEPREFIX/.tu-ready" ]; then
    "$TU_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
    # A fresh prefix links the user's shell folders into the Linux home; tests write
    # shortcuts there, so they must be real folders inside the prefix.
    for user_dir in "$WINEPREFIX"/drive_c/users/*/; do
      for name in Desktop Documents Downloads Music Pictures Videos Templates; do
        if [ -L "$user_dir$name" ]; then rm -f "$user_dir$name"; mkdir -p "$user_dir$name"; fi
      done
    done
    touch "$WINEPREFIX/.tu-ready"
  fi
  # A persistent server, detached from any pipe: otherwise Wine's service processes keep a
  # captured stdout open for seconds after every test.
  wineserver -p300 </dev/null >/dev/null 2>&1 || true
  "$TU_WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  ;;
stop)
  wineserver -k </dev/null >/dev/null 2>&1 || true
  ;;
*) echo "usage: $0 init|stop PREFIX_DIR" >&2; exit 2 ;;
esac
