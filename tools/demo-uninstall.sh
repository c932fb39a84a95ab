#!/usr/bin/env bash
# A whole, real uninstall under Wine: builds the helper for Windows, makes a sample
# installation of the municipal precinct application (marker, icon, per-precinct data,
# exports, real shortcuts) beside a data-entry application that must survive, stages the
# helper in the temporary directory as an NSIS uninstaller would, starts it from a launcher
# named Zudeded2026.exe in the install directory, and prints the run log, the exit status and
# what is left.
#
# Usage: tools/demo-uninstall.sh [PRECINCT...]
#   without precincts: --mode full (the whole application goes)
#   with precincts:    --mode selected --okrsek PRECINCT ... (only those precincts go)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
tools/install-deps.sh

echo "== building the helper for Windows"
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarvo-untarvo test_launcher test_shortcut >/dev/null
build=$repo/build/windows

prefix=$build/demo-prefix
echo "== preparing the Wine prefix (about 20 s the first time)"
tools/wine-prefix.sh init "$prefix"
trap 'tools/wine-prefix.sh stop "$prefix"' EXIT
wine_run() { tools/wine-run.sh "$prefix" "$@"; }

# The Windows user's folders, seen from both sides.
temp_win=$(wine_run cmd /c echo %TEMP% | tr -d '\r')
profile_win=$(wine_run cmd /c echo %USERPROFILE% | tr -d '\r')
to_unix() { local p=${1#[Cc]:\\}; printf '%s/drive_c/%s' "$prefix" "${p//\\//}"; }
install_win='C:\Tarvo'
desktop_win="$profile_win\\Desktop"
start_menu_win="$profile_win\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Lokal-Kaptáže"
app_win="$install_win\\LCKaptaO"
install=$(to_unix "$install_win")
desktop=$(to_unix "$desktop_win")
start_menu=$(to_unix "$start_menu_win")
app=$install/LCKaptaO
stage=$(to_unix "$temp_win")/tarvo-stage

echo "== making the sample installation in $install_win"
rm -rf "$install" "$start_menu" "$stage"
rm -f "$desktop"/Lokal-*.lnk
mkdir -p "$app/Data" "$app/Export" "$install/LCkapta" "$install/logs" "$desktop" "$start_menu" "$stage"
. tools/sample-installation.sh
make_precinct_app "$app"
for precinct in 12345 23456; do
  mkdir -p "$app/Data/$precinct"
  printf 'votes of %s\n' "$precinct" >"$app/Data/$precinct/okrsek.db"
  printf 'results of %s\n' "$precinct" >"$app/Export/vysledky.$precinct"
done
printf 'not a precinct export\n' >"$app/Export/poznamky.txt"
printf 'MZ data-entry application\n' >"$install/LCkapta/lc-kapta.exe"
cp "$build/tests/e2e/test_launcher.exe" "$install/Zudeded2026.exe"
cp "$build/tarvo-untarvo.exe" "$stage/tarvo-untarvo.exe"

shortcut() { wine_run "$build/tests/e2e/test_shortcut.exe" "$1" "$2"; }
for precinct in 12345 23456; do
  shortcut "$desktop_win\\Lokal-Kaptáže $precinct.lnk" "$app_win\\lc-okrsek.exe"
  shortcut "$start_menu_win\\Lokal-Kaptáže $precinct.lnk" "$app_win\\lc-okrsek.exe"
done
shortcut "$desktop_win\\Lokal-kaptáže.lnk" "$install_win\\LCkapta\\lc-kapta.exe"

args=(--mode full)
if [ $# -gt 0 ]; then
  args=(--mode selected)
  for precinct in "$@"; do args+=(--okrsek "$precinct"); done
fi
args+=(--app-kind okrsek --install-dir "$install_win" --app-folder LCKaptaO --main-binary lc-okrsek.exe
       --uninstaller Zudeded2026.exe --desktop "$desktop_win" --start-menu "$start_menu_win"
       --product-name LCokrsek --bundle-id com.lc-okrsek)

echo "== uninstalling: $install_win\\Zudeded2026.exe ${args[*]}"
echo "   (it starts $temp_win\\tarvo-stage\\tarvo-untarvo.exe with these arguments and its own --parent-pid and --parent-path)"
status=0
wine_run "$install_win\\Zudeded2026.exe" "${args[@]}" || status=$?

echo
echo "== run log"
for log in "$install"/logs/*.log; do
  echo "--- ${log#"$prefix/drive_c/"}"
  cat "$log"
done
echo
echo "== exit status: $status"
echo
echo "== what is left"
list() {
  echo "$2:"
  if [ -d "$1" ]; then (cd "$1" && find . -mindepth 1 | sort | sed 's|^\./|  |'); else echo "  (gone)"; fi
}
list "$install" "$install_win"
list "$desktop" "$desktop_win (Lokal shortcuts)" | grep -E 'Lokal|:$|gone' || true
list "$start_menu" "$start_menu_win"
exit "$status"
