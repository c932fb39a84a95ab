# Sourced by the Wine helpers: a private, headless, UTF-8 Wine environment for one prefix.
# Usage: . tools/wine-env.sh PREFIX_DIR
tu_prefix=$(mkdir -p "$1" && cd "$1" && pwd)
# TU_WINE: the one loader for this machine.
. "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"
export WINEPREFIX="$tu_prefix"
export WINEARCH="${TU_WINEARCH:-win64}"
# TU_WINEDEBUG lets a test hear a channel, e.g. "-all,err+eventlog" for what programs report
# to the event log (Wine keeps no event log: it prints each event it is given).
export WINEDEBUG=${TU_WINEDEBUG:--all}
export LC_ALL=C.UTF-8
# winemenubuilder turns every saved .lnk into a desktop entry; mono/gecko installers need a network.
# TU_WINEDLLOVERRIDES adds a test's own overrides (e.g. "version,uxtheme=n,b": native DLLs
# first, searched for where Windows searches, beside the program first).
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml=${TU_WINEDLLOVERRIDES:+;$TU_WINEDLLOVERRIDES}"
unset DISPLAY WAYLAND_DISPLAY
export HOME="$tu_prefix.home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$HOME/.cache"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
