#!/bin/sh
# Makes or removes the folders of the link tests inside a Wine prefix's C: drive. Wine
# cannot make Windows links, but it follows symbolic links made from the Linux side, and the
# final-name query reports where they lead.
#   links.sh setup|cleanup DRIVE_C
# Layout below C:\tu-authz-links (the tests know this name):
#   plain\LCkapta\, plain\LCKaptaO\Data\12345\   real folders
#   linked\LCkapta              -> outside\app       an application folder leading out
#   linked\LCKaptaO\Data\12345  -> outside\precinct  a precinct folder leading out
#   linked\alias                -> linked\LCKaptaO   a link that stays inside
#   outside\app\inner\, outside\precinct\
#   installed\LCkapta\, realstage\                  real folders
#   stage                       -> installed\LCkapta  a staging folder leading into an installation
set -eu
action=$1
drive_c=$2
if [ ! -d "$drive_c/windows" ]; then
  echo "no Wine C: drive at $drive_c" >&2
  exit 1
fi
root=$drive_c/tu-authz-links
# rm never follows the links below the root, so only this tree goes.
rm -rf -- "$root"
case "$action" in
setup)
  mkdir -p "$root/plain/LCkapta" "$root/plain/LCKaptaO/Data/12345" "$root/linked/LCKaptaO/Data" \
    "$root/outside/app/inner" "$root/outside/precinct" "$root/installed/LCkapta" "$root/realstage"
  ln -s ../outside/app "$root/linked/LCkapta"
  ln -s ../../../outside/precinct "$root/linked/LCKaptaO/Data/12345"
  ln -s LCKaptaO "$root/linked/alias"
  ln -s installed/LCkapta "$root/stage"
  ;;
cleanup) ;;
*) echo "usage: $0 setup|cleanup DRIVE_C" >&2; exit 2 ;;
esac
